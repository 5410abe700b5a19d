#include "reader/picture_view.h"

#include "reader/vbmath.h"

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
    const float h0 = static_cast<float>(toInt32(image.height).value_or(0));
    const float w0 = static_cast<float>(toInt32(image.width).value_or(0));
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

Placement placePicture(const ImageBoxState& image, const PaneSize& pane)
{
    Placement p;
    p.image = image;
    if (image.height <= pane.height) {
        p.vertical.visible = false;
        p.image.top = (pane.scaleHeight - image.height) / 2;
    } else {
        p.vertical.visible = true;
        p.image.top = 0;
        if (auto v = toInt16(image.height - pane.scaleHeight))
            p.vertical.max = *v;
    }
    if (image.width <= pane.width) {
        p.horizontal.visible = false;
        p.image.left = (pane.scaleWidth - image.width) / 2;
    } else {
        p.horizontal.visible = true;
        p.image.left = 0;
        if (auto v = toInt16(image.width - pane.scaleWidth))
            p.horizontal.max = *v;
    }
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
