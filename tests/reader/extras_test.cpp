// What the reader offers beyond its design: reading page after page, the
// thumbnails of all pages, the whole-screen window and the read button's key.
#include "reader_fixture.h"

#include "reader/frmthumbs.h"
#include "speech/fake_voice.h"

#include <QAction>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

using namespace reader;

namespace {
const QString kRead = QStringLiteral("朗读");
}

class ExtrasTest : public ReaderTest {
protected:
    void startWithVoice(int pages)
    {
        makeBook(pages);
        start(generalEdition(), [this] { return std::make_unique<FakeVoice>(log); });
    }
    static QStringList pageTexts(std::initializer_list<int> pages)
    {
        QStringList out;
        for (int p : pages)
            out << QStringLiteral("第%1页").arg(p);
        return out;
    }
    std::shared_ptr<VoiceLog> log = std::make_shared<VoiceLog>();
};

TEST_F(ExtrasTest, ReadingOnGoesPageByPageToTheLastAndStopsWhenTheUserTurnsAway)
{
    startWithVoice(4);
    QStringList panels;
    log->onSpeak = [&](const QString&) { panels << w->panelText(2); };
    w->menuReadOn->trigger();
    EXPECT_EQ(log->spoken, pageTexts({1, 2, 3, 4})) << "from the page on display to the last, no wrap-around";
    EXPECT_EQ(panels.mid(1), (QStringList{"2", "3", "4"})) << "the status panels of the next-page button";
    EXPECT_EQ(w->currentPage(), 4);
    EXPECT_EQ(w->CmdRead->text(), kRead);
    EXPECT_FALSE(w->isReadingOn());

    // A page chosen in the list while page 2 is read: nothing after it.
    log->spoken.clear();
    w->listVW_ItemClick(1);
    log->onSpeak = [&](const QString& piece) {
        if (piece == pageTexts({2}).first())
            w->listVW_ItemClick(4);
    };
    w->menuReadOn->trigger();
    EXPECT_EQ(log->spoken, pageTexts({1, 2}));
    expectPage(4);

    // The read button, and the entry again, stop it too.
    for (const auto& stop : {std::function<void()>([&] { w->CmdRead->click(); }),
                             std::function<void()>([&] { w->menuReadOn->trigger(); })}) {
        log->spoken.clear();
        boxes.clear();
        w->listVW_ItemClick(1);
        log->onSpeak = [&](const QString& piece) {
            if (piece == pageTexts({2}).first())
                stop();
        };
        w->menuReadOn->trigger();
        EXPECT_EQ(log->spoken, pageTexts({1, 2}));
        EXPECT_EQ(w->CmdRead->text(), kRead);
    }
}

TEST_F(ReaderTest, ReadingOnWithoutAVoiceTakesTheFailurePathOfEachPageAndGoesOn)
{
    makeBook(3);
    reader::EditionProfile profile = generalEdition();
    profile.readFailure = speech::ReadFailureMode::MessageThenEnd;
    start(profile);
    w->menuReadOn->trigger();
    EXPECT_EQ(boxes.shown().size(), 3) << "one failure a page";
    EXPECT_EQ(w->currentPage(), 3);
}

TEST_F(ExtrasTest, TheReadKeyPressesTheReadButton)
{
    startWithVoice(2);
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QTest::keyClick(w->RTBoxShow[0], Qt::Key_F9);
    EXPECT_EQ(log->spoken, pageTexts({1}));
    EXPECT_EQ(w->CmdRead->text(), kRead);
    // Hidden with its panel in the full-screen picture, it cannot be pressed.
    w->menuPicFullScr_Click();
    QTest::keyClick(w.get(), Qt::Key_F9);
    EXPECT_EQ(log->spoken.size(), 1);
}

TEST_F(ReaderTest, TheWholeScreenKeepsTheLayoutAndEscItsRole)
{
    makeBook(2);
    start();
    for (LayoutMode mode : {LayoutMode::Standard, LayoutMode::TextMaximum, LayoutMode::PictureFullScreen}) {
        if (mode == LayoutMode::TextMaximum)
            w->menuTextLarge_Click();
        if (mode == LayoutMode::PictureFullScreen)
            w->menuPicFullScr_Click();
        w->menuFullScreen->trigger();
        QApplication::processEvents();
        EXPECT_TRUE(w->isFullScreen());
        EXPECT_EQ(w->layoutMode(), mode);
        EXPECT_NEAR(w->metrics().width, w->width() * platform::twipsPerPixel(), platform::twipsPerPixel())
            << "placed for the new size";
        w->menuFullScreen->trigger();
        QApplication::processEvents();
        EXPECT_FALSE(w->isFullScreen());
        EXPECT_EQ(w->layoutMode(), mode);
    }
    w->menuReader_Click();
    w->menuFullScreen->trigger();
    w->activateWindow();
    QTest::keyClick(w->RTBoxShow[0], Qt::Key_Escape);
    EXPECT_EQ(exits.count(), 1) << "Esc still ends the program in the standard layout";
}

TEST_F(ReaderTest, ThumbnailsShowEveryPageFillInAndAClickShowsItsPage)
{
    makeBook(300);
    start();
    w->menuThumbs->trigger();
    FrmThumbs* thumbs = w->thumbsWindow();
    ASSERT_NE(thumbs, nullptr);
    ASSERT_TRUE(thumbs->isVisible());
    EXPECT_EQ(thumbs->windowTitle(), QStringLiteral("页面一览"));
    ThumbnailModel* model = thumbs->model();
    ASSERT_EQ(model->rowCount(), 300);
    ASSERT_TRUE(testing_support::waitUntil([&] { return model->decodedCount() >= 12 && model->isIdle(); }, 20000));

    // Page 5's picture, in its own colour, under its number and title.
    const QModelIndex fifth = model->index(4);
    EXPECT_TRUE(model->data(fifth, Qt::DisplayRole).toString().startsWith(QStringLiteral("5  页5")));
    const QImage thumb = model->data(fifth, Qt::DecorationRole).value<QImage>();
    const QColor expected(40 + pictureWidth(5) % 200, 120, 200);
    const QColor centre = thumb.pixelColor(thumb.rect().center());
    EXPECT_NEAR(centre.red(), expected.red(), 6);
    EXPECT_NEAR(centre.blue(), expected.blue(), 6);

    QListView* list = thumbs->listThumbs;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(fifth).center());
    expectPage(5);

    // Only what is in view and near it is decoded: rows passed over stay empty boxes.
    const QImage empty = model->data(model->index(200), Qt::DecorationRole).value<QImage>();
    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
    ASSERT_TRUE(testing_support::waitUntil([&] {
        return model->isIdle() && model->data(model->index(299), Qt::DecorationRole).value<QImage>() != empty;
    }, 20000));
    EXPECT_EQ(model->data(model->index(150), Qt::DecorationRole).value<QImage>(), empty);
    EXPECT_LE(model->decodedCount(), 200) << "a bounded number kept";

    thumbs->activateWindow();
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(thumbs->isVisible());
}
