// The reading aids driven through the window: the page text follows the
// voice, neighbouring pictures are ready before the page turns, the page keys
// and the wheel turn, scroll and zoom, and the list follows the page.
#include "reader_fixture.h"

#include "platform/core/listview.h"
#include "platform/core/scrollbar.h"
#include "reader/picture_pane.h"
#include "reader/picture_prefetch.h"
#include "speech/fake_voice.h"

#include <QAction>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QWheelEvent>

using namespace reader;

namespace {
constexpr int kPrevious = 4, kNext = 5;

// What a marker in the text box covers, as the run's plain text would say it.
QString markedText(const platform::RichTextBox& box)
{
    const QList<QTextEdit::ExtraSelection> marks = box.extraSelections();
    if (marks.isEmpty())
        return QString();
    QString text = marks.first().cursor.selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    text.replace(QChar::LineSeparator, QLatin1String("\r\n"));
    return text;
}

bool markerInView(const platform::RichTextBox& box)
{
    const QList<QTextEdit::ExtraSelection> marks = box.extraSelections();
    if (marks.isEmpty())
        return false;
    QTextCursor start = marks.first().cursor;
    start.setPosition(marks.first().cursor.selectionStart());
    return box.viewport()->rect().contains(box.cursorRect(start).center());
}

void wheel(QWidget* target, int angle, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

QByteArray rtf(const QString& body)
{
    return "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}}"
           "{\\colortbl;\\red200\\green0\\blue0;}\\f0\\fs24 "
           + platform::encodeAnsi(body) + "}";
}
}

// ---- follow the voice ----

class FollowVoiceTest : public ReaderTest {
protected:
    void startReading(const QByteArray& pageText)
    {
        makeBook(2);
        dir.write("t1.txt", pageText);
        start(generalEdition(), [this] { return std::make_unique<FakeVoice>(log); });
        ASSERT_NE(w->voice(), nullptr);
    }
    std::shared_ptr<VoiceLog> log = std::make_shared<VoiceLog>();
};

TEST_F(FollowVoiceTest, TheMarkerCoversThePieceBeingSpokenAndLeavesTheFormattingAlone)
{
    QString longText;
    for (int i = 1; i <= 80; ++i)
        longText += QStringLiteral("第%1段文字。\r\n").arg(i);
    const struct {
        const char* name;
        QByteArray file;
    } cases[] = {
        // Pieces across paragraph ends, a last piece after the final full stop.
        {"plain GBK with CR LF", platform::encodeAnsi(QStringLiteral("  甲乙，丙丁\r\n戊己，庚辛。"))},
        // Bold and coloured runs, a line break inside a paragraph, an empty piece.
        {"rich text", rtf(QStringLiteral("\\b 天地\\b0 玄黄。\\cf1 宇宙\\line 洪荒。。日月盈昃。"))},
        // Far below the first screen: the marker is scrolled into view.
        {"long text", platform::encodeAnsi(longText)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startReading(c.file);
        const QString html = w->RTBoxShow[0]->document()->toHtml();
        const QString rtfBefore = QString::fromLatin1(w->RTBoxShow[0]->TextRTF());
        QStringList marked;
        int unchangedWhileSpeaking = 0, outOfView = 0;
        log->onSpeak = [&](const QString& piece) {
            marked << markedText(*w->RTBoxShow[0]);
            if (w->RTBoxShow[0]->document()->toHtml() == html)
                ++unchangedWhileSpeaking;
            if (!piece.trimmed().isEmpty() && !markerInView(*w->RTBoxShow[0]))
                ++outOfView;
        };
        w->CmdRead_Click();
        ASSERT_GT(log->spoken.size(), 2);
        QStringList expected;
        for (const QString& piece : log->spoken)
            expected << piece.trimmed();
        EXPECT_EQ(marked, expected);
        EXPECT_EQ(unchangedWhileSpeaking, log->spoken.size());
        EXPECT_EQ(outOfView, 0);
        EXPECT_TRUE(w->RTBoxShow[0]->extraSelections().isEmpty());  // gone after the run
        EXPECT_EQ(QString::fromLatin1(w->RTBoxShow[0]->TextRTF()), rtfBefore);
        w.reset();
        log = std::make_shared<VoiceLog>();
    }
}

TEST_F(FollowVoiceTest, TheMarkerGoesWithThePageAndWithAStop)
{
    startReading(platform::encodeAnsi(QStringLiteral("甲，乙，丙")));
    QStringList marked;
    log->onSpeak = [&](const QString& piece) {
        marked << markedText(*w->RTBoxShow[0]);
        if (piece == QStringLiteral("甲"))
            QTimer::singleShot(0, w->CmdPic[kNext], &QPushButton::click);
    };
    w->CmdRead_Click();
    // The run reads the old page to its end, but marks nothing in the new one.
    EXPECT_EQ(log->spoken.size(), 3);
    EXPECT_EQ(marked, QStringList({QStringLiteral("甲"), QString(), QString()}));
    expectPage(2);

    w->listVW_ItemClick(1);
    marked.clear();
    log->onSpeak = [&](const QString&) {
        marked << markedText(*w->RTBoxShow[0]);
        QTimer::singleShot(0, w->CmdRead, &QPushButton::click);
    };
    log->spoken.clear();
    w->CmdRead_Click();
    EXPECT_EQ(marked, QStringList({QStringLiteral("甲")}));
    EXPECT_TRUE(w->RTBoxShow[0]->extraSelections().isEmpty());
}

// The page text is replaced while its marker is up: by the buttons, by
// auto-play and by help, between the pieces of a run. The document tells of
// the change while it is still replacing its text, with its cursors set aside;
// a marker dropped then left a freed cursor that the document went on moving.
// Whoever else listens to the change (here a bystander keeping text cursors
// in a document of its own) would find its memory written over.
TEST_F(FollowVoiceTest, ThePageTextChangesUnderTheMarkerWithoutHarmToOtherCursors)
{
    QString text;
    for (int i = 1; i <= 12; ++i)
        text += QStringLiteral("第%1句，").arg(i);
    startReading(platform::encodeAnsi(text));
    dir.write("t2.txt", platform::encodeAnsi(text));

    QTextDocument elsewhere(QStringLiteral("0123456789"));
    std::vector<QTextCursor> bystanders;
    QObject::connect(w->RTBoxShow[0]->document(), &QTextDocument::contentsChanged, w.get(), [&] {
        bystanders.emplace_back(&elsewhere);
        bystanders.back().setPosition(5);
    });

    w->Timer1.setInterval(60000);  // running; ticked by hand below
    int turns = 0;
    log->onSpeak = [&](const QString&) {
        const int turn = ++turns;
        QTimer::singleShot(0, w.get(), [this, turn] {
            switch (turn % 4) {
            case 0: w->CmdPic_Click(kNext); break;
            case 1: emit w->Timer1.timeout(); break;
            case 2: w->CmdPic_Click(kPrevious); break;
            default: w->menuHelp_Click(); w->menuReader_Click(); break;
            }
        });
    };
    constexpr int kRuns = 8;
    for (int run = 0; run < kRuns; ++run) {
        w->listVW_ItemClick(1 + run % 2);
        w->CmdRead_Click();
    }
    w->Timer1.setInterval(0);
    EXPECT_EQ(log->spoken.size(), kRuns * 13);
    EXPECT_TRUE(w->RTBoxShow[0]->extraSelections().isEmpty());
    for (int k = 0; k < 6; ++k)
        w->CmdPic_Click(k % 2 ? kNext : kPrevious);

    ASSERT_FALSE(bystanders.empty());
    int moved = 0;
    for (const QTextCursor& c : bystanders)
        moved += c.position() != 5 || c.anchor() != 5;
    EXPECT_EQ(moved, 0) << "of " << bystanders.size();
    w->listVW_ItemClick(2);
    EXPECT_EQ(shownPictureWidth(), pictureWidth(2));
    EXPECT_EQ(shownText(), text);
}

// ---- instant page turns ----

TEST_F(ReaderTest, APageTurnUsesTheReadyPictureUnlessThePaneOrTheFileChanged)
{
    const struct {
        const char* name;
        std::function<void()> between;
        bool ready;
        int width;  // of page 2's picture as shown
    } cases[] = {
        {"nothing", [] {}, true, pictureWidth(2)},
        {"zoom", [this] { w->menuPicLarge_Click(); }, true, pictureWidth(2)},
        {"resize", [this] { w->resize(w->width() - 150, w->height() - 90); }, false, pictureWidth(2)},
        {"file rewritten", [this] { writePicture(QStringLiteral("p2.png"), 333, 90); }, false, 333},
    };
    makeBook(4);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        start();
        PicturePrefetcher& ahead = w->picturePrefetcher();
        ASSERT_TRUE(testing_support::waitUntil([&] { return ahead.isIdle(); }));
        EXPECT_EQ(ahead.readyCount(), 2);  // pages 2 and 4
        c.between();
        const int hits = ahead.hits();
        w->CmdPic_Click(kNext);
        EXPECT_EQ(ahead.hits() - hits, c.ready ? 1 : 0);
        EXPECT_EQ(shownPictureWidth(), c.width);
        EXPECT_EQ(shownText(), QStringLiteral("第2页"));
        // Whatever came between, the picture is fitted to the pane as it is now.
        const QSizeF natural = w->ImgPic->picture().naturalTwips();
        const ImageBoxState fit = fitPicture({0, 0, float(natural.width()), float(natural.height()), false},
                                             w->paneSize());
        EXPECT_FLOAT_EQ(w->imageState().width, fit.width);
        EXPECT_FLOAT_EQ(w->imageState().height, fit.height);
        EXPECT_EQ(w->ImgPic->size(), fittedDevicePixels(natural, {w->paneSize(), platform::twipsPerPixel(), 1}));
        w.reset();
        writePicture(QStringLiteral("p2.png"), pictureWidth(2), 60);
    }
}

TEST_F(ReaderTest, OnlyTheNeighboursAreKeptWhilePagesTurnQuickly)
{
    makeBook(8);
    start();
    PicturePrefetcher& ahead = w->picturePrefetcher();
    for (int i = 0; i < 20; ++i) {
        w->CmdPic_Click(i % 3 == 2 ? kPrevious : kNext);
        if (i % 4 == 0)
            QApplication::processEvents();
    }
    ASSERT_TRUE(testing_support::waitUntil([&] { return ahead.isIdle(); }));
    // The two neighbours and the picture on display, nothing left over from the pages passed.
    EXPECT_LE(ahead.readyCount(), 3);
    EXPECT_GE(ahead.readyCount(), 2);
    const int page = w->currentPage();
    const int hits = ahead.hits();
    w->CmdPic_Click(kPrevious);
    EXPECT_EQ(ahead.hits(), hits + 1);
    expectPage(page == 1 ? 8 : page - 1);
}

// ---- page keys and the wheel ----

TEST_F(ReaderTest, PageKeysTurnPagesExceptWhereTheFocusedControlPagesItself)
{
    makeBook(5);
    const struct {
        const char* name;
        std::function<QWidget*(frmmain&)> focus;
        int afterDown, afterUp;
    } cases[] = {
        {"button", [](frmmain& f) -> QWidget* { return f.CmdPic[0]; }, 2, 1},
        {"short page text", [](frmmain& f) -> QWidget* { return f.RTBoxShow[0]; }, 2, 1},
        // The list chooses the row a page further down, which shows that page.
        {"list", [](frmmain& f) -> QWidget* { return f.listVW; }, 5, 1},
        {"full-screen picture",
         [](frmmain& f) -> QWidget* {
             f.menuPicFullScr_Click();
             return &f;
         },
         2, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        start();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
        QWidget* target = c.focus(*w);
        target->setFocus();
        QTest::keyClick(target, Qt::Key_PageDown);
        expectPage(c.afterDown);
        QTest::keyClick(target, Qt::Key_PageUp);
        expectPage(c.afterUp);
        if (target != w->listVW) {
            QTest::keyClick(target, Qt::Key_PageDown, Qt::ShiftModifier);  // not a page key
            expectPage(c.afterUp);
        }
        EXPECT_EQ(exits.count(), 0);
        w.reset();
    }
}

TEST_F(ReaderTest, PageDownScrollsALongPageTextToItsEndThenTurnsThePage)
{
    makeBook(3);
    QString lines;
    for (int i = 0; i < 200; ++i)
        lines += QStringLiteral("第%1行\r\n").arg(i);
    writeText("t1.txt", lines);
    start();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    w->RTBoxShow[0]->setFocus();
    QScrollBar* bar = w->RTBoxShow[0]->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    int presses = 0;
    while (bar->value() < bar->maximum() && presses < 100) {
        QTest::keyClick(w->RTBoxShow[0], Qt::Key_PageDown);
        ++presses;
        EXPECT_EQ(w->panelText(2), "") << "turned the page after " << presses << " presses";
    }
    EXPECT_GT(presses, 1);
    EXPECT_EQ(bar->value(), bar->maximum());
    QTest::keyClick(w->RTBoxShow[0], Qt::Key_PageDown);
    expectPage(2);
    // At the top of a page text Page Up goes back.
    EXPECT_EQ(bar->value(), 0);
    QTest::keyClick(w->RTBoxShow[0], Qt::Key_PageUp);
    EXPECT_EQ(w->currentPage(), 1);
}

TEST_F(ReaderTest, TheWheelOverThePictureDoesNothingButItsScrollBarsScroll)
{
    makeBook(4);
    start();
    const auto state = [&] { return std::make_tuple(w->currentPage(), w->imageState().width, w->imageState().left, w->imageState().top); };
    for (QWidget* target : {static_cast<QWidget*>(w->ImgPic), static_cast<QWidget*>(w->PicPic)}) {
        const auto before = state();
        for (Qt::KeyboardModifiers m : {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ControlModifier)})
            for (int angle : {-120, 120, -360})
                wheel(target, angle, m);
        EXPECT_EQ(state(), before) << "fitted: no page turn, no zoom";
    }

    w->menuPicLarge_Click();
    w->menuPicLarge_Click();
    ASSERT_FALSE(w->VScr->isHidden() && w->HScr->isHidden());
    platform::ScrollBar* bar = w->VScr->isHidden() ? w->HScr : w->VScr;
    const auto zoomed = state();
    wheel(w->ImgPic, -120);
    EXPECT_EQ(state(), zoomed) << "zoomed: the picture does not scroll by itself";
    EXPECT_EQ(bar->value(), 0);
    wheel(bar, -120);
    EXPECT_GT(bar->value(), 0) << "the scroll bar scrolls as a control of its own";
    expectPage(1);
}

// ---- the list follows the page ----

TEST_F(ReaderTest, PagingAndAutoPlayLeaveTheListsSelectionAndScrollAlone)
{
    makeBook(60);
    const struct {
        const char* name;
        std::function<void(frmmain&)> show;
    } cases[] = {
        {"previous button", [](frmmain& f) { f.CmdPic_Click(kPrevious); }},
        {"next button", [](frmmain& f) { f.CmdPic_Click(kNext); }},
        {"auto-play", [](frmmain& f) { f.Timer1_Timer(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        start();
        w->listVW_ItemClick(3);
        const QModelIndex chosen = w->listVW->model()->index(2, 0);
        w->listVW->selectionModel()->setCurrentIndex(chosen, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QScrollBar* down = w->listVW->verticalScrollBar();
        ASSERT_GT(down->maximum(), 0);
        down->setValue(down->maximum() / 2);
        for (int i = 0; i < 3; ++i)
            c.show(*w);
        QApplication::processEvents();
        const QModelIndexList selected = w->listVW->selectionModel()->selectedRows();
        ASSERT_EQ(selected.size(), 1);
        EXPECT_EQ(selected.first().row(), 2) << "only the user changes the selection";
        EXPECT_EQ(down->value(), down->maximum() / 2);
        w.reset();
    }
}
