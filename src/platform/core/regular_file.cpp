#include "platform/core/regular_file.h"
#include "platform/core/unique_fd.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

RegularFileRead readRegularFile(const QString& path, qint64 maxBytes)
{
    RegularFileRead result;
    if (path.isEmpty()) {
        result.error = ENOENT;
        return result;
    }
    // O_NONBLOCK: opening a named pipe with no writer returns at once instead
    // of waiting for one; the descriptor is refused below anyway.
    const UniqueFd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        result.error = errno;
        return result;
    }
    // The descriptor, not the name, is checked: the name may change meanwhile.
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        result.status = RegularFileRead::ReadFailed;
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.status = RegularFileRead::NotRegularFile;
        return result;
    }
    if (info.st_size > maxBytes) {
        result.status = RegularFileRead::TooLarge;
        return result;
    }
    // The file may grow while it is read: read at most one byte past the limit.
    QByteArray bytes(qsizetype(info.st_size) + 1, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        if (total == bytes.size()) {
            if (total > maxBytes) {
                result.status = RegularFileRead::TooLarge;
                return result;
            }
            bytes.resize(qsizetype(std::min<qint64>(maxBytes + 1, std::max<qint64>(total * 2, 4096))));
        }
        const ssize_t n = ::read(fd.get(), bytes.data() + total, size_t(bytes.size() - total));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result.status = RegularFileRead::ReadFailed;
            return result;
        }
        if (n == 0)
            break;
        total += n;
    }
    if (total > maxBytes) {
        result.status = RegularFileRead::TooLarge;
        return result;
    }
    bytes.truncate(qsizetype(total));
    result.status = RegularFileRead::Read;
    result.bytes = std::move(bytes);
    return result;
}

} // namespace platform
