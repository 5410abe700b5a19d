#include "reader/picture_view.h"

#include "platform/core/int16.h"

#include <gtest/gtest.h>

using namespace reader;

namespace {
// The pane of the big window's standard layout, with a 30-twip border all round.
PaneSize pane(float w = 12260, float h = 5110) { return {w, h, w - 60, h - 60}; }
ImageBoxState natural(float w, float h) { return {0, 0, w, h, false}; }
}

TEST(FitPicture, WidePictureInAWiderPaneTakesTheHeightBranch)
{
    const ImageBoxState fit = fitPicture(natural(6000, 3000), pane());
    EXPECT_TRUE(fit.stretch);
    EXPECT_FLOAT_EQ(fit.height, 5110);
    EXPECT_FLOAT_EQ(fit.width, 10220);
    const Placement p = placePicture(fit, pane());
    EXPECT_FALSE(p.vertical.visible);
    EXPECT_FALSE(p.horizontal.visible);
    EXPECT_FLOAT_EQ(p.image.left, (12200 - 10220) / 2.0f);  // centred in the inner width
    EXPECT_FLOAT_EQ(p.image.top, (5050 - 5110) / 2.0f);     // between inner and outer: small negative offset
}

TEST(FitPicture, TallPicture)
{
    const ImageBoxState fit = fitPicture(natural(3000, 6000), pane());
    EXPECT_FLOAT_EQ(fit.height, 5110);
    EXPECT_FLOAT_EQ(fit.width, 2555);
}

TEST(FitPicture, EqualProportionsTakeTheWidthBranchAndFillThePane)
{
    const ImageBoxState fit = fitPicture(natural(1226, 511), pane());
    EXPECT_FLOAT_EQ(fit.width, 12260);
    EXPECT_NEAR(fit.height, 5110, 0.01);
}

TEST(FitPicture, SmallPicturesAreEnlargedAndRefittingIgnoresZoom)
{
    const ImageBoxState fit = fitPicture(natural(300, 100), pane());
    EXPECT_FLOAT_EQ(fit.width, 12260);
    EXPECT_NEAR(fit.height, 12260 / 3.0, 0.5);
    const ImageBoxState zoomed = zoomPicture(zoomPicture(fit, kZoomIn), kZoomIn);
    const ImageBoxState again = fitPicture(zoomed, pane());
    EXPECT_NEAR(again.width, fit.width, 1);
    EXPECT_NEAR(again.height, fit.height, 1);
}

TEST(FitPicture, ZeroSizesLeaveTheAffectedSizeUnchanged)
{
    // No picture: the width branch sets the width, the height's division by zero fails.
    const ImageBoxState empty = fitPicture(natural(0, 0), pane());
    EXPECT_FLOAT_EQ(empty.width, 12260);
    EXPECT_FLOAT_EQ(empty.height, 0);
    // A zero-width picture in a real pane: the height branch, then the width stays 0.
    const ImageBoxState line = fitPicture(natural(0, 300), pane());
    EXPECT_FLOAT_EQ(line.height, 5110);
    EXPECT_FLOAT_EQ(line.width, 0);
}

TEST(PlacePicture, TwoZoomStepsOverflowWithTheOverhangAsRange)
{
    ImageBoxState img = fitPicture(natural(6000, 3000), pane());
    img = placePicture(img, pane()).image;
    img = zoomPicture(img, kZoomIn);
    img = zoomPicture(img, kZoomIn);
    EXPECT_NEAR(img.width, 10220 * 1.44, 0.1);
    const Placement p = placePicture(img, pane());
    EXPECT_TRUE(p.vertical.visible);
    EXPECT_TRUE(p.horizontal.visible);
    EXPECT_FLOAT_EQ(p.image.top, 0);
    EXPECT_FLOAT_EQ(p.image.left, 0);
    ASSERT_TRUE(p.vertical.max.has_value());
    EXPECT_EQ(*p.vertical.max, static_cast<int>(platform::roundHalfEven(img.height - 5050)));
    ASSERT_TRUE(p.horizontal.max.has_value());
    EXPECT_EQ(*p.horizontal.max, static_cast<int>(platform::roundHalfEven(img.width - 12200)));
    // Scrolled to the end, the far edge of the picture meets the inner edge of the pane.
    EXPECT_NEAR(-*p.horizontal.max + img.width, 12200, 0.5);
}

TEST(PlacePicture, ZoomingOutUntilItFitsHidesTheBarsAndCentres)
{
    ImageBoxState img = zoomPicture(zoomPicture(fitPicture(natural(6000, 3000), pane()), kZoomIn), kZoomIn);
    img = placePicture(img, pane()).image;
    for (int i = 0; i < 3; ++i)
        img = placePicture(zoomPicture(img, kZoomOut), pane()).image;
    const Placement p = placePicture(img, pane());
    EXPECT_FALSE(p.vertical.visible);
    EXPECT_FALSE(p.horizontal.visible);
    EXPECT_NEAR(p.image.left, (12200 - img.width) / 2, 0.01);
    EXPECT_NEAR(p.image.top, (5050 - img.height) / 2, 0.01);
}

TEST(PlacePicture, OverhangBeyondSixteenBitsLeavesTheRangeUnset)
{
    const Placement p = placePicture(natural(60000, 100), pane());
    EXPECT_TRUE(p.horizontal.visible);
    EXPECT_FALSE(p.horizontal.max.has_value());
    EXPECT_FLOAT_EQ(p.image.left, 0);
}

TEST(Zoom, InThenOutLeavesNinetySixPercentWithNoLimits)
{
    const ImageBoxState img{10, 20, 1000, 500, true};
    const ImageBoxState back = zoomPicture(zoomPicture(img, kZoomIn), kZoomOut);
    EXPECT_NEAR(back.width, 960, 0.01);
    EXPECT_NEAR(back.height, 480, 0.01);
    EXPECT_FLOAT_EQ(back.left, 10);  // the top-left corner stays
    ImageBoxState tiny = img;
    for (int i = 0; i < 60; ++i)
        tiny = zoomPicture(tiny, kZoomOut);
    EXPECT_GT(tiny.width, 0);
    EXPECT_LT(tiny.width, 1);
}
