#include "reader_fixture.h"

#include "platform/core/listview.h"
#include "platform/core/outer_geometry.h"
#include "platform/core/scrollbar.h"
#include "reader/catalogue.h"

#include <QExposeEvent>
#include <QFile>
#include <QLabel>
#include <QTest>

using namespace reader;

TEST_F(ReaderTest, EmptyCatalogueShowsTheHelpText)
{
    start();
    EXPECT_TRUE(QFile::exists(dir.file("docitem.txt")));  // created empty
    EXPECT_EQ(w->listVW->count(), 0);
    EXPECT_TRUE(w->ImgPic->picture().isNull());
    const QString help = w->RTBoxShow[1]->Text();
    EXPECT_FALSE(help.trimmed().isEmpty());
    EXPECT_EQ(shownText(), help);
    EXPECT_TRUE(boxes.shown().isEmpty());
    EXPECT_EQ(w->currentPage(), 0);
    EXPECT_EQ(w->Timer1.interval(), 0);
    EXPECT_EQ(w->layoutMode(), LayoutMode::Standard);
    EXPECT_TRUE(w->HScr->isHidden());
    EXPECT_TRUE(w->VScr->isHidden());
}

TEST_F(ReaderTest, CatalogueColumnsAndCaption)
{
    start();
    EXPECT_EQ(w->windowTitle(), "Aurelis 2003");
    ASSERT_EQ(w->listVW->columnCount(), 4);
    EXPECT_EQ(w->listVW->columnCaption(0), "N");
    EXPECT_EQ(w->listVW->columnCaption(1), "    目  录");
    EXPECT_EQ(w->listVW->columnCaption(2), "文字文件名.扩展名");
    EXPECT_EQ(w->listVW->columnCaption(3), "图像文件名.扩展名");
    EXPECT_DOUBLE_EQ(w->listVW->columnWidthTwips(0), 339);
    EXPECT_DOUBLE_EQ(w->listVW->columnWidthTwips(1), 2260);
    EXPECT_NEAR(w->listVW->columnWidthTwips(3), 22.6, 1e-9);
}

TEST_F(ReaderTest, OnePageBookOpensOnItsPictureAndText)
{
    makeBook(1);
    start();
    EXPECT_EQ(w->listVW->count(), 1);
    expectPage(1);
    EXPECT_TRUE(w->ImgPic->isVisible());
    for (int panel = 1; panel <= 4; ++panel)
        EXPECT_TRUE(w->panelText(panel).isEmpty()) << panel;  // start-up leaves the panels as designed
    EXPECT_TRUE(boxes.shown().isEmpty());
}

TEST_F(ReaderTest, MissingPictureOrTextOfTheFirstPage)
{
    writeText("t.txt", QStringLiteral("只有文字"));
    writeCatalogue({QStringLiteral("一-gone.png-t.txt")});
    start();
    EXPECT_TRUE(w->ImgPic->picture().isNull());
    EXPECT_EQ(shownText(), QStringLiteral("只有文字"));

    w.reset();
    writePicture("p.png", 80, 40);
    writeCatalogue({QStringLiteral("一-p.png-gone.txt")});
    start();
    EXPECT_EQ(shownPictureWidth(), 80);
    EXPECT_TRUE(shownText().isEmpty());
    EXPECT_TRUE(boxes.shown().isEmpty());
}

TEST_F(ReaderTest, WindowIsSizedToTheScreen)
{
    start();
    const FormMetrics m = w->metrics();
    // Sizes land on whole pixels: within one pixel (15 twips) of the figures asked for.
    EXPECT_NEAR(m.height, 11520 - 500, 15);
    EXPECT_NEAR(m.width, 15360 - 100, 15);
}

TEST_F(ReaderTest, WindowFramedAfterItsFirstShowEndsAtTheSizeAskedForAndCentred)
{
    // As under X11 with a window manager: no frame is known until the window has been shown.
    QMargins frame;
    w = std::make_unique<reader::frmmain>(reader::generalEdition(),
                                          [] { return std::unique_ptr<platform::SpVoice>(); });
    w->outerGeometry().setFrameSource([&] { return frame; });
    w->Form_Load();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    QTest::qWait(50);

    frame = QMargins(1, 20, 1, 5);  // a title bar and thin borders, in pixels
    QExposeEvent framed{QRegion(w->rect())};
    QApplication::sendEvent(w->windowHandle(), &framed);
    QTest::qWait(50);

    const double tpp = platform::twipsPerPixel();
    const FormMetrics m = w->metrics();
    EXPECT_NEAR(m.width, 15360 - 100, tpp);
    EXPECT_NEAR(m.height, 11520 - 500, tpp);
    EXPECT_NEAR(w->width() * tpp, 15260 - 2 * tpp, tpp);
    EXPECT_NEAR(w->height() * tpp, 11020 - 25 * tpp, tpp);
    // Centred, so the frame stays on the screen: the client stands inside it.
    EXPECT_NEAR(w->geometry().x() * tpp, 50 + 1 * tpp, tpp);
    EXPECT_NEAR(w->geometry().y() * tpp, 250 + 20 * tpp, tpp);
    // And laid out for the corrected size.
    EXPECT_NEAR(w->geometryTwips().list.height, m.height * 2.6f / 5.5f, 0.5);
    EXPECT_NEAR(w->geometryTwips().panel.height, m.scaleHeight - 1.2f * m.statusHeight, 0.5);
}

TEST_F(ReaderTest, HelpDocumentIsWrittenToAbcRtfAtEveryStart)
{
    dir.write("abc.rtf", "old content");
    start();
    const QByteArray saved = dir.read("abc.rtf");
    ASSERT_TRUE(saved.startsWith("{\\rtf"));
    platform::RichTextBox box;
    box.LoadFile(dir.file("abc.rtf"));
    EXPECT_EQ(box.Text(), w->RTBoxShow[1]->Text());
    EXPECT_TRUE(box.Text().contains(QStringLiteral("F1")));
    EXPECT_TRUE(box.Text().contains(QStringLiteral("标准分区")));
}

TEST_F(ReaderTest, CatalogueReading)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        int rows;
    };
    const QByteArray gbkTitle = platform::encodeAnsi(QStringLiteral("中文标题-图一.png-说明.txt"));
    const Case cases[] = {
        {"empty file", "", 0},
        {"first line empty", "\r\na-b.png-c.txt\r\n", 0},
        {"rows after an empty line are not read", "a-1-2\r\nb-1-2\r\nc-1-2\r\n\r\nd-1-2\r\n", 3},
        {"no final line end", "a-1-2\r\nb-1-2", 2},
        {"lone LF line ends", "a-1-2\nb-1-2\n", 2},
        {"lone CR line ends", "a-1-2\rb-1-2\r", 2},
        {"short and long lines", "a\r\nb-x.png\r\nx-y-b.jpg-c.txt\r\n", 3},
        {"GBK names", gbkTitle + "\r\n", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        w.reset();
        dir.write("docitem.txt", c.bytes);
        start();
        EXPECT_EQ(w->listVW->count(), c.rows);
        for (int i = 1; i <= w->listVW->count(); ++i)
            EXPECT_EQ(w->listVW->rowText(i), QString::number(i));
    }
    // The last case: GBK names decoded into the cells.
    EXPECT_EQ(w->listVW->subItem(1, 1), QStringLiteral("中文标题"));
    EXPECT_EQ(w->listVW->subItem(1, 2), QStringLiteral("说明.txt"));
    EXPECT_EQ(w->listVW->subItem(1, 3), QStringLiteral("图一.png"));
}

TEST_F(ReaderTest, CatalogueCellsFollowTheColumnOrder)
{
    writeCatalogue({"a-b.jpg-c.txt", "x-y-b.jpg-c.txt", "a-b.jpg"});
    start();
    ASSERT_EQ(w->listVW->count(), 3);
    EXPECT_EQ(w->listVW->subItem(1, 1), "a");
    EXPECT_EQ(w->listVW->subItem(1, 2), "c.txt");
    EXPECT_EQ(w->listVW->subItem(1, 3), "b.jpg");
    EXPECT_EQ(w->listVW->subItem(2, 2), "b.jpg");
    EXPECT_EQ(w->listVW->subItem(2, 3), "y");
    EXPECT_EQ(w->listVW->subItem(3, 2), "");
}

TEST_F(ReaderTest, UpperCaseCatalogueNameIsRead)
{
    writeCatalogue({"a-b.jpg-c.txt", "d-e.jpg-f.txt"}, "DOCITEM.TXT");
    start();
    EXPECT_EQ(w->listVW->count(), 2);
    EXPECT_FALSE(QFile::exists(dir.file("docitem.txt")));  // no second, empty catalogue beside it
}

TEST_F(ReaderTest, CatalogueHoldsAtMost32767Pages)
{
    QByteArray bytes;
    for (int i = 0; i < 32800; ++i)
        bytes += "p-x.png-y.txt\r\n";
    dir.write("docitem.txt", bytes);
    start();
    EXPECT_EQ(w->listVW->count(), kMaxCatalogueRows);
    EXPECT_EQ(w->listVW->rowText(32767), "32767");
}
