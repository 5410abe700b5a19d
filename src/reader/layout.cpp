#include "reader/layout.h"

namespace reader {

namespace {
// Sizes below zero are refused by the controls; positions may be anything.
void setSize(float& field, float value)
{
    if (value >= 0)
        field = value;
}

void placeScrollBars(WindowGeometry& g, bool fullScreen)
{
    g.hscroll.top = g.picture.height + 30;
    g.hscroll.left = g.picture.left;
    setSize(g.hscroll.width, g.picture.width - 50);
    g.vscroll.top = g.picture.top;
    setSize(g.vscroll.height, g.picture.height);
    g.vscroll.left = fullScreen ? g.picture.width + 50 : g.picture.width + g.panel.width + 50;
}
}

LayoutMode modeFromVisibility(bool panelVisible, bool picturePaneVisible)
{
    if (!panelVisible)
        return LayoutMode::PictureFullScreen;
    return picturePaneVisible ? LayoutMode::Standard : LayoutMode::TextMaximum;
}

WindowGeometry designGeometry()
{
    WindowGeometry g;
    g.panel = {120, 240, 2400, 6300};
    g.list = {75, 225, 2265, 3015};
    g.buttonFrame = {252, 3528, 1935, 2592};
    g.picture = {2745, 240, 5310, 2085};
    g.text = {3300, 4200, 4512, 2292};
    g.hscroll = {3525, 3975, 2280, 315};
    g.vscroll = {6000, 2850, 315, 1410};
    return g;
}

WindowGeometry planResize(const WindowGeometry& current, const FormMetrics& m, LayoutMode mode,
                          const LayoutOptions& options)
{
    WindowGeometry g = current;
    g.panel.left = 50;
    g.panel.top = 50;
    setSize(g.panel.height, m.scaleHeight - 1.2f * m.statusHeight);

    g.list.top = g.panel.top + 150;
    setSize(g.list.height, m.height * options.listHeightNumerator / options.listHeightDenominator);

    switch (mode) {
    case LayoutMode::Standard:
        g.picture.left = g.panel.width + 100;
        g.picture.top = 50;
        setSize(g.picture.width, m.width - g.panel.width - 600);
        setSize(g.picture.height, g.list.height - 100);
        g.text.left = g.picture.left;
        g.text.top = g.list.height + 300;
        setSize(g.text.width, g.picture.width + 300);
        setSize(g.text.height, m.height * 1.84f / 5 - 1.2f * m.statusHeight);
        break;
    case LayoutMode::TextMaximum:
        g.text.top = 50;
        g.text.left = g.panel.width + 100;
        setSize(g.text.height, g.panel.height);
        setSize(g.text.width, m.width - g.panel.width - 1.2f * m.statusHeight);
        break;
    case LayoutMode::PictureFullScreen:
        g.picture.top = g.panel.top;
        g.picture.left = g.panel.left;
        setSize(g.picture.width, m.width - 600);
        setSize(g.picture.height, m.scaleHeight - 500);
        break;
    }

    placeScrollBars(g, mode == LayoutMode::PictureFullScreen);
    g.buttonFrame.top = g.list.height + 200;
    return g;
}

WindowGeometry planPictureFullScreen(const WindowGeometry& current, const FormMetrics& m)
{
    WindowGeometry g = current;
    g.picture.top = g.panel.top;
    g.picture.left = g.panel.left;
    setSize(g.picture.width, m.width - 600);
    setSize(g.picture.height, m.scaleHeight - 500);
    placeScrollBars(g, true);
    return g;
}

WindowGeometry planTextLarge(const WindowGeometry& current)
{
    WindowGeometry g = current;
    g.text.top = 50;
    g.text.left = g.panel.width + 100;
    setSize(g.text.height, g.panel.height);
    return g;
}

} // namespace reader
