// Zooming a metafile page: the step shows at once, stretched from the drawing
// the window has, and the exact drawing at the new size follows from a worker;
// one that comes for a page or a window no longer there is dropped.
#include "reader_fixture.h"

#include <QFile>

using platform::ImageView;
using platform::Picture;

namespace {

constexpr int kNext = 5;

QImage rendered(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::magenta);
    widget.render(&image);
    return image;
}

// The picture in `path` drawn at once at `size`, first drawn far smaller.
QImage drawnDirectly(const QString& path, const QSize& size)
{
    ImageView view;
    view.setPicture(Picture::load(path, QSize(8, 8)));
    view.resize(size);
    return rendered(view);
}

class MetafileZoomTest : public ReaderTest {
protected:
    void SetUp() override
    {
        ReaderTest::SetUp();
        QStringList lines;
        for (const QString& file : {QStringLiteral("Pillow/drawing.wmf"), QStringLiteral("poi/wrench.emf")}) {
            QFile source(testing_support::corpusDir() + QStringLiteral("/metafile/") + file);
            ASSERT_TRUE(source.open(QIODevice::ReadOnly));
            const int page = int(lines.size()) + 1;
            const QString name = QStringLiteral("m%1.%2").arg(page).arg(file.right(3));
            dir.write(name, source.readAll());
            writeText(QStringLiteral("t%1.txt").arg(page), QStringLiteral("第%1页").arg(page));
            lines << QStringLiteral("页%1-%2-t%1.txt").arg(page).arg(name);
        }
        writeCatalogue(lines);
        start();
    }
    // A zoom step, painted as the window paints it.
    QImage zoomIn()
    {
        w->menuPicLarge_Click();
        return rendered(*w->ImgPic);
    }
    // Another view's drawing: when it has come, every drawing asked for
    // before it has come too, one being drawn at a time.
    void drawAnotherView()
    {
        ImageView other;
        other.setPicture(Picture::load(dir.file(QStringLiteral("m1.wmf")), QSize(8, 8)));
        other.drawNewSizesLater();
        other.resize(300, 200);
        rendered(other);
        ASSERT_TRUE(testing_support::waitUntil([&] { return !other.drawingPending(); }));
        EXPECT_EQ(rendered(other), drawnDirectly(dir.file(QStringLiteral("m1.wmf")), other.size()));
    }
    QString shownFile() const
    {
        return dir.file(w->ImgPic->picture().format() == "wmf" ? QStringLiteral("m1.wmf") : QStringLiteral("m2.emf"));
    }
};

} // namespace

TEST_F(MetafileZoomTest, AZoomStepShowsTheNewSizeAtOnceAndTheExactDrawingAfter)
{
    const Picture picture = w->ImgPic->picture();
    const int drawings = picture.decodeCount();
    const QSize before = w->ImgPic->size();
    const QImage atOnce = zoomIn();
    EXPECT_GT(atOnce.width(), before.width());
    EXPECT_EQ(picture.decodeCount(), drawings); // nothing drawn while the window waited
    EXPECT_TRUE(w->ImgPic->drawingPending());

    ASSERT_TRUE(testing_support::waitUntil([&] { return !w->ImgPic->drawingPending(); }));
    EXPECT_EQ(picture.decodeCount(), drawings + 1);
    const QImage exact = rendered(*w->ImgPic);
    EXPECT_EQ(exact, drawnDirectly(shownFile(), w->ImgPic->size()));
    EXPECT_NE(exact, atOnce);

    // A step back out needs no drawing: the larger one serves.
    w->menuPicSmall_Click();
    rendered(*w->ImgPic);
    EXPECT_FALSE(w->ImgPic->drawingPending());
    EXPECT_EQ(picture.decodeCount(), drawings + 1);
}

TEST_F(MetafileZoomTest, ADrawingThatComesForAPageOrWindowNoLongerThereIsDropped)
{
    const Picture first = w->ImgPic->picture();
    const int drawings = first.decodeCount();
    zoomIn();
    ASSERT_TRUE(w->ImgPic->drawingPending());
    w->CmdPic_Click(kNext);
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
