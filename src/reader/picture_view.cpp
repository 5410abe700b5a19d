#include "reader/picture_view.h"

#include "platform/core/int16.h"

#include <cmath>

namespace reader {

namespace {
// A quotient whose divisor is zero fails; the caller keeps the old value.
std::optional<float> divide(float a, float b)
{
    if (b == 0.0f)
        return std::nullopt;
    return a / b;
}
}

ImageBoxState fitPicture(const ImageBoxState& image, const PaneSize& pane)
{
    ImageBoxState out = image;
    const float rW = divide(image.width, pane.width).value_or(0.0f);
    const float rH = divide(image.height, pane.height).value_or(0.0f);
    const float h0 = static_cast<float>(platform::toInt32(image.height).value_or(0));
    const float w0 = static_cast<float>(platform::toInt32(image.width).value_or(0));
    out.stretch = true;
    if (rW >= rH) {
        out.width = pane.width;
        if (auto k = divide(pane.width, w0))
            out.height = out.height * *k;
    } else {
        out.height = pane.height;
        if (auto k = divide(pane.height, h0))
            out.width = out.width * *k;
    }
    return out;
}

namespace {
// One direction: centred (in the inner size) when it fits the outer size, else at
// offset 0 with a scroll range of the overhang.
void placeAxis(float size, float outer, float inner, float& offset, ScrollPlan& bar)
{
    if (size <= outer) {
        bar.visible = false;
        offset = (inner - size) / 2;
    } else {
        bar.visible = true;
        offset = 0;
        if (auto v = platform::toInt16(size - inner))
            bar.max = *v;
    }
}
}

Placement placePicture(const ImageBoxState& image, const PaneSize& pane)
{
    Placement p;
    p.image = image;
    placeAxis(image.height, pane.height, pane.scaleHeight, p.image.top, p.vertical);
    placeAxis(image.width, pane.width, pane.scaleWidth, p.image.left, p.horizontal);
    return p;
}

ImageBoxState zoomPicture(const ImageBoxState& image, float factor)
{
    ImageBoxState out = image;
    out.stretch = true;
    out.width = image.width * factor;
    out.height = image.height * factor;
    return out;
}

} // namespace reader
