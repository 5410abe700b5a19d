#include "platform/core/error.h"

namespace platform {

Error::Error(int number, const QString& description)
    : std::runtime_error(description.toStdString()), number_(number), description_(description)
{
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
