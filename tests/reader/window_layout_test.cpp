#include "reader_fixture.h"

#include "platform/core/scrollbar.h"
#include "reader/picture_pane.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTest>

using namespace reader;

namespace {
constexpr int kZoomInButton = 0, kZoomOutButton = 1, kContinuous = 2, kNext = 5, kFullScreen = 6;

struct Enabled {
    bool b0, b1, b2, large, small;
};
Enabled enabledState(const frmmain& w)
{
    return {w.CmdPic[0]->isEnabled(), w.CmdPic[1]->isEnabled(), w.CmdPic[2]->isEnabled(),
            w.menuPicLarge->isEnabled(), w.menuPicSmall->isEnabled()};
}
}

TEST_F(ReaderTest, ModeCommandsAndEnabledStates)
{
    makeBook(2);
    start();
    w->menuTextLarge_Click();  // F3
    EXPECT_EQ(w->layoutMode(), LayoutMode::TextMaximum);
    Enabled e = enabledState(*w);
    EXPECT_FALSE(e.b0);
    EXPECT_FALSE(e.b1);
    EXPECT_TRUE(e.b2);
    EXPECT_FALSE(e.large);
    EXPECT_FALSE(e.small);

    w->menuPicFullScr_Click();  // F2 after F3: the zoom entries stay disabled
    EXPECT_EQ(w->layoutMode(), LayoutMode::PictureFullScreen);
    e = enabledState(*w);
    EXPECT_TRUE(e.b0 && e.b1 && e.b2);
    EXPECT_FALSE(e.large);
    EXPECT_FALSE(e.small);
    EXPECT_TRUE(w->FraTxtCmd->isHidden());
    EXPECT_TRUE(w->RTBoxShow[0]->isHidden());
    EXPECT_FLOAT_EQ(w->geometryTwips().picture.left, 50);

    w->menuReader_Click();  // F1 enables them again
    EXPECT_EQ(w->layoutMode(), LayoutMode::Standard);
    e = enabledState(*w);
    EXPECT_TRUE(e.b0 && e.b1 && e.b2 && e.large && e.small);
}

TEST_F(ReaderTest, ResizeInTextMaximumDisablesAllThreeButtonsAndTheZoomInEntry)
{
    makeBook(2);
    start();
    w->menuTextLarge_Click();
    w->menuPicSmall->setEnabled(true);  // resize leaves this one as it is
    w->resize(w->width() - 40, w->height() - 30);
    QApplication::processEvents();
    const Enabled e = enabledState(*w);
    EXPECT_FALSE(e.b0 || e.b1 || e.b2);
    EXPECT_FALSE(e.large);
    EXPECT_TRUE(e.small);
    // The resize recomputes the text width by the text-maximum formula.
    const FormMetrics m = w->metrics();
    EXPECT_NEAR(w->geometryTwips().text.width, m.width - 2400 - 1.2f * m.statusHeight, 0.01);
}

TEST_F(ReaderTest, FullScreenButtonKeepsThePage)
{
    makeBook(3);
    start();
    w->CmdPic_Click(kNext);
    w->CmdPic_Click(kFullScreen);
    EXPECT_EQ(w->layoutMode(), LayoutMode::PictureFullScreen);
    EXPECT_EQ(w->currentPage(), 2);
    expectPage(2);
    EXPECT_TRUE(w->ImgPic->isVisible());
}

TEST_F(ReaderTest, PictureClicksSwitchLayouts)
{
    makeBook(2);
    start();
    w->ImgPic_Click();
    EXPECT_EQ(w->layoutMode(), LayoutMode::PictureFullScreen);
    w->ImgPic_DblClick();
    EXPECT_EQ(w->layoutMode(), LayoutMode::Standard);

    // Through real mouse events: a double click delivers a click first.
    QTest::mouseClick(w->ImgPic, Qt::LeftButton);
    EXPECT_EQ(w->layoutMode(), LayoutMode::PictureFullScreen);
    QTest::mouseDClick(w->ImgPic, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(w->layoutMode(), LayoutMode::Standard);
}

TEST_F(ReaderTest, PictureIsFittedIntoThePane)
{
    writePicture("wide.png", 400, 100);
    writeCatalogue({"宽-wide.png-x.txt"});
    start();
    const ImageBoxState img = w->imageState();
    const PaneSize pane = w->paneSize();
    EXPECT_TRUE(img.stretch);
    EXPECT_FLOAT_EQ(img.width, pane.width);
    EXPECT_NEAR(img.height, pane.width / 4, 0.5);
    EXPECT_NEAR(img.top, (pane.scaleHeight - img.height) / 2, 0.01);
    EXPECT_TRUE(w->HScr->isHidden());
    EXPECT_TRUE(w->VScr->isHidden());
}

TEST_F(ReaderTest, ZoomScrollAndRefit)
{
    writePicture("wide.png", 400, 200);
    writeCatalogue({"宽-wide.png-x.txt"});
    start();
    const ImageBoxState fitted = w->imageState();

    w->CmdPic_Click(kZoomInButton);
    w->menuPicLarge_Click();
    const ImageBoxState zoomed = w->imageState();
    EXPECT_NEAR(zoomed.width, fitted.width * 1.44f, 0.5);
    const PaneSize pane = w->paneSize();
    ASSERT_FALSE(w->HScr->isHidden());
    EXPECT_EQ(w->HScr->maximum(), static_cast<int>(std::lround(zoomed.width - pane.scaleWidth)));
    EXPECT_EQ(w->HScr->minimum(), 0);
    EXPECT_EQ(w->HScr->smallChange(), 10);
    EXPECT_EQ(w->HScr->largeChange(), 100);

    // The end of the bar shows the picture's far edge at the pane's inner edge.
    w->HScr->setValueChecked(w->HScr->maximum());
    EXPECT_NEAR(w->imageState().left + w->imageState().width, pane.scaleWidth, 1);
    EXPECT_EQ(w->ImgPic->x(), platform::twipsToPixels(-w->HScr->maximum()));

    // Zooming out until it fits hides the bars and centres.
    for (int i = 0; i < 3; ++i)
        w->CmdPic_Click(kZoomOutButton);
    EXPECT_TRUE(w->HScr->isHidden());
    EXPECT_NEAR(w->imageState().left, (pane.scaleWidth - w->imageState().width) / 2, 0.01);

    // F1 after zooming fits the picture again, and so does a resize.
    w->menuPicLarge_Click();
    w->menuReader_Click();
    EXPECT_NEAR(w->imageState().width, fitted.width, 1);
    w->menuPicLarge_Click();
    w->resize(w->width() - 30, w->height());
    QApplication::processEvents();
    const ImageBoxState refit = w->imageState();
    const PaneSize after = w->paneSize();
    EXPECT_NEAR(refit.width / refit.height, 2.0, 0.01);
    EXPECT_TRUE(std::abs(refit.width - after.width) < 1 || std::abs(refit.height - after.height) < 1);
    EXPECT_LE(refit.width, after.width + 1);
    EXPECT_LE(refit.height, after.height + 1);
    EXPECT_TRUE(w->HScr->isHidden());
}

TEST_F(ReaderTest, HelpStopsPlayAndShowsTheHelpTextLarge)
{
    makeBook(3);
    start();
    w->CmdPic_Click(kContinuous);
    EXPECT_GT(w->Timer1.interval(), 0);
    w->menuHelp_Click();
    EXPECT_EQ(w->Timer1.interval(), 0);
    EXPECT_EQ(w->currentPage(), 1);
    EXPECT_EQ(shownText(), w->RTBoxShow[1]->Text());
    EXPECT_EQ(w->layoutMode(), LayoutMode::TextMaximum);
    EXPECT_FALSE(w->CmdPic[0]->isEnabled());
    EXPECT_FALSE(w->CmdPic[1]->isEnabled());
    EXPECT_FALSE(w->menuPicLarge->isEnabled());
    EXPECT_FALSE(w->menuPicSmall->isEnabled());
    w->CmdPic_Click(kNext);
    expectPage(2);
}

TEST_F(ReaderTest, MenusCarryTheirCaptionsAndShortcuts)
{
    start();
    struct Entry {
        QAction* action;
        const char16_t* caption;
        QKeySequence key;
    };
    const Entry entries[] = {
        {w->ReadTxt, u"语音朗读", {}},
        {w->menuDocItem, u"制作电子书", {}},
        {w->menuPicData, u"图像设置", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {w->menuTextBack, u"文本背景", QKeySequence(Qt::CTRL | Qt::Key_T)},
        {w->menuReader, u"标准分区", QKeySequence(Qt::Key_F1)},
        {w->menuPicFullScr, u"图像满屏显示", QKeySequence(Qt::Key_F2)},
        {w->menuTextLarge, u"文本最大", QKeySequence(Qt::Key_F3)},
        {w->menuPrint, u"打印图像", {}},
        {w->menuExit, u"退出(&X)", {}},
        {w->menuPicLarge, u"图像放大", QKeySequence(Qt::Key_F5)},
        {w->menuPicSmall, u"图像缩小", QKeySequence(Qt::Key_F6)},
        {w->menuAutoShow, u"自动播放", QKeySequence(Qt::Key_F7)},
        {w->menuStopAuto, u"暂停自动播放", QKeySequence(Qt::Key_F8)},
        {w->menuHelp, u"帮助(&H)", {}},
    };
    for (const Entry& e : entries) {
        ASSERT_NE(e.action, nullptr);
        EXPECT_EQ(e.action->text(), QString::fromUtf16(e.caption));
        EXPECT_EQ(e.action->shortcut(), e.key) << e.action->text().toStdString();
    }
    EXPECT_EQ(w->menuFace->title(), QStringLiteral("页面设置(&F)"));
    EXPECT_EQ(w->menuTool->title(), QStringLiteral("工具(&T)"));
    const char16_t* captions[] = {u"放大", u"缩小", u"连续", u"暂停", u"上一页", u"下一页", u"满屏", u"退出(&Esc)"};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(w->CmdPic[i]->text(), QString::fromUtf16(captions[i]));
    EXPECT_EQ(w->CmdPic[7]->toolTip(), QStringLiteral("结束本程序"));
    EXPECT_TRUE(w->CmdPic[4]->toolTip().isEmpty());
    EXPECT_EQ(w->CmdRead->text(), QStringLiteral("朗读"));
    EXPECT_EQ(w->CmdRead->toolTip(), QStringLiteral("朗读当前文本"));
}

// A 6000 x 6000 picture (36 megapixels) zoomed twelve steps still shows its
// pixels, wherever the scroll bars take the view.
TEST_F(ReaderTest, LargePicturesStayDrawnTwelveZoomStepsIn)
{
    QImage big(6000, 6000, QImage::Format_RGB32);
    {
        QPainter painter(&big);
        painter.fillRect(0, 0, 3000, 3000, Qt::red);
        painter.fillRect(3000, 0, 3000, 3000, Qt::green);
        painter.fillRect(3000, 3000, 3000, 3000, Qt::blue);
        painter.fillRect(0, 3000, 3000, 3000, Qt::yellow);
    }
    ASSERT_TRUE(big.save(dir.file("big.png")));
    ASSERT_TRUE(big.save(dir.file("big.jpg"), "JPEG", 90));
    writeCatalogue({"大-big.png-x.txt", "大二-big.jpg-x.txt"});
    start();
    // The colour in the middle of the picture box.
    auto shownColour = [&] {
        QApplication::processEvents();
        const QImage pane = w->PicPic->grab().toImage();
        return QColor(pane.pixel(pane.width() / 2, pane.height() / 2));
    };
    auto near = [](const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) < 90;
    };
    for (int page : {1, 2}) {
        SCOPED_TRACE(page == 1 ? "PNG" : "JPEG");
        w->listVW_ItemClick(page);
        ASSERT_EQ(shownPictureWidth(), 6000);
        for (int step = 0; step < 12; ++step)
            w->menuPicLarge_Click();
        EXPECT_TRUE(near(shownColour(), Qt::red)) << shownColour().name().toStdString();
        w->HScr->setValueChecked(w->HScr->maximum());
        w->VScr->setValueChecked(w->VScr->maximum());
        EXPECT_TRUE(near(shownColour(), Qt::blue)) << shownColour().name().toStdString();
    }
}
