#pragma once
// Failures of platform operations carry a number and the platform's own
// description, the way the windows report them (status panel, message boxes).
#include <QString>
#include <functional>
#include <initializer_list>
#include <optional>
#include <stdexcept>

namespace platform {

class Error : public std::runtime_error {
public:
    Error(int number, const QString& description);
    // The number with its own description (errc::description).
    explicit Error(int number);
    // The number's own description, then what it is about: "文件未找到: a.rtf".
    static Error about(int number, const QString& subject);
    int number() const { return number_; }
    QString description() const { return description_; }

private:
    int number_;
    QString description_;
};

// Numbers used by our own layer, chosen to match what the windows expect to see.
namespace errc {
constexpr int InvalidArgument = 5;
constexpr int Overflow = 6;
constexpr int SubscriptOutOfRange = 9;
constexpr int TypeMismatch = 13;
constexpr int FileNotFound = 53;
constexpr int DiskFull = 61;
constexpr int DeviceUnavailable = 68;
constexpr int PermissionDenied = 70;
constexpr int PathNotFound = 76;
constexpr int ObjectNotSet = 91;
constexpr int InvalidPropertyValue = 380;
constexpr int InvalidPicture = 481;
constexpr int PrinterError = 482;     // a printer that cannot take the page
constexpr int Cancelled = 32755;      // a dialog the user cancelled
constexpr int IndexOutOfBounds = 35600; // as the list control reports it
constexpr int General = 1000;

// The description the windows show for the number; empty for the numbers
// whose text always says more than the number (InvalidArgument, General, ...).
QString description(int number);
}

using Step = std::function<void()>;

// Runs every step in order; a step that throws is skipped and the next one runs.
// Returns how many steps failed.
int runSteps(std::initializer_list<Step> steps);

// Runs the steps in order and stops at the first one that throws; the error is
// returned so the caller can report it. Steps already done stay done.
std::optional<Error> runUntilFailure(std::initializer_list<Step> steps);

// Runs one step; a failure is swallowed. Returns whether it succeeded.
bool tryStep(const Step& step);

} // namespace platform
