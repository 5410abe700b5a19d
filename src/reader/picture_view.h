#pragma once
// Fitting, placing and zooming the page picture inside its pane, in twips.
// The zoom level is not stored anywhere: it is the picture's current size.
#include <optional>

namespace reader {

struct PaneSize {
    float width = 0, height = 0;            // outer size, border included
    float scaleWidth = 0, scaleHeight = 0;  // inner size
};

struct ImageBoxState {
    float left = 0, top = 0, width = 0, height = 0;
    bool stretch = false;
};

// Scales the picture to fit the pane's outer size keeping its aspect ratio,
// enlarging small pictures as well as shrinking large ones. Equal proportions
// take the width branch. A zero-sized pane or picture leaves that size as it was.
ImageBoxState fitPicture(const ImageBoxState& image, const PaneSize& pane);

struct ScrollPlan {
    bool visible = false;
    std::optional<int> max;  // nothing: the overhang does not fit 16 bits, Max stays as it was
};

struct Placement {
    ImageBoxState image;
    ScrollPlan vertical;
    ScrollPlan horizontal;
};

// Centres the picture in each direction it fits (compared with the outer size,
// centred in the inner size), or puts it at offset 0 with a scroll range of the overhang.
Placement placePicture(const ImageBoxState& image, const PaneSize& pane);

// One zoom step (1.2 in, 0.8 out), keeping the top-left corner; no limits.
ImageBoxState zoomPicture(const ImageBoxState& image, float factor);

constexpr float kZoomIn = 1.2f;
constexpr float kZoomOut = 0.8f;

} // namespace reader
