#include "platform/core/error.h"

namespace platform {

Error::Error(int number, const QString& description)
    : std::runtime_error(description.toStdString()), number_(number), description_(description)
{
}

Error::Error(int number) : Error(number, errc::description(number)) {}

Error Error::about(int number, const QString& subject)
{
    return Error(number, QStringLiteral("%1: %2").arg(errc::description(number), subject));
}

QString errc::description(int number)
{
    switch (number) {
    case Overflow: return QStringLiteral("溢出");
    case SubscriptOutOfRange: return QStringLiteral("下标越界");
    case TypeMismatch: return QStringLiteral("类型不匹配");
    case FileNotFound: return QStringLiteral("文件未找到");
    case DiskFull: return QStringLiteral("磁盘已满");
    case PermissionDenied: return QStringLiteral("拒绝的权限");
    case PathNotFound: return QStringLiteral("路径未找到");
    case ObjectNotSet: return QStringLiteral("对象变量未设置");
    case InvalidPropertyValue: return QStringLiteral("无效的属性值");
    case InvalidPicture: return QStringLiteral("无效图片");
    case Cancelled: return QStringLiteral("用户取消了操作");
    case IndexOutOfBounds: return QStringLiteral("索引超出范围");
    default: return QString();
    }
}

namespace {
Error asError(const std::exception& e)
{
    if (auto* pe = dynamic_cast<const Error*>(&e))
        return *pe;
    return Error(errc::General, QString::fromLocal8Bit(e.what()));
}
}

bool tryStep(const Step& step)
{
    try {
        step();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

int runSteps(std::initializer_list<Step> steps)
{
    int failed = 0;
    for (const Step& s : steps)
        if (!tryStep(s))
            ++failed;
    return failed;
}

std::optional<Error> runUntilFailure(std::initializer_list<Step> steps)
{
    for (const Step& s : steps) {
        try {
            s();
        } catch (const std::exception& e) {
            return asError(e);
        }
    }
    return std::nullopt;
}

} // namespace platform
