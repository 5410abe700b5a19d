#pragma once
// Windows drawn as data: each control's name, caption, tooltip, place in twips
// and font, given to the controls by one loop. And what the windows share
// besides: colours written &H00BBGGRR, centring on the screen, Esc as the
// cancel key.
#include <QColor>
#include <QRect>
#include <QSizeF>
#include <QString>
#include <optional>
#include <vector>

class QAbstractButton;
class QFont;
class QWidget;

namespace platform {

// A place and size in twips, relative to the control's container.
struct TwipsBox {
    double left = 0, top = 0, width = 0, height = 0;
};

// The box in pixels, each figure rounded on its own as the windows always have.
QRect toPixels(const TwipsBox& box);
void place(QWidget* control, const TwipsBox& box);

// No family: the control keeps its window's font.
struct FontDesign {
    const char16_t* family = nullptr;
    double points = 0;
    bool bold = false;
};
QFont toFont(const FontDesign& font);

struct ControlDesign {
    const char* name;        // the control's object name, its name in the window's design
    const char16_t* caption; // buttons, labels, frames; empty: none given here
    const char16_t* tooltip; // empty: none
    // A width or height of 0 leaves that side at the control's own size (its size hint).
    TwipsBox box;
    FontDesign font;
};
using FormDesign = std::vector<ControlDesign>;

// The loop every window's design goes through: each control, found by its
// object name among the window's children, gets its caption, tooltip, place and font.
void applyDesign(QWidget* window, const FormDesign& design);

// Names a control as its window's design names it.
template <class T>
T* named(T* control, const QString& name)
{
    control->setObjectName(name);
    return control;
}

// A colour written &H00BBGGRR.
QColor fromBgr(quint32 bgr);

// Which top-left corner the screen's twips count from.
enum class ScreenCorner { Desktop, PrimaryScreen };
// Moves the window so that its outer size, in twips, stands in the middle of the
// screen (screenSizeTwips()); without a size, the window's frame as known now.
void centreOnScreen(QWidget* window, ScreenCorner corner, std::optional<QSizeF> outerTwips = std::nullopt);

// Esc is the window's cancel key: it presses the cancel button while that can
// be pressed; with no cancel button it closes the window.
void cancelOnEscape(QWidget* window, QAbstractButton* cancel = nullptr,
                    Qt::ShortcutContext context = Qt::WindowShortcut);

} // namespace platform
