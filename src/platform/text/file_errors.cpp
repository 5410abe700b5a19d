#include "platform/text/file_errors.h"

#include <QDir>
#include <QFileInfo>

namespace platform {

Error fileOpenError(const QString& path, bool forWriting)
{
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    if (!folder.exists() || !folder.isDir())
        return Error(errc::PathNotFound, QStringLiteral("路径未找到: %1").arg(path));
    if (!info.exists() && !forWriting)
        return Error(errc::FileNotFound, QStringLiteral("文件未找到: %1").arg(path));
    return Error(errc::PermissionDenied, QStringLiteral("拒绝的权限: %1").arg(path));
}

} // namespace platform
