#include "platform/text/file_errors.h"

#include <QDir>
#include <QFileInfo>

namespace platform {

Error fileOpenError(const QString& path, bool forWriting)
{
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    if (!folder.exists() || !folder.isDir())
        return Error::about(errc::PathNotFound, path);
    if (!info.exists() && !forWriting)
        return Error::about(errc::FileNotFound, path);
    return Error::about(errc::PermissionDenied, path);
}

} // namespace platform
