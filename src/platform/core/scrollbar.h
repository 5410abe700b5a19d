#pragma once
// A scroll bar with the change/scroll events the windows rely on:
//  - change: the program set a new value, an arrow or the track was clicked,
//    a dragged thumb was released, or a range change moved the value;
//  - scroll: repeatedly while the thumb is dragged.
// Setting the value it already has raises nothing. Values are 16-bit.
// It takes the focus by Tab and by click, and the arrow and page keys move it.
#include <QScrollBar>

namespace platform {

class ScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit ScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

    // While the thumb is dragged the value is where the thumb stands.
    int Value() const { return isSliderDown() ? sliderPosition() : value(); }
    // Out of range or beyond 16 bits throws platform::Error (invalid property value).
    void setValueChecked(int v);
    void setMin(int v);
    void setMax(int v);
    void setSmallChange(int v) { setSingleStep(v); }
    void setLargeChange(int v) { setPageStep(v); }
    int smallChange() const { return singleStep(); }
    int largeChange() const { return pageStep(); }

signals:
    void change();
    void scroll();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace platform
