#pragma once
// The reader window's geometry, in twips, as plain functions of the window's
// size and layout mode. Each placement is independent: one the window would
// refuse (a negative size) is left out and the control keeps what it had.
#include <optional>

namespace reader {

enum class LayoutMode { Standard, TextMaximum, PictureFullScreen };

// The mode is not stored: it is read back from which controls are visible.
LayoutMode modeFromVisibility(bool panelVisible, bool picturePaneVisible);

struct FormMetrics {
    float width = 0;        // outer width, frame included
    float height = 0;       // outer height, frame, caption and menu bar included
    float scaleHeight = 0;  // client height below the menu bar, status bar included
    float statusHeight = 0;
};

struct Box {
    float left = 0, top = 0, width = 0, height = 0;
};

// Everything the layout moves, in twips relative to its container.
struct WindowGeometry {
    Box panel;          // FraTxtCmd (window)
    Box list;           // listVW (panel)
    Box buttonFrame;    // FraCmdPic (panel)
    Box picture;        // PicPic (window)
    Box text;           // RTBoxShow(0) (window)
    Box hscroll;        // HScr (window)
    Box vscroll;        // VScr (window)
};

// The geometry the window is designed with, before any layout.
WindowGeometry designGeometry();

// The height factor of the catalogue list, per edition (2.6 / 5.5 in the general edition).
struct LayoutOptions {
    float listHeightNumerator = 2.6f;
    float listHeightDenominator = 5.5f;
};

// The placements of the resize handler for the given mode, applied to `current`.
WindowGeometry planResize(const WindowGeometry& current, const FormMetrics& m, LayoutMode mode,
                          const LayoutOptions& options = LayoutOptions());

// The placements of the full-screen command (the picture pane and the two scroll bars).
WindowGeometry planPictureFullScreen(const WindowGeometry& current, const FormMetrics& m);

// Text box placement of the text-maximum command, after the standard layout was applied.
WindowGeometry planTextLarge(const WindowGeometry& current);

} // namespace reader
