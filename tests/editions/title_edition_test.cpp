// The title editions run as whole windows on their compiled-in books. The
// book texts are edition data that change: these tests look only at titles,
// counts and structure, and compare what is shown with the book's own files.
#include "reader/reader_fixture.h"
#include "speech/fake_voice.h"

#include "platform/core/listview.h"
#include "platform/core/scrollbar.h"
#include "reader/catalogue.h"
#include "reader/picture_prefetch.h"
#include "reader/frmfind.h"
#include "speech/read_aloud.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>
#include <QLineEdit>
#include <QSet>

using namespace reader;
using namespace Qt::Literals::StringLiterals;

namespace {
constexpr int kContinuous = 2, kPause = 3, kPrevious = 4, kNext = 5, kExit = 7;

struct Edition {
    const char* name;
    EditionProfile (*profile)();
    const char16_t* caption;
    QStringList titles;
    bool failureEndsRun;  // varnholt: the run ends at the first failure; meriton: it goes on
};

const Edition kEditions[] = {
    {"varnholt", varnholtEdition, u"《孙子兵法》全注全译 电子书2002",
     {u"始计第一"_s, u"作战第二"_s, u"谋攻第三"_s, u"军形第四"_s, u"兵势第五"_s, u"虚实第六"_s, u"军争第七"_s, u"九变第八"_s,
      u"行军第九"_s, u"地形第十"_s, u"九地第十一"_s, u"火攻第十二"_s, u"用间第十三"_s, u"史记·孙子列传"_s},
     true},
    {"meriton", meritonEdition, u"《古文六篇》全注全译 电子书2002",
     {u"陋室铭"_s, u"爱莲说"_s, u"桃花源记"_s, u"岳阳楼记"_s, u"醉翁亭记"_s, u"小石潭记"_s},
     false},
};

void PrintTo(const Edition& e, std::ostream* os) { *os << e.name; }

// The text lines of a book file without their markup: what the reader must show.
QStringList contentLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {QStringLiteral("<missing %1>").arg(path)};
    QStringList out;
    for (QString line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        for (const char* mark : {"## ", "# ", "> "})
            if (line.startsWith(QLatin1String(mark)))
                line = line.mid(static_cast<int>(qstrlen(mark)));
        if (!line.isEmpty())
            out << line;
    }
    return out;
}

QStringList actionTexts(const QList<QAction*>& actions)
{
    QStringList out;
    for (QAction* a : actions) {
        out << a->text();
        if (a->menu())
            out << actionTexts(a->menu()->actions());
    }
    return out;
}
}

class TitleEditionTest : public ReaderTest, public ::testing::WithParamInterface<Edition> {
protected:
    const Edition& ed() const { return GetParam(); }
    int entries() const { return static_cast<int>(ed().titles.size()); }
    QString bookFile(const QString& name) const
    {
        return QStringLiteral(":/books/%1/%2").arg(QLatin1String(ed().name), name);
    }
    QString entryFile(int k) const { return bookFile(QStringLiteral("%1.txt").arg(k, 2, 10, QLatin1Char('0'))); }

    void startEdition(platform::VoiceFactory voices = [] { return std::unique_ptr<platform::SpVoice>(); })
    {
        start(ed().profile(), std::move(voices));
    }
    void startWithVoice()
    {
        startEdition([this] { return std::make_unique<FakeVoice>(log); });
        ASSERT_NE(w->voice(), nullptr);
    }

    // Entry k on display: its document, no picture, its title in panel 3.
    void expectEntry(int k) const
    {
        ASSERT_EQ(static_cast<int>(w->RTBoxTxt.size()), entries());
        EXPECT_EQ(shownText(), w->RTBoxTxt[k - 1]->Text()) << "entry " << k;
        const QString text = shownText();
        for (const QString& line : contentLines(entryFile(k)))
            EXPECT_TRUE(text.contains(line)) << "entry " << k << " lacks " << line.toStdString();
        EXPECT_TRUE(w->ImgPic->picture().isNull());
        EXPECT_EQ(w->panelText(2), QString::number(k));
        EXPECT_EQ(w->panelText(3), ed().titles[k - 1]);
        EXPECT_TRUE(w->panelText(4).isEmpty());
    }

    // The title column is wider than the list: aim at its start, where the user sees it.
    QPoint titleCellPoint(int k) const
    {
        const QRect cell = w->listVW->visualRect(w->listVW->model()->index(k - 1, 1));
        return QPoint(cell.left() + 8, cell.center().y());
    }

    QStringList folderContents() const
    {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    }

    std::shared_ptr<VoiceLog> log = std::make_shared<VoiceLog>();
};

TEST_P(TitleEditionTest, StartsOnTheIntroductionWithEveryEntryListedAndWritesNoFile)
{
    startEdition();
    EXPECT_EQ(w->windowTitle(), QString::fromUtf16(ed().caption));

    // The introduction, in the text-maximum layout.
    const QString intro = w->RTBoxShow[1]->Text();
    for (const QString& line : contentLines(bookFile(QStringLiteral("intro.txt"))))
        EXPECT_TRUE(intro.contains(line)) << line.toStdString();
    EXPECT_EQ(shownText(), intro);
    EXPECT_EQ(w->layoutMode(), LayoutMode::TextMaximum);
    EXPECT_EQ(w->currentPage(), 1);
    EXPECT_EQ(w->Timer1.interval(), 0);
    EXPECT_TRUE(w->HScr->isHidden());
    EXPECT_TRUE(w->VScr->isHidden());

    // Every entry listed with its number and title, no file names, no row selected.
    ASSERT_EQ(w->listVW->count(), entries());
    EXPECT_EQ(w->CmbItem->count(), entries());
    EXPECT_TRUE(w->CmbItem->isHidden());
    for (int k = 1; k <= entries(); ++k) {
        EXPECT_EQ(w->listVW->rowText(k), QString::number(k));
        EXPECT_EQ(w->listVW->subItem(k, 1), ed().titles[k - 1]);
        EXPECT_TRUE(w->listVW->subItem(k, 2).isEmpty());
        EXPECT_TRUE(w->listVW->subItem(k, 3).isEmpty());
        EXPECT_TRUE(w->RTBoxTxt[static_cast<size_t>(k - 1)]->isHidden());
    }
    EXPECT_TRUE(w->listVW->selectionModel()->selectedIndexes().isEmpty());
    // Design list width 2265 twips: W = 226; the title column is 20 × W.
    ASSERT_EQ(w->listVW->columnCount(), 4);
    EXPECT_EQ(w->listVW->columnCaption(1), kColumnTitle);
    EXPECT_DOUBLE_EQ(w->listVW->columnWidthTwips(0), 339);
    EXPECT_DOUBLE_EQ(w->listVW->columnWidthTwips(1), 4520);

    // At the top left corner, covering the 15360 × 11520 twips screen (within a pixel).
    EXPECT_EQ(w->frameGeometry().topLeft(), QPoint(0, 0));
    EXPECT_NEAR(w->metrics().width, 15360, 15);
    EXPECT_NEAR(w->metrics().height, 11520, 15);
    // The list height factor 2.6 / 5 of the title editions.
    EXPECT_NEAR(w->geometryTwips().list.height, w->metrics().height * 2.6 / 5, 0.5);

    for (QFrame* frame : {w->FraTxtCmd, w->FraCmdPic}) {
        EXPECT_TRUE(frame->autoFillBackground());
        EXPECT_EQ(frame->palette().color(QPalette::Window), QColor(0, 192, 0));
    }
    EXPECT_EQ(w->CmdPic[kExit]->text(), QStringLiteral("退出(&E)"));

    // Reading the book around leaves the folder as empty as it was.
    w->listVW_ItemClick(2);
    w->CmdPic_Click(kNext);
    w->menuHelp_Click();
    w->menuReader_Click();
    EXPECT_TRUE(folderContents().isEmpty()) << folderContents().join(' ').toStdString();
    EXPECT_TRUE(boxes.shown().isEmpty());
}

TEST_P(TitleEditionTest, ClickingAnEntryShowsItsFormattedDocumentAndAnEmptyPicture)
{
    startEdition();
    for (int k = 1; k <= entries(); ++k) {
        w->listVW_ItemClick(k);
        EXPECT_EQ(w->currentPage(), k);
        expectEntry(k);
    }
    // A click with the mouse goes the same way.
    w->menuReader_Click();
    QTest::mouseClick(w->listVW->viewport(), Qt::LeftButton, {}, titleCellPoint(2));
    EXPECT_EQ(w->currentPage(), 2);
    expectEntry(2);

    // Copied as rich text: the title keeps its centred, larger type.
    const QTextBlock title = w->RTBoxShow[0]->document()->begin();
    const QTextBlock last = w->RTBoxShow[0]->document()->lastBlock();
    EXPECT_EQ(title.text(), ed().titles[1]);
    EXPECT_TRUE(title.blockFormat().alignment() & Qt::AlignHCenter);
    EXPECT_GT(title.begin().fragment().charFormat().fontPointSize(),
              last.begin().fragment().charFormat().fontPointSize());
}

TEST_P(TitleEditionTest, PagingFromTheStartGoesToEntryTwoOrToTheLastEntry)
{
    startEdition();
    w->CmdPic_Click(kNext);
    EXPECT_EQ(w->currentPage(), 2);
    expectEntry(2);

    w.reset();
    startEdition();
    w->CmdPic_Click(kPrevious);
    EXPECT_EQ(w->currentPage(), entries());
    expectEntry(entries());
    w->CmdPic_Click(kNext);
    expectEntry(1);
}

TEST_P(TitleEditionTest, AutoPlayStepsThroughEveryEntryAndWraps)
{
    startEdition();
    w->CmdPic_Click(kContinuous);
    EXPECT_GT(w->Timer1.interval(), 0);
    for (int k = 1; k <= entries(); ++k) {
        w->Timer1_Timer();
        expectEntry(k);
    }
    w->Timer1_Timer();
    expectEntry(1);
    EXPECT_EQ(w->currentPage(), 1);  // auto-play counts on its own
    w->CmdPic_Click(kPause);
    EXPECT_EQ(w->Timer1.interval(), 0);
}

TEST_P(TitleEditionTest, ReadAloudReadsTheDocumentOnDisplay)
{
    startWithVoice();
    w->CmdRead_Click();
    EXPECT_EQ(log->spoken, speech::SplitForSpeech(w->RTBoxShow[1]->Text()));  // the introduction

    log->spoken.clear();
    w->listVW_ItemClick(entries());
    w->CmdRead->click();
    EXPECT_EQ(log->spoken, speech::SplitForSpeech(w->RTBoxTxt.back()->Text()));
    EXPECT_EQ(w->CmdRead->text(), speech::kCaptionRead);
    EXPECT_TRUE(boxes.shown().isEmpty());
}

TEST_P(TitleEditionTest, ReadingAidsWorkOnTheBuiltInBook)
{
    startWithVoice();
    // The voice is followed through the formatted introduction.
    QStringList marked;
    log->onSpeak = [&](const QString&) {
        const auto marks = w->RTBoxShow[0]->extraSelections();
        QString text = marks.isEmpty() ? QString() : marks.first().cursor.selectedText();
        text.replace(QChar::ParagraphSeparator, QLatin1String("\r\n")).replace(QChar::LineSeparator, QLatin1String("\r\n"));
        marked << text;
    };
    w->CmdRead_Click();
    QStringList expected;
    for (const QString& piece : log->spoken)
        expected << piece.trimmed();
    ASSERT_GT(expected.size(), 1);
    EXPECT_EQ(marked, expected);
    EXPECT_TRUE(w->RTBoxShow[0]->extraSelections().isEmpty());

    // Page Down reads on through the introduction, then turns to the next entry;
    // the list's selection is the user's alone (the picture-less book has nothing to decode ahead).
    const QModelIndexList chosen = w->listVW->selectionModel()->selectedRows();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    w->RTBoxShow[0]->setFocus();
    for (int presses = 0; presses < 500 && w->currentPage() == 1; ++presses)
        QTest::keyClick(w->RTBoxShow[0], Qt::Key_PageDown);
    expectEntry(2);
    w->Timer1_Timer();
    expectEntry(1);
    EXPECT_EQ(w->listVW->selectionModel()->selectedRows(), chosen);
    EXPECT_TRUE(testing_support::waitUntil([&] { return w->picturePrefetcher().isIdle(); }));
    EXPECT_EQ(w->picturePrefetcher().readyCount(), 0);
}

TEST_P(TitleEditionTest, NoSpeechDialogAndTheSwitchedOffEntriesStayOffWhateverHappens)
{
    startEdition();
    EXPECT_EQ(w->ReadTxt, nullptr);
    const QStringList captions = actionTexts(w->menuBar()->actions());
    EXPECT_FALSE(captions.contains(QStringLiteral("语音朗读")));
    EXPECT_FALSE(captions.contains(QStringLiteral("制作电子书")));

    // "制作图文列表" is the last entry of the tools menu, after a separator, and nowhere else.
    EXPECT_EQ(w->menuDocItem->text(), QStringLiteral("制作图文列表"));
    const QList<QAction*> tools = w->menuTool->actions();
    ASSERT_GE(tools.size(), 2);
    EXPECT_EQ(tools.last(), w->menuDocItem);
    EXPECT_TRUE(tools[tools.size() - 2]->isSeparator());
    EXPECT_FALSE(w->menuBar()->actions().contains(w->menuDocItem));

    // Zoom entries start switched off; the layout commands switch them as usual.
    EXPECT_FALSE(w->menuPicLarge->isEnabled());
    EXPECT_FALSE(w->menuPicSmall->isEnabled());

    QAction* const off[] = {w->menuDocItem, w->menuPicFullScr, w->menuPrint};
    auto expectOff = [&](const char* after) {
        for (QAction* a : off)
            EXPECT_FALSE(a->isEnabled()) << a->text().toStdString() << " after " << after;
    };
    expectOff("start");
    w->activateWindow();
    QTest::keyClick(w.get(), Qt::Key_F1);
    EXPECT_EQ(w->layoutMode(), LayoutMode::Standard);
    EXPECT_TRUE(w->menuPicLarge->isEnabled());
    expectOff("F1");
    QTest::keyClick(w.get(), Qt::Key_F2);  // a switched-off entry's key does nothing
    EXPECT_EQ(w->layoutMode(), LayoutMode::Standard);
    expectOff("F2");
    w->menuPicFullScr->trigger();
    w->menuPrint->trigger();
    w->menuDocItem->trigger();
    EXPECT_EQ(w->layoutMode(), LayoutMode::Standard);
    QTest::keyClick(w.get(), Qt::Key_F3);
    EXPECT_EQ(w->layoutMode(), LayoutMode::TextMaximum);
    expectOff("F3");
    w->menuHelp->trigger();
    expectOff("help");
    w->menuReader_Click();
    w->ImgPic_Click();  // the picture's own click still shows it full screen
    EXPECT_EQ(w->layoutMode(), LayoutMode::PictureFullScreen);
    w->ImgPic_DblClick();
    w->resize(w->width() - 40, w->height() - 40);
    QApplication::processEvents();
    expectOff("picture clicks and a resize");
    for (QAction* a : off)
        a->setEnabled(true);  // not even the window's own code can switch them on
    expectOff("switching them on");
    EXPECT_TRUE(boxes.shown().isEmpty());
}

TEST_P(TitleEditionTest, ListHeaderAndDoubleClicks)
{
    startEdition();
    w->listVW_ColumnClick(0);  // "N"
    EXPECT_EQ(w->listVW->sortKey(), 0);
    w->listVW_ColumnClick(1);  // "    目  录"
    EXPECT_EQ(w->listVW->sortKey(), 1);
    w->listVW_ColumnClick(0);
    w->listVW_ColumnClick(3);  // a file-name header
    EXPECT_EQ(w->listVW->sortKey(), 1);
    EXPECT_EQ(w->listVW->subItem(1, 1), ed().titles[0]);  // the list keeps the book's order

    // A double click shows the entry (its click) and leaves the layout alone.
    int doubleClicks = 0;
    QObject::connect(w->listVW, &platform::ListView::dblClick, [&] { ++doubleClicks; });
    // The platform's order: a click, then the double click.
    QTest::mouseClick(w->listVW->viewport(), Qt::LeftButton, {}, titleCellPoint(3));
    QTest::mouseDClick(w->listVW->viewport(), Qt::LeftButton, {}, titleCellPoint(3));
    EXPECT_EQ(doubleClicks, 1);
    EXPECT_EQ(w->layoutMode(), LayoutMode::TextMaximum);
    EXPECT_EQ(w->currentPage(), 3);
    expectEntry(3);
}

TEST_P(TitleEditionTest, ExitButtonMenuAndEscEndTheProgram)
{
    startEdition();
    w->CmdPic[kExit]->click();
    EXPECT_EQ(exits.count(), 1);
    w->activateWindow();
    QTest::keyClick(w->RTBoxShow[0], Qt::Key_Escape);
    EXPECT_EQ(exits.count(), 2);
    w->menuExit->trigger();
    EXPECT_EQ(exits.count(), 3);
}

TEST_P(TitleEditionTest, ReadAloudFailuresShowTheEditionsMessage)
{
    const QString message = speech::kNoSpeechLibraryMessage;
    // With no speech engine every speech step fails; with a failing one every piece does.
    for (const bool engine : {false, true}) {
        SCOPED_TRACE(engine ? "failing engine" : "no engine");
        w.reset();
        boxes.clear();
        log = std::make_shared<VoiceLog>();
        log->onSpeak = [](const QString&) { throw platform::Error(platform::errc::DeviceUnavailable, QStringLiteral("busy")); };
        if (engine)
            startWithVoice();
        else
            startEdition();
        const int pieces = static_cast<int>(speech::SplitForSpeech(shownText()).size());
        ASSERT_GT(pieces, 1);
        w->CmdRead_Click();

        const int failingSteps = engine ? pieces : 1 + pieces;  // the resume step fails only without an engine
        ASSERT_EQ(boxes.shown().size(), ed().failureEndsRun ? 1 : failingSteps);
        for (const platform::MsgRequest& box : boxes.shown()) {
            EXPECT_EQ(box.title, QStringLiteral("语音下载"));
            EXPECT_EQ(box.buttons, platform::MsgButtons::OK);
            if (ed().failureEndsRun) {
                EXPECT_EQ(box.text, message);
            } else {
                ASSERT_TRUE(box.text.startsWith(message)) << box.text.toStdString();
                const QString number = box.text.mid(message.size());
                EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9]+$")).match(number).hasMatch())
                    << number.toStdString();
                if (engine) {
                    EXPECT_EQ(number, QString::number(platform::errc::DeviceUnavailable));
                }
            }
        }
        if (engine) {
            EXPECT_EQ(log->spoken.size(), ed().failureEndsRun ? 1 : pieces);
        }
        EXPECT_EQ(w->CmdRead->text(), speech::kCaptionRead);
    }
}

TEST_P(TitleEditionTest, FindSearchesEveryEntryDocumentAndShowsTheEntryWithTheHitSelected)
{
    startEdition();
    // The switched-off builder entry stays last, after its separator; find comes just before.
    const QList<QAction*> tools = w->menuTool->actions();
    ASSERT_GE(tools.size(), 3);
    EXPECT_EQ(tools[tools.size() - 3], w->menuFind);
    EXPECT_TRUE(w->menuFind->isEnabled());

    w->menuFind_Click();
    reader::FrmFind* find = w->findWindow();
    ASSERT_NE(find, nullptr);
    // The last entry's title stands in its own document, perhaps in others too.
    const QString query = ed().titles.last();
    find->TxtFind->setText(query);
    ASSERT_TRUE(testing_support::waitUntil([&] { return !find->searching(); }));
    QSet<int> expected;
    for (int k = 1; k <= entries(); ++k)
        if (w->RTBoxTxt[k - 1]->document()->toPlainText().contains(query))
            expected.insert(k);
    ASSERT_TRUE(expected.contains(entries()));
    QSet<int> found;
    int lastEntryRow = -1;
    for (int row = 0; row < find->listHits->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = find->listHits->topLevelItem(row);
        const int page = item->text(0).toInt();
        found.insert(page);
        EXPECT_EQ(item->text(1), ed().titles.value(page - 1));
        EXPECT_TRUE(item->text(2).contains(query));
        if (page == entries() && lastEntryRow < 0)
            lastEntryRow = row;
    }
    EXPECT_EQ(found, expected);

    find->listHits_DblClick(lastEntryRow);
    EXPECT_EQ(w->currentPage(), entries());
    expectEntry(entries());
    EXPECT_EQ(w->RTBoxShow[0]->textCursor().selectedText(), query);
}

INSTANTIATE_TEST_SUITE_P(Editions, TitleEditionTest, ::testing::ValuesIn(kEditions),
                         [](const ::testing::TestParamInfo<Edition>& info) { return std::string(info.param.name); });
