#pragma once
// Program-wide services: ending the program at once, units, the screen,
// and the Chinese environment (fonts and standard dialog texts).
#include <QSizeF>
#include <QString>
#include <functional>

class QApplication;

namespace platform {

// Ends the program at once: no questions, no unloading, nothing saved.
void endProgram();

// While alive, endProgram() only counts instead of ending the process.
class ExitInterceptor {
public:
    ExitInterceptor();
    ~ExitInterceptor();
    ExitInterceptor(const ExitInterceptor&) = delete;
    ExitInterceptor& operator=(const ExitInterceptor&) = delete;
    int count() const { return count_; }

private:
    friend void endProgram();
    int count_ = 0;
    ExitInterceptor* previous_;
};

// 1440 twips to the inch, at the screen's logical dpi (96 gives 15 twips a pixel).
constexpr double kTwipsPerInch = 1440.0;
double twipsPerPixel();
int twipsToPixels(double twips);
double pixelsToTwips(double pixels);

// The whole screen (not the work area), in twips.
QSizeF screenSizeTwips();
// Tests pretend a screen of a given size; an empty size restores the real one.
void setScreenSizeOverride(const QSizeF& twips);

// Our helper programs lie beside the program. Tests and benchmarks run from
// elsewhere and name the build's folder instead.
QString helperProgramPath(const QString& name);
void setHelperProgramFolder(const QString& folder);

// The desktop the windows were written for: Chinese standard-dialog texts, font
// substitutes for the fonts the windows ask for, Enter pressing the focused
// push button in every window, as Space does, and names and window roles for
// screen readers (accessibility.h).
void setUpChineseEnvironment(QApplication& app);

} // namespace platform
