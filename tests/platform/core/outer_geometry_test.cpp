// The outer size of a window whose frame is known only after the first show.
#include "platform/core/outer_geometry.h"
#include "support/test_support.h"

#include <QApplication>
#include <QExposeEvent>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

using namespace platform;

TEST(OuterGeometry, CorrectionOnceTheFrameIsKnown)
{
    const QRect screen(0, 0, 1024, 768);
    const QMargins none, openbox(1, 20, 1, 5), thicker(4, 30, 4, 4);
    struct Case {
        const char* name;
        OuterRequest request;
        QSize client;
        QMargins frame;
        std::optional<QSize> wantClient;  // empty: nothing to correct
        std::optional<QPoint> wantPosition;
    };
    const Case cases[] = {
        {"frame as assumed", {1017, 735, screen, none, {1017, 735}}, {1017, 735}, none, {}, {}},
        {"frame appears, centred", {1017, 735, screen, none, {1017, 735}}, {1017, 735}, openbox, QSize(1015, 710),
         QPoint(4, 17)},
        {"frame changes again", {1017, 735, screen, openbox, {1015, 710}}, {1015, 710}, thicker, QSize(1009, 701),
         QPoint(4, 17)},
        {"not centred stays put", {1017, 735, {}, none, {1017, 735}}, {1017, 735}, openbox, QSize(1015, 710), {}},
        {"only the height asked", {{}, 735, {}, none, {600, 735}}, {600, 735}, openbox, QSize(600, 710), {}},
        {"resized by the user since", {1017, 735, screen, none, {1017, 735}}, {800, 600}, openbox, {}, {}},
        {"nothing asked", {{}, {}, {}, none, {640, 480}}, {640, 480}, openbox, {}, {}},
        {"frame larger than the size asked", {10, 10, screen, none, {10, 10}}, {10, 10}, thicker, QSize(2, 1),
         QPoint(507, 367)},
        {"larger than the screen keeps the title bar on it", {1100, 800, screen, none, {1100, 800}}, {1100, 800},
         openbox, QSize(1098, 775), QPoint(0, 0)},
        {"caption put at the corner", {1024, 768, {}, none, {1024, 768}, QPoint(0, 0)}, {1024, 768}, openbox,
         QSize(1022, 743), QPoint(0, 0)},
        {"fitted to the screen by the manager, the caption still goes to the corner",
         {1024, 768, {}, none, {1024, 768}, QPoint(0, 0)}, {1022, 743}, openbox, QSize(1022, 743), QPoint(0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<FrameCorrection> fix = correctForFrame(c.request, c.client, c.frame);
        ASSERT_EQ(fix.has_value(), c.wantClient.has_value());
        if (!fix)
            continue;
        EXPECT_EQ(fix->client, *c.wantClient);
        // The outer size is the one asked for, unless the frame alone is larger.
        const QSize outer = fix->client.grownBy(c.frame);
        if (c.request.width) {
            EXPECT_EQ(outer.width(), std::max(*c.request.width, 1 + c.frame.left() + c.frame.right()));
        }
        if (c.request.height) {
            EXPECT_EQ(outer.height(), std::max(*c.request.height, 1 + c.frame.top() + c.frame.bottom()));
        }
        EXPECT_EQ(fix->framePosition, c.wantPosition);
    }
}

TEST(OuterGeometry, AWindowFramedAfterItsFirstShowGetsTheOuterSizeAskedFor)
{
    QWidget window;
    QMargins frame;  // as under X11: nothing known until the window manager has framed the window
    OuterGeometry outer(&window, [&] { return frame; });
    const QRect screen(0, 0, 1024, 768);
    outer.setOuterHeight(735);
    outer.setOuterWidth(1017);
    outer.centreOn(screen);
    EXPECT_EQ(window.size(), QSize(1017, 735));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(50);
    EXPECT_EQ(window.size(), QSize(1017, 735));

    // The window manager frames it; the platform window reports an exposure.
    frame = QMargins(1, 20, 1, 5);
    auto frameNews = [&] {
        QExposeEvent exposed{QRegion(QRect(QPoint(), window.size()))};
        QApplication::sendEvent(window.windowHandle(), &exposed);
        QApplication::processEvents();
    };
    frameNews();
    EXPECT_EQ(outer.outerSize(), QSize(1017, 735));
    EXPECT_EQ(window.size(), QSize(1015, 710));
    // The client stands inside a frame centred at (4, 17).
    EXPECT_EQ(window.geometry().topLeft(), QPoint(4, 17) + QPoint(1, 20));

    // Once the user has sized the window, a new frame leaves it alone.
    window.resize(700, 500);
    QApplication::processEvents();
    frame = QMargins(4, 30, 4, 4);
    frameNews();
    EXPECT_EQ(window.size(), QSize(700, 500));
}
