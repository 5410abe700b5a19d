// The picture widget: drawing stretched and smooth, and clicks reported the
// way the windows expect them.
#include "picture_test_support.h"
#include "platform/picture/imageview.h"
#include "support/test_support.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <gtest/gtest.h>

using namespace picture_testing;
using platform::ImageView;
using platform::Picture;

namespace {

void sendMouse(QWidget& widget, QEvent::Type type, const QPointF& at, Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, at, widget.mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

// What Qt delivers for a double click: press, release, double click, release.
void doubleClick(QWidget& widget, const QPointF& at)
{
    sendMouse(widget, QEvent::MouseButtonPress, at);
    sendMouse(widget, QEvent::MouseButtonRelease, at);
    sendMouse(widget, QEvent::MouseButtonDblClick, at);
    sendMouse(widget, QEvent::MouseButtonRelease, at);
}

QImage rendered(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::magenta);
    widget.render(&image);
    return image;
}

class ImageViewTest : public ::testing::Test {
protected:
    Picture picture(int width, int height)
    {
        const QString name = QStringLiteral("p%1x%2.png").arg(width).arg(height);
        dir.write(name, encode(quadrants(width, height), "PNG"));
        return Picture::load(dir.file(name));
    }
    testing_support::TempWorkDir dir;
};

} // namespace

TEST_F(ImageViewTest, AClickIsReportedOnRelease)
{
    ImageView view;
    view.resize(100, 80);
    int clicked = 0;
    QObject::connect(&view, &ImageView::clicked, [&] { ++clicked; });
    sendMouse(view, QEvent::MouseButtonPress, {10, 10});
    EXPECT_EQ(clicked, 0);
    sendMouse(view, QEvent::MouseButtonRelease, {10, 10});
    EXPECT_EQ(clicked, 1);
}

TEST_F(ImageViewTest, ADoubleClickIsOneClickThenOneDoubleClick)
{
    ImageView view;
    view.resize(100, 80);
    QStringList order;
    QObject::connect(&view, &ImageView::clicked, [&] { order << QStringLiteral("click"); });
    QObject::connect(&view, &ImageView::doubleClicked, [&] { order << QStringLiteral("double"); });
    doubleClick(view, {20, 20});
    EXPECT_EQ(order, QStringList({QStringLiteral("click"), QStringLiteral("double")}));
    // The next single click is a click again.
    sendMouse(view, QEvent::MouseButtonPress, {20, 20});
    sendMouse(view, QEvent::MouseButtonRelease, {20, 20});
    EXPECT_EQ(order.size(), 3);
    EXPECT_EQ(order.last(), QStringLiteral("click"));
}

TEST_F(ImageViewTest, OtherButtonsAndReleasesOutsideAreNoClicks)
{
    ImageView view;
    view.resize(100, 80);
    int clicked = 0;
    int doubled = 0;
    QObject::connect(&view, &ImageView::clicked, [&] { ++clicked; });
    QObject::connect(&view, &ImageView::doubleClicked, [&] { ++doubled; });
    sendMouse(view, QEvent::MouseButtonPress, {10, 10}, Qt::RightButton);
    sendMouse(view, QEvent::MouseButtonRelease, {10, 10}, Qt::RightButton);
    sendMouse(view, QEvent::MouseButtonDblClick, {10, 10}, Qt::RightButton);
    sendMouse(view, QEvent::MouseButtonPress, {10, 10});
    sendMouse(view, QEvent::MouseButtonRelease, {300, 10}); // dragged off the picture
    EXPECT_EQ(clicked, 0);
    EXPECT_EQ(doubled, 0);
}

TEST_F(ImageViewTest, DrawsThePictureStretchedOverItsArea)
{
    ImageView view;
    view.setPicture(picture(40, 40));
    view.resize(200, 100);
    const QImage image = rendered(view);
    EXPECT_TRUE(near(image.pixel(5, 5), Qt::red));
    EXPECT_TRUE(near(image.pixel(195, 5), Qt::green));
    EXPECT_TRUE(near(image.pixel(195, 95), Qt::blue));
    EXPECT_TRUE(near(image.pixel(5, 95), Qt::yellow));
}

TEST_F(ImageViewTest, AnEmptyPictureDrawsNothing)
{
    ImageView view;
    view.resize(50, 50);
    const QImage image = rendered(view);
    // The widget paints no picture; what shows is whatever was beneath.
    EXPECT_FALSE(near(image.pixel(25, 25), Qt::red));
    view.setPicture(Picture());
    EXPECT_NO_FATAL_FAILURE(rendered(view));
}

TEST_F(ImageViewTest, KeepsItsScaledPictureUntilSizeOrPictureChanges)
{
    ImageView view;
    const Picture page = picture(400, 300);
    view.setPicture(page);
    view.resize(100, 75);
    rendered(view);
    rendered(view);
    EXPECT_EQ(page.decodeCount(), 1); // decoded at load, scaled once, reused
    view.setPicture(picture(30, 30));
    const QImage image = rendered(view);
    EXPECT_TRUE(near(image.pixel(5, 5), Qt::red));
    EXPECT_EQ(view.picture().naturalPixels(), QSize(30, 30));
}

TEST_F(ImageViewTest, AZoomedViewFarLargerThanItsParentPaintsOnlyWhatShows)
{
    // The parent clips the view; the picture must not be scaled to the
    // view's full size (here 40000 x 30000 pixels, 4.8 GB).
    QWidget parent;
    parent.resize(200, 150);
    auto* view = new ImageView(&parent);
    const Picture page = picture(400, 300);
    view->setPicture(page);
    view->setGeometry(-19900, -14925, 40000, 30000); // the centre of the picture shows
    QImage image(parent.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::magenta);
    parent.render(&image);
    // The four quadrants meet in the middle of the parent (each source
    // pixel spans 100, smoothly blended into its neighbours).
    EXPECT_TRUE(near(image.pixel(5, 5), Qt::red));
    EXPECT_TRUE(near(image.pixel(195, 5), Qt::green));
    EXPECT_TRUE(near(image.pixel(195, 145), Qt::blue));
    EXPECT_TRUE(near(image.pixel(5, 145), Qt::yellow));
    const QRgb middle = image.pixel(100, 75);
    EXPECT_FALSE(near(middle, Qt::red, 60) || near(middle, Qt::blue, 60)); // blended, not blocky
    // What the view asked for is capped at the picture's own pixels.
    EXPECT_EQ(page.image(view->size()).size(), QSize(400, 300));
}
