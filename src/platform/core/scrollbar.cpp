#include "platform/core/scrollbar.h"

#include "platform/core/error.h"
#include "platform/core/int16.h"

#include <QKeyEvent>

namespace platform {

ScrollBar::ScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent)
{
    setRange(0, 32767);
    setSingleStep(1);
    setPageStep(1);
    // Without tracking, a drag reports its value once, on release; the drag
    // steps themselves come through sliderMoved.
    setTracking(false);
    // Like every other control, a scroll bar is reached with Tab and moved with the keys.
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QScrollBar::valueChanged, this, [this](int) { emit change(); });
    connect(this, &QScrollBar::sliderMoved, this, [this](int) { emit scroll(); });
}

void ScrollBar::setValueChecked(int v)
{
    // Beyond 16 bits is an overflow, whatever the range.
    int16OrOverflow(v);
    if (v < minimum() || v > maximum())
        throw Error(errc::InvalidPropertyValue);
    // During a drag the thumb is away from the value, and QAbstractSlider::setValue
    // would then report a change (and a scroll) although the value stays.
    if (v == value())
        return;
    setValue(v);
}

void ScrollBar::setMin(int v) { setMinimum(int16OrOverflow(v)); }

void ScrollBar::setMax(int v) { setMaximum(int16OrOverflow(v)); }

void ScrollBar::keyPressEvent(QKeyEvent* event)
{
    // QScrollBar inverts its controls so that Up/PageUp lower the value, and on
    // a horizontal bar that turns Left/Right round as well: Right must raise it.
    if (orientation() == Qt::Horizontal && (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
        const bool towardsMax = (event->key() == Qt::Key_Right) != isRightToLeft();
        triggerAction(towardsMax ? SliderSingleStepAdd : SliderSingleStepSub);
        event->accept();
        return;
    }
    QScrollBar::keyPressEvent(event);
}

} // namespace platform
