#include "reader/layout.h"

#include <gtest/gtest.h>

using namespace reader;

namespace {
// The window the layout figures are usually checked on: 15260 x 11020 outer,
// client 10290 high below the menu bar, status bar 420.
FormMetrics bigWindow() { return {15260, 11020, 10290, 420}; }
}

TEST(Layout, ModeIsReadBackFromVisibility)
{
    EXPECT_EQ(modeFromVisibility(true, true), LayoutMode::Standard);
    EXPECT_EQ(modeFromVisibility(true, false), LayoutMode::TextMaximum);
    EXPECT_EQ(modeFromVisibility(false, true), LayoutMode::PictureFullScreen);
    EXPECT_EQ(modeFromVisibility(false, false), LayoutMode::PictureFullScreen);
}

TEST(Layout, StandardLayoutOfTheBigWindow)
{
    const WindowGeometry g = planResize(designGeometry(), bigWindow(), LayoutMode::Standard);
    EXPECT_FLOAT_EQ(g.panel.left, 50);
    EXPECT_FLOAT_EQ(g.panel.top, 50);
    EXPECT_FLOAT_EQ(g.panel.height, 9786);
    EXPECT_FLOAT_EQ(g.panel.width, 2400);
    EXPECT_FLOAT_EQ(g.list.top, 200);
    EXPECT_NEAR(g.list.height, 5209.5, 0.1);
    EXPECT_FLOAT_EQ(g.list.width, 2265);
    EXPECT_FLOAT_EQ(g.picture.left, 2500);
    EXPECT_FLOAT_EQ(g.picture.top, 50);
    EXPECT_FLOAT_EQ(g.picture.width, 12260);
    EXPECT_NEAR(g.picture.height, 5109.5, 0.1);
    EXPECT_FLOAT_EQ(g.text.left, 2500);
    EXPECT_NEAR(g.text.top, 5509.5, 0.1);
    EXPECT_FLOAT_EQ(g.text.width, 12560);
    EXPECT_NEAR(g.text.height, 3551.4, 0.1);
    EXPECT_NEAR(g.hscroll.top, 5139.5, 0.1);
    EXPECT_FLOAT_EQ(g.hscroll.left, 2500);
    EXPECT_FLOAT_EQ(g.hscroll.width, 12210);
    EXPECT_FLOAT_EQ(g.hscroll.height, 315);
    EXPECT_FLOAT_EQ(g.vscroll.left, 14710);
    EXPECT_FLOAT_EQ(g.vscroll.top, 50);
    EXPECT_NEAR(g.vscroll.height, 5109.5, 0.1);
    EXPECT_FLOAT_EQ(g.vscroll.width, 315);
    EXPECT_NEAR(g.buttonFrame.top, 5409.5, 0.1);
}

TEST(Layout, TextMaximumFillsTheRightOfThePanel)
{
    const WindowGeometry g = planResize(designGeometry(), bigWindow(), LayoutMode::TextMaximum);
    EXPECT_FLOAT_EQ(g.text.left, 2500);
    EXPECT_FLOAT_EQ(g.text.top, 50);
    EXPECT_FLOAT_EQ(g.text.width, 12356);
    EXPECT_FLOAT_EQ(g.text.height, 9786);
    // The hidden picture pane keeps its place; the scroll bars still follow it.
    EXPECT_FLOAT_EQ(g.picture.width, designGeometry().picture.width);
    EXPECT_FLOAT_EQ(g.hscroll.top, designGeometry().picture.height + 30);
}

TEST(Layout, PictureFullScreenFromResizeAndFromTheCommandAgree)
{
    const WindowGeometry viaResize = planResize(designGeometry(), bigWindow(), LayoutMode::PictureFullScreen);
    const WindowGeometry start = planResize(designGeometry(), bigWindow(), LayoutMode::Standard);
    const WindowGeometry viaCommand = planPictureFullScreen(start, bigWindow());
    for (const WindowGeometry& g : {viaResize, viaCommand}) {
        EXPECT_FLOAT_EQ(g.picture.left, 50);
        EXPECT_FLOAT_EQ(g.picture.top, 50);
        EXPECT_FLOAT_EQ(g.picture.width, 14660);
        EXPECT_FLOAT_EQ(g.picture.height, 9790);
        EXPECT_FLOAT_EQ(g.hscroll.top, 9820);
        EXPECT_FLOAT_EQ(g.hscroll.width, 14610);
        EXPECT_FLOAT_EQ(g.vscroll.left, 14710);
        EXPECT_FLOAT_EQ(g.vscroll.height, 9790);
    }
    // The vertical bar stays inside the window.
    EXPECT_LT(viaCommand.vscroll.left + viaCommand.vscroll.width, 15260);
}

TEST(Layout, TextLargeCommandKeepsTheStandardWidth)
{
    const WindowGeometry standard = planResize(designGeometry(), bigWindow(), LayoutMode::Standard);
    const WindowGeometry g = planTextLarge(standard);
    EXPECT_FLOAT_EQ(g.text.top, 50);
    EXPECT_FLOAT_EQ(g.text.left, 2500);
    EXPECT_FLOAT_EQ(g.text.height, 9786);
    EXPECT_FLOAT_EQ(g.text.width, 12560);  // picture width + 300, until the next resize
}

TEST(Layout, RefusedSizesLeaveControlsAsTheyWere)
{
    // A minimised or tiny window: every size that would be negative is skipped,
    // positions and the sizes that are still valid are applied.
    const WindowGeometry before = planResize(designGeometry(), bigWindow(), LayoutMode::Standard);
    const FormMetrics tiny{400, 300, 0, 420};
    const WindowGeometry g = planResize(before, tiny, LayoutMode::Standard);
    EXPECT_FLOAT_EQ(g.panel.height, before.panel.height);   // 0 - 504 refused
    EXPECT_FLOAT_EQ(g.picture.width, before.picture.width); // 400 - 2400 - 600 refused
    EXPECT_FLOAT_EQ(g.text.height, before.text.height);     // 110.4 - 504 refused
    EXPECT_NEAR(g.list.height, 300 * 2.6 / 5.5, 0.01);      // still valid
    EXPECT_NEAR(g.picture.height, 300 * 2.6 / 5.5 - 100, 0.01);
    EXPECT_FLOAT_EQ(g.panel.left, 50);

    // Restoring lays everything out again.
    const WindowGeometry restored = planResize(g, bigWindow(), LayoutMode::Standard);
    EXPECT_FLOAT_EQ(restored.picture.width, 12260);
    EXPECT_FLOAT_EQ(restored.panel.height, 9786);
}

TEST(Layout, TitleEditionListHeightFactor)
{
    LayoutOptions title;
    title.listHeightDenominator = 5.0f;
    const WindowGeometry g = planResize(designGeometry(), bigWindow(), LayoutMode::Standard, title);
    EXPECT_NEAR(g.list.height, 11020 * 2.6 / 5, 0.1);
}
