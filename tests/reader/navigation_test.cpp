#include "reader_fixture.h"

#include "platform/core/error.h"
#include "platform/core/listview.h"
#include "reader/page_cursor.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace reader;

namespace {
constexpr int kContinuous = 2, kPause = 3, kPrevious = 4, kNext = 5, kFullScreen = 6, kExit = 7;

// A cursor with this hand-chosen page, after this many auto-play ticks.
PageCursor cursorAt(int16_t current, int ticks)
{
    PageCursor cursor;
    cursor.choose(current);
    for (int i = 0; i < ticks; ++i)
        cursor.turn(PageCursor::Turn::AutoPlay, 32767);
    return cursor;
}
}

TEST(PageCursor, TurnsWrapAroundAndAStepBeyondSixteenBitsMovesNothing)
{
    using Turn = PageCursor::Turn;
    const struct {
        Turn how;
        int16_t from;  // the page of the counter the turn moves
        int rows;
        int shown;
        bool moved, overflow;
    } cases[] = {
        {Turn::Next, 0, 5, 2, true, false},  // none chosen yet: goes on from page 1
        {Turn::Previous, 0, 5, 5, true, false},
        {Turn::Next, 5, 5, 1, true, false},
        {Turn::Previous, 1, 5, 5, true, false},
        {Turn::AutoPlay, 3, 3, 1, true, false},
        {Turn::Next, 3, 2, 1, true, false},  // a page beyond a shortened list
        {Turn::Previous, 1, 1, 1, false, false},  // one page: nothing turns
        {Turn::AutoPlay, 0, 0, 0, false, false},
        {Turn::Next, 32767, 32767, 32767, false, true},
        {Turn::AutoPlay, 32767, 32767, 32767, false, true},
    };
    for (const auto& c : cases) {
        PageCursor cursor = c.how == Turn::AutoPlay ? cursorAt(0, c.from) : cursorAt(c.from, 0);
        bool moved = false, overflow = false;
        try {
            moved = cursor.turn(c.how, c.rows);
        } catch (const platform::Error& e) {
            overflow = e.number() == platform::errc::Overflow;
        }
        EXPECT_EQ(moved, c.moved) << c.from << " of " << c.rows;
        EXPECT_EQ(overflow, c.overflow) << c.from << " of " << c.rows;
        EXPECT_EQ(cursor.pageOf(c.how), c.shown) << c.from << " of " << c.rows;
    }
}

TEST(NeighbourPages, FollowTheButtonsAndTheTimer)
{
    const struct {
        int current, autoPlay;
        bool running;
        int rows;
        QVector<int> expected;
    } cases[] = {
        {0, 0, false, 5, {2, 5}},      // at start "下一页" shows 2, "上一页" shows 5
        {5, 0, false, 5, {1, 4}},      // wrap forwards
        {1, 0, false, 5, {2, 5}},      // wrap backwards
        {2, 4, true, 5, {3, 1, 5}},    // auto-play counts on its own
        {2, 2, true, 3, {3, 1}},       // the same page is asked for once
        {3, 0, false, 2, {1, 2}},      // a page beyond a shortened list
        {0, 0, true, 1, {}},           // one page: nothing turns
        {32767, 0, false, 32767, {32766}},  // "下一页" overflows and stays
    };
    for (const auto& c : cases)
        EXPECT_EQ(cursorAt(static_cast<int16_t>(c.current), c.autoPlay).neighbours(c.rows, c.running), c.expected)
            << c.current << " " << c.autoPlay << " " << c.rows;
}

TEST_F(ReaderTest, NextAndPreviousWrapAroundFromTheStart)
{
    makeBook(5);
    start();
    expectPage(1);
    w->CmdPic_Click(kNext);
    expectPage(2);
    EXPECT_EQ(w->currentPage(), 2);
    EXPECT_EQ(w->panelText(2), "2");
    EXPECT_EQ(w->panelText(3), "p2.png");
    EXPECT_EQ(w->panelText(4), "t2.txt");

    w.reset();
    start();
    w->CmdPic_Click(kPrevious);
    expectPage(5);
    EXPECT_EQ(w->currentPage(), 5);
}

TEST_F(ReaderTest, WrapAroundFromTheLastAndFirstRows)
{
    makeBook(5);
    start();
    w->listVW_ItemClick(5);
    expectPage(5);
    EXPECT_EQ(w->currentPage(), 5);
    w->CmdPic_Click(kNext);
    expectPage(1);
    w->listVW_ItemClick(1);
    w->CmdPic_Click(kPrevious);
    expectPage(5);
}

TEST_F(ReaderTest, OnePageBookPagingAndPlayChangeNothingUntilChosen)
{
    makeBook(1);
    start();
    w->CmdPic_Click(kPrevious);
    w->CmdPic_Click(kNext);
    w->CmdPic_Click(kContinuous);
    EXPECT_EQ(w->Timer1.interval(), 0);
    EXPECT_EQ(w->currentPage(), 0);
    EXPECT_EQ(w->panelText(2), "");  // nothing was reloaded: the row at position 0 does not exist
    expectPage(1);

    w->listVW_ItemClick(1);
    writeText("t1.txt", QStringLiteral("改过的文字"));
    w->CmdPic_Click(kNext);
    EXPECT_EQ(shownText(), QStringLiteral("改过的文字"));
    EXPECT_EQ(w->panelText(2), "1");
    EXPECT_EQ(w->currentPage(), 1);
}

TEST_F(ReaderTest, AutoPlayCountsOnItsOwnAndWraps)
{
    makeBook(3);
    start();
    int seen[5];
    for (int& s : seen) {
        w->Timer1_Timer();
        s = w->autoPlayPage();
    }
    EXPECT_EQ(seen[0], 1);
    EXPECT_EQ(seen[1], 2);
    EXPECT_EQ(seen[2], 3);
    EXPECT_EQ(seen[3], 1);
    EXPECT_EQ(seen[4], 2);
    expectPage(2);
    EXPECT_EQ(w->currentPage(), 0);  // auto-play leaves the hand-chosen page alone

    // Paused at page 2, "下一页" goes on from currentPage (taken as 1), not from page 2.
    w->CmdPic_Click(kPause);
    w->CmdPic_Click(kNext);
    expectPage(2);
    EXPECT_EQ(w->currentPage(), 2);
    w->Timer1_Timer();
    EXPECT_EQ(w->autoPlayPage(), 3);  // and auto-play continues after its own page
}

TEST_F(ReaderTest, ContinuousPlayTakesTheIntervalFromTheSettings)
{
    makeBook(3);
    start();
    w->choice().TxtTime();  // loads the settings window hidden
    auto* box = w->choice().window()->findChild<QLineEdit*>(QStringLiteral("TxtTime"));
    ASSERT_NE(box, nullptr);

    box->setText("1.5");
    w->CmdPic_Click(kContinuous);
    EXPECT_EQ(w->Timer1.interval(), 1500);

    for (const char* bad : {"abc", "-1", "70", ""}) {
        box->setText(QString::fromLatin1(bad));
        w->CmdPic_Click(kContinuous);
        EXPECT_EQ(w->Timer1.interval(), 1500) << bad;
    }
    w->menuStopAuto_Click();
    EXPECT_EQ(w->Timer1.interval(), 0);
    box->setText("abc");
    w->menuAutoShow_Click();
    EXPECT_EQ(w->Timer1.interval(), 0);  // a bad interval does not start a stopped play

    // A real tick turns the page.
    box->setText("0.02");
    w->menuAutoShow_Click();
    EXPECT_EQ(w->Timer1.interval(), 20);
    ASSERT_TRUE(testing_support::waitUntil([&] { return w->autoPlayPage() >= 2; }));
    w->menuStopAuto_Click();
}

TEST_F(ReaderTest, MissingPictureKeepsTheOldOneWithNewPanels)
{
    makeBook(3);
    QFile::remove(dir.file("p2.png"));
    start();
    w->CmdPic_Click(kNext);
    EXPECT_EQ(shownPictureWidth(), pictureWidth(1));
    EXPECT_EQ(shownText(), QStringLiteral("第2页"));
    EXPECT_EQ(w->panelText(2), "2");
    EXPECT_EQ(w->panelText(3), "p2.png");
    EXPECT_TRUE(w->ImgPic->isVisible());
}

TEST_F(ReaderTest, MissingTextKeepsTheOldText)
{
    makeBook(3);
    QFile::remove(dir.file("t2.txt"));
    start();
    w->listVW_ItemClick(2);
    EXPECT_EQ(shownPictureWidth(), pictureWidth(2));
    EXPECT_EQ(shownText(), QStringLiteral("第1页"));
    EXPECT_EQ(w->panelText(4), "t2.txt");
}

TEST_F(ReaderTest, HeaderClicksSetTheSortKeyButKeepCatalogueOrder)
{
    makeBook(3);
    start();
    w->listVW_ColumnClick(0);
    EXPECT_EQ(w->listVW->sortKey(), 1);
    w->listVW_ColumnClick(1);
    EXPECT_EQ(w->listVW->sortKey(), 0);
    w->listVW_ColumnClick(0);
    w->listVW_ColumnClick(3);
    EXPECT_EQ(w->listVW->sortKey(), 0);
    EXPECT_EQ(w->listVW->rowText(1), "1");
    EXPECT_EQ(w->listVW->subItem(3, 1), QStringLiteral("页3"));
}

TEST_F(ReaderTest, ExitButtonMenuAndEscEndTheProgram)
{
    makeBook(2);
    start();
    w->CmdPic_Click(kExit);
    EXPECT_EQ(exits.count(), 1);
    w->menuExit->trigger();
    EXPECT_EQ(exits.count(), 2);

    w->activateWindow();
    QTest::keyClick(w->RTBoxShow[0], Qt::Key_Escape);
    EXPECT_EQ(exits.count(), 3);

    // In the full-screen picture the exit button is hidden with its panel: Esc does nothing.
    w->CmdPic_Click(kFullScreen);
    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_EQ(exits.count(), 3);
}

TEST_F(ReaderTest, TheCloseBoxEndsTheProgram)
{
    start();
    w->close();
    EXPECT_EQ(exits.count(), 1);
}

TEST_F(ReaderTest, MenuShortcutsReachTheWindowWhateverHasTheFocus)
{
    makeBook(3);
    start();
    w->activateWindow();
    w->listVW->setFocus();
    QTest::keyClick(w->listVW, Qt::Key_F3);
    EXPECT_EQ(w->layoutMode(), LayoutMode::TextMaximum);
    w->RTBoxShow[0]->setFocus();
    QTest::keyClick(w->RTBoxShow[0], Qt::Key_F1);
    EXPECT_EQ(w->layoutMode(), LayoutMode::Standard);
}

TEST_F(ReaderTest, ListDoubleClickRestoresTheStandardLayout)
{
    makeBook(2);
    start();
    w->menuTextLarge_Click();
    w->listVW_DblClick();
    EXPECT_EQ(w->layoutMode(), LayoutMode::Standard);
}

TEST_F(ReaderTest, KeyboardChoosesPagesAndEnterPressesTheFocusedButton)
{
    makeBook(5);
    start();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    w->listVW->setFocus();
    // The focus rests on row 1 (page 1 is on display); Down chooses row 2.
    QTest::keyClick(w->listVW, Qt::Key_Down);
    EXPECT_EQ(w->currentPage(), 2);
    expectPage(2);
    QTest::keyClick(w->listVW, Qt::Key_End);
    EXPECT_EQ(w->currentPage(), 5);
    expectPage(5);
    EXPECT_EQ(w->panelText(2), "5");

    w->CmdPic[kNext]->setFocus();
    QTest::keyClick(w->CmdPic[kNext], Qt::Key_Return);
    EXPECT_EQ(w->currentPage(), 1);
    expectPage(1);
    // The list keeps the row the user chose; the button does not select its page's row.
    EXPECT_EQ(w->listVW->selectionModel()->selectedRows().value(0).row(), 4);

    // The settings window's button as well.
    w->menuPicData_Click();
    QWidget* settings = w->choice().window();
    ASSERT_TRUE(settings && QTest::qWaitForWindowActive(settings));
    auto* ok = settings->findChild<QPushButton*>("CmdOK");
    ok->setFocus();
    QTest::keyClick(ok, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(w->choice().isLoaded());
}
