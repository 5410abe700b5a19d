// The find window over the reader: Ctrl+F opens it, typing finds the text in
// every page, a hit shows its page and selects the hit in the page text.
#include "reader_fixture.h"

#include "platform/core/listview.h"
#include "reader/frmfind.h"
#include "support/gbk_rtf.h"

#include <QAction>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using namespace reader;

namespace {

using testing_support::gbkRtfWithTitle;
using testing_support::s;

// Typing: Latin letters key by key, Chinese as an input method commits it.
void commit(QWidget* field, const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClicks(field, QString(c));
        } else {
            QInputMethodEvent event;
            event.setCommitString(QString(c));
            QApplication::sendEvent(field, &event);
        }
    }
}

QStringList rowTexts(const QTreeWidget* list, int row)
{
    const QTreeWidgetItem* item = list->topLevelItem(row);
    return item ? QStringList{item->text(0), item->text(1), item->text(2)} : QStringList();
}

} // namespace

class FindWindowTest : public ReaderTest {
protected:
    // Pages: a GBK rich text, a GBK plain text, a UTF-8 text, a missing text, a folder,
    // and a text outside the book, named by its absolute path.
    void makeMixedBook()
    {
        for (int k = 1; k <= 5; ++k)
            writePicture(QStringLiteral("p%1.png").arg(k), pictureWidth(k), 60);
        dir.write("p1.rtf", gbkRtfWithTitle(QStringLiteral("春晓\n春眠不觉晓，处处闻啼鸟。Spring morning")));
        writeText("p2.txt", QStringLiteral("夜来风雨声，\r\n花落知多少？SPRING rain, spring wind"));
        dir.write("p3.txt", QStringLiteral("静夜思：床前明月光，疑是地上霜。spring").toUtf8());
        QDir(dir.path()).mkdir("p5.txt");
        QFile away(outside.filePath("spring.txt"));
        ASSERT_TRUE(away.open(QIODevice::WriteOnly));
        away.write("spring outside the book");
        writeCatalogue({QStringLiteral("春晓-p1.png-p1.rtf"), QStringLiteral("风雨-p2.png-p2.txt"),
                        QStringLiteral("静夜思-p3.png-p3.txt"), QStringLiteral("缺页-p4.png-p4.txt"),
                        QStringLiteral("文件夹-p5.png-p5.txt"),
                        QStringLiteral("书外-p6.png-") + outside.filePath("spring.txt")});
    }

    FrmFind* find() const { return w->findWindow(); }
    QTemporaryDir outside;
    // Types into the field as the user does and waits for the hits.
    void typeAndWait(const QString& text)
    {
        find()->TxtFind->clear();
        find()->TxtFind->setFocus();
        commit(find()->TxtFind, text);
        ASSERT_TRUE(testing_support::waitUntil([&] { return !find()->searching(); }));
        ASSERT_EQ(s(find()->result().query), s(text));
    }
    QString selected() const { return w->RTBoxShow[0]->textCursor().selectedText(); }
};

TEST_F(FindWindowTest, CtrlFOpensOneWindowWhoseHitsShowTheirPageWithTheHitSelected)
{
    makeMixedBook();
    start();
    ASSERT_NE(w->menuFind, nullptr);
    EXPECT_EQ(s(w->menuFind->text()), "查找(&F)...");
    EXPECT_EQ(w->menuFind->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    EXPECT_EQ(w->menuTool->actions().last(), w->menuFind);

    w->activateWindow();
    QTest::keyClick(w.get(), Qt::Key_F, Qt::ControlModifier);
    FrmFind* const opened = find();
    ASSERT_NE(opened, nullptr);
    EXPECT_TRUE(opened->isVisible());
    EXPECT_EQ(s(opened->windowTitle()), "查找");
    opened->hide();
    w->activateWindow();
    QTest::keyClick(w.get(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(find(), opened);  // one window, shown again
    EXPECT_TRUE(opened->isVisible());
    for (QWidget* control : {static_cast<QWidget*>(opened), static_cast<QWidget*>(opened->TxtFind),
                             static_cast<QWidget*>(opened->listHits), static_cast<QWidget*>(opened->LblCount)})
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->metaObject()->className();

    // Rich and plain, GBK and UTF-8, Latin letters in any case; unreadable texts skipped.
    typeAndWait(QStringLiteral("spring"));
    QTreeWidget* list = opened->listHits;
    ASSERT_EQ(list->topLevelItemCount(), 4);
    EXPECT_EQ(rowTexts(list, 0), (QStringList{"1", "春晓", "…春眠不觉晓，处处闻啼鸟。Spring morning"}));
    EXPECT_EQ(rowTexts(list, 1), (QStringList{"2", "风雨", "…来风雨声， 花落知多少？SPRING rain, spring wind"}));
    EXPECT_EQ(rowTexts(list, 2), (QStringList{"2", "风雨", "…PRING rain, spring wind"}));
    EXPECT_EQ(rowTexts(list, 3)[0], "3");
    EXPECT_TRUE(opened->LblCount->text().contains(QStringLiteral("3 页的文字文件读不出")))
        << s(opened->LblCount->text());

    // A double click on page 2's second hit shows page 2 as a click in the catalogue does,
    // and selects that hit, not the first.
    const QRect second = list->visualItemRect(list->topLevelItem(2));
    // As the mouse does it: a click, then the double click.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(w->currentPage(), 2);
    EXPECT_EQ(s(w->panelText(4)), "p2.txt");
    EXPECT_EQ(shownPictureWidth(), pictureWidth(2));
    EXPECT_EQ(s(selected()), "spring");
    EXPECT_EQ(w->RTBoxShow[0]->textCursor().selectionStart(), 26);
    EXPECT_EQ(w->listVW->selectedPosition(), 2) << "the catalogue row follows the found page";

    // Enter on a hit in the rich text selects it in the rich text as shown.
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(0));
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(w->currentPage(), 1);
    EXPECT_EQ(s(selected()), "Spring");
    EXPECT_EQ(w->RTBoxShow[0]->textCursor().selectionStart(), 15);  // after the title's paragraph

    // Enter in the field walks through the hits.
    typeAndWait(QStringLiteral("处处"));
    ASSERT_EQ(list->topLevelItemCount(), 1);
    QTest::keyClick(opened->TxtFind, Qt::Key_Return);
    EXPECT_EQ(w->currentPage(), 1);
    EXPECT_EQ(s(selected()), "处处");
    typeAndWait(QStringLiteral("没有的词"));
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_EQ(s(opened->LblCount->text()).rfind("没有找到", 0), 0u) << s(opened->LblCount->text());
}

// The find window is the reader's tool window: the reader's keys work in it,
// and Ctrl+F there goes back to the text, ready to be typed over.
TEST_F(FindWindowTest, InTheFindWindowCtrlFGoesBackToTheTextAndTheReadersKeysWork)
{
    makeMixedBook();
    start();
    w->menuFind_Click();
    FrmFind* const opened = find();
    ASSERT_NE(opened, nullptr);
    opened->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(opened));
    typeAndWait(QStringLiteral("spring"));
    opened->TxtFind->deselect();
    opened->listHits->setFocus();

    QTest::keyClick(opened->listHits, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(opened->TxtFind->hasFocus());
    EXPECT_EQ(s(opened->TxtFind->selectedText()), "spring");
    QTest::keyClick(opened->TxtFind, Qt::Key_F3);
    EXPECT_EQ(w->layoutMode(), LayoutMode::TextMaximum);

    // Esc closes the find window, from its text box or its list, and leaves the reader running.
    for (QWidget* focus : {static_cast<QWidget*>(opened->TxtFind), static_cast<QWidget*>(opened->listHits)}) {
        w->menuFind_Click();
        ASSERT_TRUE(opened->isVisible());
        opened->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(opened));
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_Escape);
        EXPECT_FALSE(opened->isVisible());
        EXPECT_EQ(exits.count(), 0) << "the reader's own Esc stays in the reader";
    }
    w->menuFind_Click();
    opened->CmdClose->click();
    EXPECT_FALSE(opened->isVisible());
}

TEST_F(FindWindowTest, TextsAreReadOnceAndAgainWhenTheyChangeOrTheCatalogueIsReloaded)
{
    makeMixedBook();
    start();
    w->menuFind_Click();
    // Opened, reloaded, nothing typed yet: no text is read.
    QTest::qWait(FrmFind::kTypingPauseMs + 100);
    find()->BookChanged();
    QTest::qWait(FrmFind::kTypingPauseMs + 100);
    EXPECT_FALSE(find()->searching());
    EXPECT_EQ(find()->cache().reads(), 0);
    typeAndWait(QStringLiteral("月光"));
    const int reads = find()->cache().reads();
    EXPECT_GE(reads, 5);
    typeAndWait(QStringLiteral("明月"));
    EXPECT_EQ(find()->cache().reads(), reads);

    writeText("p2.txt", QStringLiteral("改写后：明月几时有"));
    typeAndWait(QStringLiteral("明月"));
    EXPECT_EQ(find()->cache().reads(), reads + 1);
    ASSERT_EQ(find()->listHits->topLevelItemCount(), 2);
    EXPECT_EQ(rowTexts(find()->listHits, 0)[0], "2");

    // The catalogue filled again, as the builder does, is a new book: searched again at once.
    writeCatalogue({QStringLiteral("新书-p3.png-p3.txt")});
    w->listVW->clearRows();
    w->LoadCatalogue();
    ASSERT_TRUE(testing_support::waitUntil([&] { return !find()->searching(); }));
    ASSERT_EQ(find()->listHits->topLevelItemCount(), 1);
    EXPECT_EQ(rowTexts(find()->listHits, 0).mid(0, 2), (QStringList{"1", "新书"}));
    EXPECT_EQ(find()->cache().size(), 1);
}

TEST(FindWindow, TypingReplacesStaleResults)
{
    // Searches run when the test says, in any order, as a slow worker would run them.
    std::vector<std::function<void()>> jobs;
    std::vector<int> shown;
    FindTarget target;
    target.pages = [] {
        std::vector<BookPage> pages(2);
        pages[0].number = 1;
        pages[0].text = QStringLiteral("甲乙丙");
        pages[1].number = 2;
        pages[1].text = QStringLiteral("乙丁");
        return pages;
    };
    target.showPage = [&](int page) {
        shown.push_back(page);
        return nullptr;
    };
    FrmFind find(target, nullptr, [&](std::function<void()> job) { jobs.push_back(std::move(job)); });
    find.show();
    auto settle = [&] { QTest::qWait(FrmFind::kTypingPauseMs + 100); };

    // Typing on before the pause ends makes one search, for the text as it is then.
    find.TxtFind->setText(QStringLiteral("甲"));
    find.TxtFind->setText(QStringLiteral("乙"));
    settle();
    ASSERT_EQ(jobs.size(), 1u);

    // The search for "乙" finishes, but "丁" is typed before its result arrives: dropped.
    jobs[0]();
    find.TxtFind->setText(QStringLiteral("丁"));
    settle();
    EXPECT_TRUE(find.result().hits.empty());
    EXPECT_EQ(find.listHits->topLevelItemCount(), 0);
    ASSERT_EQ(jobs.size(), 2u);

    // "丙" typed; the search for "丁" finishes only afterwards, after the newer one: dropped too.
    find.TxtFind->setText(QStringLiteral("丙"));
    settle();
    ASSERT_EQ(jobs.size(), 3u);
    jobs[2]();
    jobs[1]();
    settle();
    EXPECT_EQ(s(find.result().query), "丙");
    ASSERT_EQ(find.listHits->topLevelItemCount(), 1);
    EXPECT_EQ(find.listHits->topLevelItem(0)->text(0), "1");
    EXPECT_FALSE(find.searching());

    // Clearing the field clears the hits at once.
    find.TxtFind->clear();
    EXPECT_EQ(find.listHits->topLevelItemCount(), 0);
    EXPECT_TRUE(find.LblCount->text().isEmpty());
    EXPECT_TRUE(shown.empty());
}
