#include "platform/core/error.h"
#include "platform/core/listview.h"
#include "platform/core/messagebox.h"
#include "platform/core/program.h"
#include "platform/core/timer.h"
#include "support/test_support.h"

#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QGlyphRun>
#include <QRawFont>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace platform;

TEST(Steps, AFailingStepIsSkippedAndTheRestRun)
{
    QStringList done;
    const int failed = runSteps({
        [&] { done << "a"; },
        [&] { throw Error(53, QStringLiteral("文件未找到")); },
        [&] { done << "c"; },
        [&] { throw std::runtime_error("other"); },
        [&] { done << "e"; },
    });
    EXPECT_EQ(failed, 2);
    EXPECT_EQ(done, QStringList({"a", "c", "e"}));
}

TEST(Steps, RunUntilFailureStopsAndReportsTheError)
{
    QStringList done;
    const auto err = runUntilFailure({
        [&] { done << "a"; },
        [&] { throw Error(482, QStringLiteral("打印机错误")); },
        [&] { done << "c"; },
    });
    ASSERT_TRUE(err.has_value());
    EXPECT_EQ(err->number(), 482);
    EXPECT_EQ(err->description(), QStringLiteral("打印机错误"));
    EXPECT_EQ(done, QStringList({"a"}));
    EXPECT_FALSE(runUntilFailure({[] {}}).has_value());
}

TEST(Timer, ZeroIntervalIsStoppedAndNeverFires)
{
    Timer t;
    int ticks = 0;
    QObject::connect(&t, &Timer::timeout, [&] { ++ticks; });
    t.setInterval(0);
    testing_support::waitUntil([] { return false; }, 60);
    EXPECT_EQ(ticks, 0);
    t.setInterval(10);
    EXPECT_TRUE(testing_support::waitUntil([&] { return ticks >= 3; }, 2000));
    t.setInterval(0);
    const int stoppedAt = ticks;
    testing_support::waitUntil([] { return false; }, 60);
    EXPECT_EQ(ticks, stoppedAt);
    EXPECT_EQ(t.interval(), 0);
}

TEST(Timer, SettingTheIntervalRestartsTheCount)
{
    Timer t;
    int ticks = 0;
    QObject::connect(&t, &Timer::timeout, [&] { ++ticks; });
    t.setInterval(200);
    // Re-setting before it is due keeps pushing the first tick away.
    for (int i = 0; i < 5; ++i) {
        testing_support::waitUntil([] { return false; }, 100);
        t.setInterval(200);
    }
    EXPECT_EQ(ticks, 0);
    t.setInterval(0);
}

TEST(MessageBox, RecorderAnswersAndRecords)
{
    setDefaultMsgTitle(QStringLiteral("Aurelis 2003"));
    MessageBoxRecorder rec([](const MsgRequest& r) {
        return r.buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Cancel;
    });
    EXPECT_EQ(msgBox(QStringLiteral("确定吗？"), MsgButtons::YesNo), MsgResult::No);
    EXPECT_EQ(msgBox(QStringLiteral("继续？"), MsgButtons::OKCancel, QStringLiteral("标题"), MsgIcon::Question),
              MsgResult::Cancel);
    ASSERT_EQ(rec.shown().size(), 2);
    EXPECT_EQ(rec.shown()[0].title, QStringLiteral("Aurelis 2003"));  // no title: the program's own
    EXPECT_EQ(rec.shown()[1].title, QStringLiteral("标题"));
    EXPECT_EQ(rec.shown()[1].icon, MsgIcon::Question);
    EXPECT_EQ(rec.texts(), QStringList({QStringLiteral("确定吗？"), QStringLiteral("继续？")}));
}

TEST(MessageBox, AYesNoQuestionWaitsForAnAnswerAndShowsItsWholeTitle)
{
    const QString title = QStringLiteral("选择“否”，将以图片文件名作为目录名");
    bool looked = false;
    QTimer::singleShot(0, [&] {
        QMessageBox* box = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* b = qobject_cast<QMessageBox*>(top); b && b->isVisible())
                box = b;
        ASSERT_NE(box, nullptr);
        QTest::keyClick(box, Qt::Key_Escape);
        box->close();
        QApplication::processEvents();
        EXPECT_TRUE(box->isVisible()) << "Esc and the close box are no answer";
        EXPECT_FALSE(box->windowFlags() & Qt::WindowCloseButtonHint);
        QFont caption = QApplication::font("QMdiSubWindowTitleBar");
        caption.setBold(true);
        EXPECT_GE(box->width(), QFontMetrics(caption).horizontalAdvance(title) + 60) << "the title is cut";
        looked = true;
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(msgBox(QStringLiteral("是否用文字文件名作为目录名?"), MsgButtons::YesNo, title), MsgResult::No);
    EXPECT_TRUE(looked);

    // A short text under the program's title: the title still shows whole.
    int width = 0;
    QTimer::singleShot(0, [&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* b = qobject_cast<QMessageBox*>(top); b && b->isVisible()) {
                width = b->width();
                b->button(QMessageBox::Ok)->click();
            }
    });
    setDefaultMsgTitle(QStringLiteral("Aurelis 2003"));
    msgBox(QStringLiteral("停止朗读请稍候！"));
    QFont caption = QApplication::font("QMdiSubWindowTitleBar");
    caption.setBold(true);
    EXPECT_GE(width, QFontMetrics(caption).horizontalAdvance(QStringLiteral("Aurelis 2003")) + 60);
}

TEST(MessageBox, RecordersNestAndDefaultToTheFirstButton)
{
    MessageBoxRecorder outer;
    {
        MessageBoxRecorder inner;
        EXPECT_EQ(msgBox("x", MsgButtons::YesNo), MsgResult::Yes);
        EXPECT_EQ(inner.shown().size(), 1);
    }
    EXPECT_EQ(msgBox("y"), MsgResult::OK);
    EXPECT_EQ(outer.texts(), QStringList({"y"}));
}

TEST(Program, ExitIsInterceptedAndTwipsConvert)
{
    {
        ExitInterceptor exits;
        endProgram();
        endProgram();
        EXPECT_EQ(exits.count(), 2);
    }
    const double tpp = twipsPerPixel();
    EXPECT_GT(tpp, 0);
    EXPECT_EQ(twipsToPixels(1440), static_cast<int>(std::lround(1440 / tpp)));
    EXPECT_DOUBLE_EQ(pixelsToTwips(10), 10 * tpp);
    setScreenSizeOverride(QSizeF(15360, 11520));
    EXPECT_EQ(screenSizeTwips(), QSizeF(15360, 11520));
    setScreenSizeOverride(QSizeF());
    EXPECT_GT(screenSizeTwips().width(), 0);
}

TEST(ListView, RowsByPositionWithSubItems)
{
    ListView lv;
    lv.setReportView();
    lv.addColumn("N", 450);
    lv.addColumn("a", 3000);
    lv.addColumn("b", 30);
    lv.addColumn("c", 30);
    EXPECT_EQ(lv.columnCount(), 4);
    EXPECT_DOUBLE_EQ(lv.columnWidthTwips(1), 3000);
    EXPECT_EQ(lv.addRow("1"), 1);
    lv.setSubItem(1, 1, QStringLiteral("标题"));
    lv.setSubItem(1, 3, "p.png");
    lv.addRows({{"2", "t2", "x.txt", "y.png"}, {"3"}});
    EXPECT_EQ(lv.count(), 3);
    EXPECT_EQ(lv.subItem(1, 1), QStringLiteral("标题"));
    EXPECT_EQ(lv.subItem(1, 2), "");
    EXPECT_EQ(lv.subItem(2, 3), "y.png");
    EXPECT_EQ(lv.rowText(3), "3");
    EXPECT_EQ(lv.subItem(3, 1), "");
    EXPECT_THROW(lv.rowText(0), Error);
    EXPECT_THROW(lv.rowText(4), Error);
    EXPECT_THROW(lv.subItem(1, 4), Error);
    EXPECT_THROW(lv.columnCaption(9), Error);

    int clicked = 0, column = -1;
    QObject::connect(&lv, &ListView::itemClick, [&](int p) { clicked = p; });
    QObject::connect(&lv, &ListView::columnClick, [&](int c) { column = c; });
    emit lv.clicked(lv.model()->index(1, 0));
    EXPECT_EQ(clicked, 2);
    emit lv.header()->sectionClicked(2);
    EXPECT_EQ(column, 2);
    lv.clearRows();
    EXPECT_EQ(lv.count(), 0);

    // Rows made on demand: cells are made once, when first asked for, and numbered on.
    int made = 0;
    ListView::LazyRows lazy;
    lazy.count = 2;
    lazy.firstNumber = 7;
    lazy.subItems = [&](int k) {
        ++made;
        return std::array<QString, 3>{QStringLiteral("t%1").arg(k), QStringLiteral("x%1").arg(k), QString()};
    };
    lv.addRow("first");
    lv.addLazyRows(lazy);
    lv.addRow("last");
    EXPECT_EQ(lv.count(), 4);
    EXPECT_EQ(made, 0);
    EXPECT_EQ(lv.rowText(3), "8");
    EXPECT_EQ(lv.subItem(3, 1), "t1");
    EXPECT_EQ(lv.subItem(3, 2), "x1");
    EXPECT_EQ(made, 1);
    lv.setSubItem(2, 3, "changed");
    EXPECT_EQ(lv.subItem(2, 3), "changed");
    EXPECT_EQ(lv.subItem(2, 1), "t0");
    EXPECT_EQ(made, 2);
    EXPECT_EQ(lv.model()->data(lv.model()->index(1, 0)).toString(), "7");
    EXPECT_EQ(lv.rowText(1), "first");
    EXPECT_EQ(lv.rowText(4), "last");
    EXPECT_THROW(lv.rowText(5), Error);
    lv.clearColumns();
    EXPECT_EQ(lv.columnCount(), 0);
}

TEST(ChineseEnvironment, LatinLettersInTheChineseFacesAreProportionalAndHanziChinese)
{
    for (const char* family : {"宋体", "隶书"}) {
        SCOPED_TRACE(family);
        QFont font(QString::fromUtf8(family));
        font.setPointSizeF(10.5);
        QTextLayout layout(QStringLiteral("Ctrl+P iiii WWWW 中文说明"), font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        QString latinFace, hanziFace;
        for (const QGlyphRun& run : layout.glyphRuns()) {
            const QRawFont raw = run.rawFont();
            if (raw.supportsCharacter(QChar(u'W')) && run.glyphIndexes().size() >= 6)
                latinFace = raw.familyName();
            else if (raw.supportsCharacter(QChar(u'中')))
                hanziFace = raw.familyName();
        }
        ASSERT_FALSE(hanziFace.isEmpty()) << "the hanzi are drawn from a face that has them";
        EXPECT_NE(latinFace, hanziFace) << "Latin letters come from a Latin face";
        const QFontMetricsF metrics(font);
        EXPECT_LT(metrics.horizontalAdvance(QStringLiteral("iiii")), 0.6 * metrics.horizontalAdvance(QStringLiteral("WWWW")))
            << "a typewriter face gives i and W one width";
    }
}

TEST(ChineseEnvironment, StandardButtonsReadAsOnAChineseSystem)
{
    // The test program sets up the environment the way the editions do.
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')).left(1), QStringLiteral("是"));
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove(QLatin1Char('&')).left(1), QStringLiteral("否"));
    // The fonts the windows ask for by name find a Chinese font.
    EXPECT_FALSE(QFont::substitutes(QStringLiteral("宋体")).isEmpty());
    EXPECT_FALSE(QFont::substitutes(QStringLiteral("隶书")).isEmpty());
}

namespace {
// A catalogue-like list, shown and focused, narrower than its title column.
struct ShownList {
    ListView lv;
    QList<int> clicks;
    explicit ShownList(int rows)
    {
        lv.setReportView();
        lv.addColumn("N", 450);
        lv.addColumn("title", 3000);
        lv.addColumn("text", 30);
        lv.addColumn("picture", 30);
        for (int i = 1; i <= rows; ++i)
            lv.addRows({{QString::number(i), QStringLiteral("entry %1").arg(i)}});
        lv.resize(twipsToPixels(2265), twipsToPixels(3015));
        lv.show();
        lv.activateWindow();
        lv.setFocus();
        QObject::connect(&lv, &ListView::itemClick, [this](int p) { clicks << p; });
    }
    int selectedRow() const
    {
        const QModelIndexList rows = lv.selectionModel()->selectedRows();
        return rows.isEmpty() ? 0 : rows.first().row() + 1;
    }
};
} // namespace

TEST(ListView, KeyboardSelectionIsAClickButTheProgramsOwnIsNot)
{
    ShownList s(40);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&s.lv));
    struct Step {
        const char* name;
        std::function<void()> act;
        int selected;  // row selected afterwards
        bool clicks;   // whether that ran the item click
    };
    auto key = [&](Qt::Key k) {
        return [&s, k] { QTest::keyClick(&s.lv, k); };
    };
    auto programSelects = [&](int position) {
        return [&s, position] { s.lv.setCurrentIndex(s.lv.model()->index(position - 1, 0)); };
    };
    const Step steps[] = {
        // The focus rests on row 1, not yet selected.
        {"Down", key(Qt::Key_Down), 2, true},
        {"Up", key(Qt::Key_Up), 1, true},
        {"End", key(Qt::Key_End), 40, true},
        {"Home", key(Qt::Key_Home), 1, true},
        {"Up at the top changes nothing", key(Qt::Key_Up), 1, false},
        {"Page Down", key(Qt::Key_PageDown), -1, true},
        {"Page Up", key(Qt::Key_PageUp), 1, true},
        {"Right scrolls sideways", key(Qt::Key_Right), 1, false},
        {"program selects", programSelects(7), 7, false},
        {"Up after the program's choice", key(Qt::Key_Up), 6, true},
        {"program clears", [&s] { s.lv.clearSelection(); }, 0, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        s.clicks.clear();
        step.act();
        const int selected = s.selectedRow();
        if (step.selected > 0)
            EXPECT_EQ(selected, step.selected);
        else if (step.selected < 0)
            EXPECT_GT(selected, 2);  // a page further on, however many rows a page holds
        else
            EXPECT_EQ(selected, 0);
        EXPECT_EQ(s.clicks, step.clicks ? QList<int>{selected} : QList<int>{});
    }
}

TEST(ListView, AClickKeepsTheHorizontalPosition)
{
    ShownList s(40);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&s.lv));
    QScrollBar* sideways = s.lv.horizontalScrollBar();
    ASSERT_GT(sideways->maximum(), 0) << "the title column must be wider than the list";
    for (const int start : {0, sideways->maximum() / 3}) {
        SCOPED_TRACE(start);
        sideways->setValue(start);
        s.clicks.clear();
        // The title cell of row 2, at a point the list shows.
        const QRect cell = s.lv.visualRect(s.lv.model()->index(1, 1)).intersected(s.lv.viewport()->rect());
        ASSERT_FALSE(cell.isEmpty());
        QTest::mouseClick(s.lv.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        // The view brings a clicked cell into view after the double-click time.
        QTest::qWait(QApplication::doubleClickInterval() + 250);
        EXPECT_EQ(sideways->value(), start);
        EXPECT_EQ(s.clicks, QList<int>{2});
    }
    // Keeping the sideways position does not stop the list following the selection downwards.
    QTest::keyClick(&s.lv, Qt::Key_End);
    EXPECT_EQ(s.lv.verticalScrollBar()->value(), s.lv.verticalScrollBar()->maximum());
    EXPECT_GT(s.lv.verticalScrollBar()->maximum(), 0);
}

TEST(Keyboard, EnterPressesTheFocusedPushButtonAndNothingElse)
{
    // The test program sets up the environment the way the editions do; doing it
    // again must not make Enter press twice.
    setUpChineseEnvironment(*qApp);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* button = new QPushButton(QStringLiteral("下一页"));
    auto* other = new QPushButton(QStringLiteral("上一页"));
    auto* line = new QLineEdit;
    auto* text = new QPlainTextEdit;
    for (QWidget* w : std::initializer_list<QWidget*>{button, other, line, text})
        layout->addWidget(w);
    int pressed = 0, otherPressed = 0, returns = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++pressed; });
    QObject::connect(other, &QPushButton::clicked, [&] { ++otherPressed; });
    QObject::connect(line, &QLineEdit::returnPressed, [&] { ++returns; });
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    ASSERT_FALSE(button->autoDefault());  // outside a dialog Qt's buttons ignore Enter by themselves

    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return);
    EXPECT_EQ(pressed, 1);
    QTest::keyClick(button, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(pressed, 2);
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_EQ(pressed, 3);

    // In text boxes Enter keeps its own meaning.
    line->setFocus();
    QTest::keyClick(line, Qt::Key_Return);
    EXPECT_EQ(returns, 1);
    text->setFocus();
    QTest::keyClicks(text, "a");
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_EQ(text->document()->blockCount(), 2);
    EXPECT_EQ(pressed + otherPressed, 3);

    // A dialog's button that takes Enter by itself is still pressed once, not twice.
    QDialog dialog;
    auto* ok = new QPushButton(QStringLiteral("确定"), &dialog);
    int okPressed = 0;
    QObject::connect(ok, &QPushButton::clicked, [&] { ++okPressed; });
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    ok->setFocus();
    ASSERT_TRUE(ok->autoDefault());
    QTest::keyClick(ok, Qt::Key_Return);
    EXPECT_EQ(okPressed, 1);
}
