// aurelis-metafile: draws WMF and EMF pictures for the reader, one request
// after another, in a process of its own, under limits on memory and on
// processor time for each drawing. The requests and the replies are
// described in metafile_protocol.h.
#include "metafile_draw.h"
#include "platform/picture/metafile_protocol.h"
#include "sandbox.h"

#include <QImage>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>

// Built with AddressSanitizer (gcc says so by a macro, clang by a feature).
#if defined(__SANITIZE_ADDRESS__)
#define AURELIS_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define AURELIS_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

using namespace platform::metafile;
using metafile_helper::Request;

enum Exit { InputEnded = 0, BadRequest = 2, WriteFailed = 5 };
// The answers to probe-open.
enum Probe { ProbeRefused = 0, ProbeOpened = 7, ProbeNoSandbox = 8, ProbeSanitized = 9 };

// The processor time is given drawing by drawing (see allowOneDrawing); the
// hard limit, which the helper cannot raise, covers every drawing it may be
// asked for with room to spare.
void limitResources()
{
    const rlimit cpu{rlim_t(kCpuSeconds), rlim_t(kCpuSeconds) * (kDrawingsPerHelper + 2)};
    const rlimit noCore{0, 0};
#ifndef AURELIS_ADDRESS_SANITIZER
    // Under AddressSanitizer the shadow memory alone reserves terabytes of
    // address space; its allocator keeps the bound instead (see below).
    const rlimit memory{rlim_t(kAddressSpaceBytes), rlim_t(kAddressSpaceBytes)};
    setrlimit(RLIMIT_AS, &memory);
#endif
    setrlimit(RLIMIT_CPU, &cpu);
    setrlimit(RLIMIT_CORE, &noCore);
}

// The next drawing may take kCpuSeconds more than the helper has used so far,
// whatever the drawings before it took.
void allowOneDrawing()
{
    rusage used{};
    rlimit cpu{};
    if (getrusage(RUSAGE_SELF, &used) != 0 || getrlimit(RLIMIT_CPU, &cpu) != 0)
        return;
    const double seconds = double(used.ru_utime.tv_sec) + double(used.ru_stime.tv_sec)
                           + (used.ru_utime.tv_usec + used.ru_stime.tv_usec) / 1e6;
    cpu.rlim_cur = std::min(rlim_t(std::ceil(seconds)) + rlim_t(kCpuSeconds), cpu.rlim_max);
    setrlimit(RLIMIT_CPU, &cpu);
}

enum class Read { Whole, Ended, Failed };

// Exactly `length` bytes, or Ended when the input ends before the first.
Read readExactly(char* into, qint64 length)
{
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::read(STDIN_FILENO, into + done, size_t(qMin<qint64>(length - done, 1 << 20)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 && done == 0)
            return Read::Ended;
        if (n <= 0)
            return Read::Failed;
        done += n;
    }
    return Read::Whole;
}

// The standard input to its end, for probe-open.
QByteArray readAllInput()
{
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || bytes.size() > kMaxInputBytes)
            return bytes;
        bytes.append(buffer, n);
    }
}

bool writeAll(const char* data, qint64 length)
{
    while (length > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, size_t(qMin<qint64>(length, 1 << 20)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        length -= n;
    }
    return true;
}

bool replyStatus(ReplyStatus status)
{
    const QByteArray word = encodeReplyStatus(status);
    return writeAll(word.constData(), word.size());
}

bool replyDrawing(const QImage& drawn, const QSizeF& natural)
{
    const QImage image = drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QByteArray head = encodeReplyStatus(ReplyStatus::Drawn) + encodeReplyHeader({image.size(), natural});
    if (!writeAll(head.constData(), head.size()))
        return false;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    // The words are little-endian already, and the rows lie end to end.
    return writeAll(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
#else
    QByteArray row(qsizetype(image.width()) * 4, Qt::Uninitialized);
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            qToLittleEndian<quint32>(line[x], row.data() + 4 * x);
        if (!writeAll(row.constData(), row.size()))
            return false;
    }
    return true;
#endif
}

} // namespace

#ifdef AURELIS_ADDRESS_SANITIZER
// The sanitizer's allocator in place of the address-space limit: what a
// limited malloc would refuse comes back null, as it does in the release
// build, instead of ending the helper with an out-of-memory report.
static_assert(kAddressSpaceBytes == qint64(1536) * 1024 * 1024, "the options below repeat the limit");
extern "C" const char* __asan_default_options()
{
    return "allocator_may_return_null=1:max_allocation_size_mb=1536:soft_rss_limit_mb=1536";
}
#endif

namespace {

// Everything the helper opens, it opens before it reads a metafile with a
// foreign decoder; from then on it can read fonts and nothing else. Under
// the sanitizers it stays open: their runtime writes its reports to files
// and runs a symbolizer, and a report it cannot write would be lost.
metafile_helper::Sandbox prepareAndForbidOpening()
{
    const QByteArrayList readable = metafile_helper::prepareToDraw();
#ifdef AURELIS_ADDRESS_SANITIZER
    Q_UNUSED(readable);
    return metafile_helper::Sandbox::Unavailable;
#else
    return metafile_helper::forbidOpeningFiles(readable);
#endif
}

// For the tests only, and never asked for by the reader: "probe-open FILE"
// takes a metafile on the standard input, sets up as for drawing it, then
// tries to read FILE.
int probeOpening(const char* file)
{
    readAllInput();
    const metafile_helper::Sandbox sandbox = prepareAndForbidOpening();
#ifdef AURELIS_ADDRESS_SANITIZER
    return ProbeSanitized;
#endif
    if (sandbox != metafile_helper::Sandbox::Applied)
        return ProbeNoSandbox;
    const int fd = ::open(file, O_RDONLY | O_CLOEXEC);
    if (fd >= 0)
        return ProbeOpened;
    return errno == EACCES ? ProbeRefused : ProbeOpened;
}

// One request read and answered. Returns the helper's exit status when it
// is to end, nothing when it goes on to the next request.
std::optional<int> serveOne(metafile_helper::Drawer& drawer)
{
    QByteArray head(kRequestHeaderBytes, Qt::Uninitialized);
    const Read read = readExactly(head.data(), head.size());
    if (read == Read::Ended)
        return InputEnded;
    const std::optional<RequestHeader> request = read == Read::Whole ? decodeRequestHeader(head) : std::nullopt;
    if (!request || ((request->flags & kSameBytes) && !drawer.hasFile())) {
        replyStatus(ReplyStatus::BadRequest);
        return BadRequest;
    }
    if (!(request->flags & kSameBytes)) {
        QByteArray bytes(qsizetype(request->length), Qt::Uninitialized);
        if (readExactly(bytes.data(), bytes.size()) != Read::Whole)
            return BadRequest;
        drawer.setFile(bytes);
    }
    allowOneDrawing();
    metafile_helper::Drawing drawing;
    bool written = false;
    switch (drawer.draw(Request{(request->flags & kFit) != 0, request->size}, &drawing)) {
    case metafile_helper::Outcome::Drawn:
        written = drawing.image.isNull() ? replyStatus(ReplyStatus::Undrawable)
                                         : replyDrawing(drawing.image, drawing.naturalTwips);
        break;
    case metafile_helper::Outcome::Undrawable:
        written = replyStatus(ReplyStatus::Undrawable);
        break;
    case metafile_helper::Outcome::NotAMetafile:
        written = replyStatus(ReplyStatus::NotAMetafile);
        break;
    }
    if (!written)
        return WriteFailed;
    return std::nullopt;
}

} // namespace

// libemf2svg ends fontconfig after its text, while Qt, set up before it,
// still holds fontconfig's fonts. The helper never tidies up before it
// ends, so the teardown is left out.
extern "C" void FcFini(void) {}

int main(int argc, char** argv)
{
    limitResources();
    if (argc == 3 && std::strcmp(argv[1], "probe-open") == 0)
        ::_exit(probeOpening(argv[2]));
    if (argc != 1)
        return BadRequest;
    // Set up once for every kind of metafile, since any may come next.
    prepareAndForbidOpening();
    metafile_helper::Drawer drawer;
    for (;;) {
        // Nothing is left to tidy when it ends: the decoders' and Qt's
        // teardown would only cost time.
        if (const std::optional<int> ended = serveOne(drawer))
            ::_exit(*ended);
    }
}
