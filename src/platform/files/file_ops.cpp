#include "platform/files/file_ops.h"

#include "platform/core/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

QString findFileIgnoringCase(const QString& folder, const QString& name)
{
    QDir dir(folder);
    if (dir.exists(name))
        return dir.filePath(name);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    return dir.filePath(name);
}

bool isSameFile(const QString& a, const QString& b)
{
    struct stat sa {}, sb {};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 || ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool pathTaken(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

namespace {

Error errorFor(int err, const QString& path)
{
    const QString why = QString::fromLocal8Bit(std::strerror(err));
    switch (err) {
    case ENOENT: return Error(errc::FileNotFound, QStringLiteral("文件未找到: %1").arg(path));
    case ENOTDIR: return Error(errc::PathNotFound, QStringLiteral("路径未找到: %1").arg(path));
    case EACCES:
    case EPERM:
    case EROFS: return Error(errc::PermissionDenied, QStringLiteral("拒绝的权限: %1").arg(path));
    default: return Error(errc::General, QStringLiteral("%1: %2").arg(path, why));
    }
}

// Closes the descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    // Closing is where a full disk may show (network file systems): report it.
    int release()
    {
        const int r = ::close(fd);
        fd = -1;
        return r;
    }
};

// Pieces of a long copy: big enough that the kernel works undisturbed, small
// enough that the window is painted now and then while a huge file is copied.
constexpr size_t kPiece = 32u << 20;
constexpr size_t kBuffer = 1u << 20;

// Returns 0 or an errno value.
int copyContents(int in, int out, off_t size, const std::function<void()>& between)
{
    if (size > 0 && ::ioctl(out, FICLONE, in) == 0)
        return 0;
    off_t done = 0;
    bool kernelCopies = true;
    while (kernelCopies) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kPiece, 0);
        if (n > 0) {
            done += n;
            if (between)
                between();
            continue;
        }
        if (n == 0)
            return 0;
        if (errno == EINTR)
            continue;
        // Nothing copied yet and the kernel cannot do it for these two files: copy by hand.
        if (done == 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP))
            kernelCopies = false;
        else
            return errno;
    }
    std::vector<char> buffer(kBuffer);
    size_t sincePause = 0;
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n == 0)
            return 0;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        for (ssize_t written = 0; written < n;) {
            const ssize_t w = ::write(out, buffer.data() + written, static_cast<size_t>(n - written));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            written += w;
        }
        sincePause += static_cast<size_t>(n);
        if (sincePause >= kPiece && between) {
            sincePause = 0;
            between();
        }
    }
}

QString temporaryNameBeside(const QString& target)
{
    const QFileInfo info(target);
    return info.dir().filePath(QStringLiteral(".%1.%2.part")
                                   .arg(info.fileName())
                                   .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
}

} // namespace

void copyFile(const QString& source, const QString& target, const std::function<void()>& between)
{
    const QByteArray src = QFile::encodeName(source);
    // Non-blocking, so a named pipe cannot hang the open; only regular files are copied.
    Fd in(::open(src.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (in.fd < 0)
        throw errorFor(errno, source);
    struct stat st {};
    if (::fstat(in.fd, &st) != 0)
        throw errorFor(errno, source);
    if (!S_ISREG(st.st_mode))
        throw Error(errc::General, QStringLiteral("不是普通文件: %1").arg(source));
    ::fcntl(in.fd, F_SETFL, 0);
    const mode_t mode = st.st_mode & 0777;

    // A new name gets the bytes directly; an existing one is replaced by a finished copy.
    const bool replacing = pathTaken(target);
    const QString written = replacing ? temporaryNameBeside(target) : target;
    const QByteArray dst = QFile::encodeName(written);
    Fd out(::open(dst.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (out.fd < 0)
        throw errorFor(errno, replacing ? QFileInfo(target).absolutePath() : target);

    int err = copyContents(in.fd, out.fd, st.st_size, between);
    if (out.release() != 0 && err == 0)
        err = errno;
    if (err == 0 && replacing && ::rename(dst.constData(), QFile::encodeName(target).constData()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(dst.constData());
        throw errorFor(err, target);
    }
}

} // namespace platform
