#include "platform/files/file_ops.h"

#include "platform/core/error.h"
#include "platform/core/file_write.h"
#include "platform/core/unique_fd.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

bool sameContents(const QString& a, const QString& b)
{
    QFile fa(a), fb(b);
    if (!QFileInfo(a).isFile() || !QFileInfo(b).isFile() || fa.size() != fb.size() ||
        !fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    constexpr qint64 kChunk = 1 << 20;
    while (!fa.atEnd()) {
        const QByteArray x = fa.read(kChunk);
        if (x.isEmpty() || x != fb.read(kChunk))
            return false;
    }
    return fb.atEnd();
}

namespace {

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

} // namespace

void copyFile(const QString& source, const QString& target, const std::function<void()>& between)
{
    const QByteArray src = QFile::encodeName(source);
    // Non-blocking, so a named pipe cannot hang the open; only regular files are copied.
    const UniqueFd opened(::open(src.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    const int in = opened.get();
    if (in < 0)
        throw fileSystemError(errno, source);
    struct stat st {};
    if (::fstat(in, &st) != 0)
        throw fileSystemError(errno, source);
    if (!S_ISREG(st.st_mode))
        throw Error(errc::General, QStringLiteral("不是普通文件: %1").arg(source));
    ::fcntl(in, F_SETFL, 0);

    // Also a new name gets its bytes under a temporary one: a copy cut short
    // never stands under the real name.
    ReplacingFile out(target, st.st_mode & 0777);
    if (const int err = copyContents(in, out.fd(), st.st_size, between))
        out.fail(err);
    // Like cp: the pages are left to the kernel to write back; the rename only
    // follows a copy that every write call accepted.
    out.commit(false);
}

} // namespace platform
