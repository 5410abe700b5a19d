#include "platform/core/file_write.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

Error fileSystemError(int err, const QString& path)
{
    switch (err) {
    case ENOENT: return Error::about(errc::FileNotFound, path);
    case ENOTDIR: return Error::about(errc::PathNotFound, path);
    case EACCES:
    case EPERM:
    case EROFS: return Error::about(errc::PermissionDenied, path);
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return Error::about(errc::DiskFull, path);
    default: return Error(errc::General, QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(err))));
    }
}

namespace {

// Room for the dot, the tag and ".part" within the 255 bytes a name may have.
constexpr int kMaxNameBytes = 200;

QString temporaryName(const QString& fileName)
{
    QString name = fileName;
    while (QFile::encodeName(name).size() > kMaxNameBytes)
        name.chop(name.size() > 1 && name.at(name.size() - 1).isLowSurrogate() ? 2 : 1);
    return QStringLiteral(".%1.%2.part").arg(name).arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

} // namespace

ReplacingFile::ReplacingFile(const QString& target, mode_t mode) : target_(target)
{
    const QFileInfo info(target);
    struct stat existing {};
    const bool keepMode = ::lstat(QFile::encodeName(target).constData(), &existing) == 0 && S_ISREG(existing.st_mode);
    for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
        temporary_ = info.dir().filePath(temporaryName(info.fileName()));
        // O_EXCL and O_NOFOLLOW: the temporary name is ours alone, whatever stands in the folder.
        fd_ = ::open(QFile::encodeName(temporary_).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                     keepMode ? 0600 : mode);
        if (fd_ < 0 && errno != EEXIST)
            break;
    }
    if (fd_ < 0) {
        // The temporary file is new: a name that is not there is the folder.
        const int err = errno == ENOENT ? ENOTDIR : errno;
        throw fileSystemError(err, QFileInfo(target).absolutePath());
    }
    if (keepMode)
        ::fchmod(fd_, existing.st_mode & 07777);
}

ReplacingFile::~ReplacingFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!committed_)
        ::unlink(QFile::encodeName(temporary_).constData());
}

void ReplacingFile::write(const char* data, qint64 size)
{
    for (qint64 done = 0; done < size;) {
        const ssize_t n = ::write(fd_, data + done, static_cast<size_t>(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            fail(n < 0 ? errno : ENOSPC);
            throw fileSystemError(error_, target_);
        }
        done += n;
    }
}

void ReplacingFile::fail(int err)
{
    if (error_ == 0)
        error_ = err;
}

void ReplacingFile::commit(bool flushToDisk)
{
    if (error_ == 0 && flushToDisk && ::fdatasync(fd_) != 0 && errno != EINVAL)
        error_ = errno;
    // Network file systems report a failed write only here.
    if (::close(fd_) != 0 && error_ == 0)
        error_ = errno;
    fd_ = -1;
    if (error_ == 0 && ::rename(QFile::encodeName(temporary_).constData(), QFile::encodeName(target_).constData()) != 0)
        error_ = errno;
    if (error_ != 0)
        throw fileSystemError(error_, target_);
    committed_ = true;
}

void writeFileReplacing(const QString& path, const QByteArray& bytes)
{
    ReplacingFile file(path);
    file.write(bytes);
    file.commit();
}

bool isTemporaryName(const QString& fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^\\..+\\.[0-9a-f]{8}\\.part$"),
                                            QRegularExpression::DotMatchesEverythingOption);
    return pattern.match(fileName).hasMatch();
}

int removeTemporaryFiles(const QString& folder)
{
    int removed = 0;
    const QDir dir(folder);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : entries) {
        struct stat st {};
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        // Only plain files: a link or a folder of that name is not a leftover of ours.
        if (isTemporaryName(name) && ::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
            ::unlink(path.constData()) == 0)
            ++removed;
    }
    return removed;
}

} // namespace platform
