// Zooming a metafile page: the step shows at once, stretched, and the exact
// drawing follows; one that comes for a page or window gone is dropped.
#include "reader_fixture.h"

#include <QFile>

using platform::ImageView;
using platform::Picture;

namespace {

// Over one colour: the pane's background shows through a transparent drawing.
QImage rendered(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::magenta);
    widget.render(&image);
    return image;
}

// `path` drawn at `size` (first far smaller), at once or as a zoom draws it.
QImage drawnInAView(const QString& path, const QSize& size, bool later = false)
{
    ImageView view;
    view.setPicture(Picture::load(path, QSize(8, 8)));
    if (later)
        view.drawNewSizesLater();
    view.resize(size);
    rendered(view);
    EXPECT_TRUE(testing_support::waitUntil([&] { return !view.drawingPending(); }));
    return rendered(view);
}

class MetafileZoomTest : public ReaderTest {
protected:
    void SetUp() override
    {
        ReaderTest::SetUp();
        const QString corpus = testing_support::corpusDir() + QStringLiteral("/metafile/");
        ASSERT_TRUE(QFile::copy(corpus + QStringLiteral("Pillow/drawing.wmf"), dir.file(QStringLiteral("m1.wmf"))));
        ASSERT_TRUE(QFile::copy(corpus + QStringLiteral("poi/wrench.emf"), dir.file(QStringLiteral("m2.emf"))));
        writeCatalogue({QStringLiteral("页1-m1.wmf-t.txt"), QStringLiteral("页2-m2.emf-t.txt")});
        start();
    }
    QImage zoomIn()
    {
        w->menuPicLarge_Click();
        return rendered(*w->ImgPic);
    }
    // Drawings are made one at a time: when this one has come, every one
    // asked for before it has come too.
    void drawAnotherView() { drawnInAView(dir.file(QStringLiteral("m1.wmf")), QSize(300, 200), true); }
};

} // namespace

TEST_F(MetafileZoomTest, AZoomStepShowsTheNewSizeAtOnceAndTheExactDrawingAfter)
{
    const Picture picture = w->ImgPic->picture();
    const int drawings = picture.decodeCount();
    const int width = w->ImgPic->width();
    const QImage atOnce = zoomIn();
    EXPECT_GT(atOnce.width(), width);
    EXPECT_EQ(picture.decodeCount(), drawings); // nothing drawn while the window waited
    EXPECT_TRUE(w->ImgPic->drawingPending());

    ASSERT_TRUE(testing_support::waitUntil([&] { return !w->ImgPic->drawingPending(); }));
    EXPECT_EQ(picture.decodeCount(), drawings + 1);
    const QImage exact = rendered(*w->ImgPic);
    EXPECT_EQ(exact, drawnInAView(dir.file(QStringLiteral("m1.wmf")), w->ImgPic->size()));
    EXPECT_NE(exact, atOnce);
}

TEST_F(MetafileZoomTest, ADrawingThatComesForAPageOrWindowNoLongerThereIsDropped)
{
    const Picture first = w->ImgPic->picture();
    const int drawings = first.decodeCount();
    zoomIn();
    ASSERT_TRUE(w->ImgPic->drawingPending());
    w->CmdPic_Click(5); // next page
    EXPECT_FALSE(w->ImgPic->drawingPending());
    const Picture second = w->ImgPic->picture();
    EXPECT_EQ(second.format(), "emf");
    const QImage secondPage = rendered(*w->ImgPic);
    int secondDrawings = second.decodeCount();
    drawAnotherView();
    EXPECT_EQ(rendered(*w->ImgPic), secondPage);
    EXPECT_EQ(first.decodeCount(), drawings);
    EXPECT_EQ(second.decodeCount(), secondDrawings);

    // The window closes while the drawing is made.
    zoomIn();
    secondDrawings = second.decodeCount();
    ASSERT_TRUE(w->ImgPic->drawingPending());
    w.reset();
    drawAnotherView();
    EXPECT_EQ(second.decodeCount(), secondDrawings);
}
