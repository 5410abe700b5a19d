#include "platform/picture/metafile_helpers.h"

#include "platform/core/program.h"
#include "platform/picture/metafile_protocol.h"
#include "platform/picture/picture.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace platform::detail {

namespace {

using metafile::ReplyStatus;

// A helper not needed any more is asked to end by the end of its input; one
// that has not ended after this long is killed.
constexpr int kEndGraceMs = 200;

// Idle helpers kept: one for the window and one for the thumbnails, each
// mostly asked for the picture it drew last. Any more are ended.
constexpr size_t kIdleHelpers = 2;

// Writing to a helper that has ended raises SIGPIPE, which would end the
// reader. This thread holds the signal back while it writes, and takes one
// that came before letting it through again.
class PipeSignalHeld {
public:
    PipeSignalHeld()
    {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        pendingBefore_ = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipe_, &old_);
    }
    ~PipeSignalHeld()
    {
        sigset_t pending;
        sigpending(&pending);
        if (!pendingBefore_ && sigismember(&pending, SIGPIPE) == 1) {
            const timespec now{};
            sigtimedwait(&pipe_, nullptr, &now);
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    PipeSignalHeld(const PipeSignalHeld&) = delete;
    PipeSignalHeld& operator=(const PipeSignalHeld&) = delete;

private:
    sigset_t pipe_;
    sigset_t old_;
    bool pendingBefore_ = false;
};

// The helper's ends of its pipes become its descriptors 0 and 1; one that
// already is 0, 1 or 2 (the reader's own standard files closed) would be
// overwritten by the other on the way.
bool aboveStandardFiles(int& fd)
{
    if (fd > STDERR_FILENO)
        return true;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    ::close(fd);
    fd = moved;
    return fd >= 0;
}

void closeAll(std::initializer_list<int> fds)
{
    for (int fd : fds)
        if (fd >= 0)
            ::close(fd);
}

// Started directly (no shell) with its standard input and output on `in`
// and `out`, its error output discarded, signals at their defaults, in an
// empty folder of its own, not in the book: no name the helper meets can
// lead to a file of the book. The folder goes right after the start.
pid_t spawnHelper(const QString& program, int in, int out)
{
    const QTemporaryDir emptyFolder;
    const QByteArray path = QFile::encodeName(program);
    const QByteArray folder = QFile::encodeName(emptyFolder.path());
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (emptyFolder.isValid())
        posix_spawn_file_actions_addchdir_np(&actions, folder.constData());
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    // The reader may ignore SIGPIPE; a helper whose reader has gone must not.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGXCPU);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    char* const argv[] = {const_cast<char*>(path.constData()), nullptr};
    pid_t pid = -1;
    if (::posix_spawn(&pid, path.constData(), &actions, &attributes, argv, environ) != 0)
        pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// One running helper, used by one thread at a time.
class Helper {
public:
    // Null when the program cannot be started.
    static std::unique_ptr<Helper> start(const QString& program, quint64 generation);
    // Ends the helper and reaps it.
    ~Helper();
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;

    std::optional<MetafileDrawing> draw(const QByteArray& metafile, bool fit, const QSize& size,
                                        const QDeadlineTimer& deadline);
    // Whether the helper holds these bytes from the drawing before.
    bool holds(const QByteArray& metafile) const;
    // Whether it still waits for a request and has said nothing since its last reply.
    bool stillWaiting();
    // Whether it may be asked again: it ended, failed or said more than its reply.
    bool broken() const { return broken_; }
    int drawings() const { return drawings_; }
    const QString& program() const { return program_; }
    quint64 generation() const { return generation_; }

private:
    Helper(pid_t pid, int toHelper, int fromHelper, const QString& program, quint64 generation)
        : pid_(pid), toHelper_(toHelper), fromHelper_(fromHelper), program_(program), generation_(generation)
    {
    }
    bool transfer(const char* out, qint64 outLength, char* in, qint64 inLength);
    std::optional<MetafileDrawing> receiveDrawing();

    pid_t pid_;
    int toHelper_;
    int fromHelper_;
    QString program_;
    quint64 generation_;
    QByteArray lastBytes_;
    QDeadlineTimer deadline_;
    int drawings_ = 0;
    bool broken_ = false;
};

std::unique_ptr<Helper> Helper::start(const QString& program, quint64 generation)
{
    int toChild[2] = {-1, -1};
    int fromChild[2] = {-1, -1};
    if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0 || !aboveStandardFiles(toChild[0])
        || !aboveStandardFiles(fromChild[1])) {
        closeAll({toChild[0], toChild[1], fromChild[0], fromChild[1]});
        return nullptr;
    }
    // The pixels come in megabytes: a larger pipe takes them in fewer turns.
    ::fcntl(fromChild[0], F_SETPIPE_SZ, 1 << 20);
    // The reader's ends never block: it waits in poll() until the deadline.
    ::fcntl(toChild[1], F_SETFL, ::fcntl(toChild[1], F_GETFL) | O_NONBLOCK);
    ::fcntl(fromChild[0], F_SETFL, ::fcntl(fromChild[0], F_GETFL) | O_NONBLOCK);
    const pid_t pid = spawnHelper(program, toChild[0], fromChild[1]);
    closeAll({toChild[0], fromChild[1]});
    if (pid < 0) {
        closeAll({toChild[1], fromChild[0]});
        return nullptr;
    }
    return std::unique_ptr<Helper>(new Helper(pid, toChild[1], fromChild[0], program, generation));
}

Helper::~Helper()
{
    // An idle helper ends when its input ends; one that failed, or that does
    // not end in time, is killed. Either way it is reaped.
    ::close(toHelper_);
    if (!broken_) {
        const QDeadlineTimer grace(kEndGraceMs);
        char discard[4096];
        while (!grace.hasExpired()) {
            pollfd fd{fromHelper_, POLLIN, 0};
            if (::poll(&fd, 1, int(grace.remainingTime())) <= 0)
                continue;
            const ssize_t n = ::read(fromHelper_, discard, sizeof discard);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
                break;
        }
    }
    ::kill(pid_, SIGKILL);
    while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    ::close(fromHelper_);
}

bool Helper::holds(const QByteArray& metafile) const
{
    // While lastBytes_ shares the buffer, the same data means the same bytes.
    return !lastBytes_.isNull() && lastBytes_.size() == metafile.size()
           && (lastBytes_.constData() == metafile.constData() || lastBytes_ == metafile);
}

bool Helper::stillWaiting()
{
    // Asked without reaping it: the destructor reaps, and kills only a helper not yet reaped.
    pollfd fd{fromHelper_, POLLIN, 0};
    siginfo_t ended{};
    if (broken_ || ::poll(&fd, 1, 0) != 0 || ::waitid(P_PID, id_t(pid_), &ended, WEXITED | WNOHANG | WNOWAIT) != 0
        || ended.si_pid != 0)
        broken_ = true;
    return !broken_;
}

// Sends `out` while it receives `in`, until both are done; false when the
// helper ends, fails to take the request or the deadline passes first.
bool Helper::transfer(const char* out, qint64 outLength, char* in, qint64 inLength)
{
    std::optional<PipeSignalHeld> held;
    if (outLength > 0)
        held.emplace();
    while (outLength > 0 || inLength > 0) {
        pollfd fds[2];
        nfds_t count = 0;
        if (outLength > 0)
            fds[count++] = {toHelper_, POLLOUT, 0};
        if (inLength > 0)
            fds[count++] = {fromHelper_, POLLIN, 0};
        const int ready = ::poll(fds, count, int(deadline_.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        for (nfds_t i = 0; i < count; ++i) {
            if (fds[i].revents == 0)
                continue;
            const bool sending = fds[i].fd == toHelper_;
            const size_t chunk = size_t(std::min<qint64>(sending ? outLength : inLength, 1 << 20));
            const ssize_t n = sending ? ::write(toHelper_, out, chunk) : ::read(fromHelper_, in, chunk);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            if (n <= 0)
                return false;
            if (sending) {
                out += n;
                outLength -= n;
            } else {
                in += n;
                inLength -= n;
            }
        }
    }
    return true;
}

std::optional<MetafileDrawing> Helper::draw(const QByteArray& metafile, bool fit, const QSize& size,
                                            const QDeadlineTimer& deadline)
{
    deadline_ = deadline;
    ++drawings_;
    // The same file again, at a new size: the helper has its bytes, and what it made of them.
    const bool same = holds(metafile);
    const QByteArray head = metafile::encodeRequestHeader(
        {(fit ? metafile::kFit : 0) | (same ? metafile::kSameBytes : 0), size, same ? 0 : quint32(metafile.size())});
    lastBytes_ = QByteArray();
    char statusWord[metafile::kReplyStatusBytes];
    const bool replied = same ? transfer(head.constData(), head.size(), statusWord, sizeof statusWord)
                              : transfer(head.constData(), head.size(), nullptr, 0)
                                    && transfer(metafile.constData(), metafile.size(), statusWord, sizeof statusWord);
    if (!replied) {
        broken_ = true;
        return std::nullopt;
    }
    const auto status = ReplyStatus(qFromLittleEndian<quint32>(statusWord));
    if (status != ReplyStatus::Drawn) {
        // The helper goes on after a file it cannot draw; after anything else it is not asked again.
        broken_ = status != ReplyStatus::NotAMetafile && status != ReplyStatus::Undrawable;
        if (!broken_)
            lastBytes_ = metafile;
        return std::nullopt;
    }
    std::optional<MetafileDrawing> drawing = receiveDrawing();
    if (!drawing)
        broken_ = true;
    else if (!broken_)
        lastBytes_ = metafile;
    return drawing;
}

// The reply's header and pixels, when there are exactly as many as the header says.
std::optional<MetafileDrawing> Helper::receiveDrawing()
{
    QByteArray head(metafile::kReplyHeaderBytes, Qt::Uninitialized);
    if (!transfer(nullptr, 0, head.data(), head.size()))
        return std::nullopt;
    const std::optional<metafile::ReplyHeader> header = metafile::decodeReplyHeader(head);
    if (!header)
        return std::nullopt;
    QImage image(header->pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull() || image.bytesPerLine() != qsizetype(image.width()) * 4
        || !transfer(nullptr, 0, reinterpret_cast<char*>(image.bits()), image.sizeInBytes()))
        return std::nullopt;
    // Anything after the pixels is a longer reply than the header says. A
    // helper that ended right after its reply has drawn this picture, but
    // draws no other.
    char more;
    const ssize_t after = ::read(fromHelper_, &more, 1);
    if (after > 0)
        return std::nullopt;
    if (after == 0)
        broken_ = true;
#if Q_BYTE_ORDER != Q_LITTLE_ENDIAN
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = qFromLittleEndian<quint32>(line[x]);
    }
#endif
    return MetafileDrawing{image, header->naturalTwips};
}

// The helpers alive and not drawing, for any thread to take.
class HelperPool {
public:
    std::unique_ptr<Helper> take(const QString& program, const QByteArray& metafile);
    void giveBack(std::unique_ptr<Helper> helper);
    void endAll();

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<Helper>> idle_; // the one given back last at the end
    // Helpers of an earlier generation are ended when given back.
    quint64 generation_ = 0;
};

std::unique_ptr<Helper> HelperPool::take(const QString& program, const QByteArray& metafile)
{
    // Helpers are ended and started with the lock released: no other thread waits for that.
    std::vector<std::unique_ptr<Helper>> ending;
    std::unique_ptr<Helper> chosen;
    quint64 generation = 0;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        generation = generation_;
        // A helper of another program (the tests put stand-ins in its place) is of no use.
        for (auto it = idle_.begin(); it != idle_.end();) {
            if ((*it)->program() == program) {
                ++it;
                continue;
            }
            ending.push_back(std::move(*it));
            it = idle_.erase(it);
        }
        auto pick = std::find_if(idle_.begin(), idle_.end(), [&](const auto& h) { return h->holds(metafile); });
        if (pick == idle_.end() && !idle_.empty())
            pick = idle_.end() - 1;
        if (pick != idle_.end()) {
            chosen = std::move(*pick);
            idle_.erase(pick);
        }
    }
    if (chosen && !chosen->stillWaiting())
        ending.push_back(std::move(chosen));
    ending.clear();
    return chosen ? std::move(chosen) : Helper::start(program, generation);
}

void HelperPool::giveBack(std::unique_ptr<Helper> helper)
{
    if (helper && !helper->broken() && helper->drawings() >= metafile::kDrawingsPerHelper) {
        // Its share drawn: a fresh one takes its place and sets up before the next drawing.
        const QString program = helper->program();
        const quint64 generation = helper->generation();
        helper.reset();
        helper = Helper::start(program, generation);
    }
    if (!helper || helper->broken())
        return;
    std::unique_ptr<Helper> surplus;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (helper->generation() != generation_) {
            surplus = std::move(helper);
        } else {
            idle_.push_back(std::move(helper));
            if (idle_.size() > kIdleHelpers) {
                surplus = std::move(idle_.front());
                idle_.erase(idle_.begin());
            }
        }
    }
}

void HelperPool::endAll()
{
    std::vector<std::unique_ptr<Helper>> ending;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ++generation_;
        ending.swap(idle_);
    }
}

// Never destroyed: a drawing that ends while the program ends still has a
// pool to give its helper back to.
HelperPool& pool()
{
    static HelperPool* const helpers = new HelperPool;
    return *helpers;
}

// The helpers end with the program. Were the reader killed instead, each
// helper would end at the end of its input.
struct HelpersEndWithTheProgram {
    ~HelpersEndWithTheProgram() { endMetafileHelpers(); }
} helpersEndWithTheProgram;

} // namespace

std::optional<MetafileDrawing> drawInMetafileHelper(const QByteArray& metafile, bool fit, const QSize& size,
                                                    int waitMs)
{
    const QDeadlineTimer deadline(waitMs);
    // A request the helper would refuse costs no helper.
    if (metafile.size() > metafile::kMaxInputBytes
        || !metafile::decodeRequestHeader(metafile::encodeRequestHeader(
            {fit ? metafile::kFit : 0, size, quint32(metafile.size())})))
        return std::nullopt;
    std::unique_ptr<Helper> helper =
        pool().take(helperProgramPath(QString::fromLatin1(metafile::kHelperName)), metafile);
    if (!helper)
        return std::nullopt;
    std::optional<MetafileDrawing> drawing = helper->draw(metafile, fit, size, deadline);
    pool().giveBack(std::move(helper));
    return drawing;
}

} // namespace platform::detail

namespace platform {

void endMetafileHelpers() { detail::pool().endAll(); }

} // namespace platform
