// Text background, printing and the help document, through the window's menu.
#include "reader_fixture.h"

#include "platform/core/scrollbar.h"
#include "platform/dialogs/comdialog.h"
#include "reader/frmfind.h"
#include "reader/frmthumbs.h"
#include "speech/fake_voice.h"
#include "speech/frmreadtxt.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPageLayout>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace reader;
using platform::DialogKind;
using platform::DialogRecorder;
using platform::DialogRequest;

namespace {
constexpr int kPrevious = 4, kNext = 5;
constexpr int kDpi = 96;
constexpr double kMargin = 0.5;  // inches
const QString kCancelled = QStringLiteral("用户取消了操作");

// What a user does in the printer dialog: print to a PDF file, A4, half-inch margins.
DialogRecorder::PrinterAnswer printTo(const QString& pdf)
{
    return [pdf](const DialogRequest&, QPrinter& device) {
        device.setOutputFormat(QPrinter::PdfFormat);
        device.setOutputFileName(pdf);
        device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(kMargin, kMargin, kMargin, kMargin), QPageLayout::Inch));
        return true;
    };
}
}

TEST_F(ReaderTest, TextBackgroundTakesTheChosenColourOrKeepsItsOwn)
{
    const QColor chosen(255, 255, 192);
    EditionProfile silent = generalEdition();
    silent.textBackFailureReported = false;
    struct Case {
        const char* name;
        EditionProfile profile;
        bool fullScreen;
        bool cancel;
    };
    const Case cases[] = {
        {"standard layout", generalEdition(), false, false},
        {"picture full screen", generalEdition(), true, false},
        {"cancelled", generalEdition(), false, true},
        {"cancelled in an edition that reports nothing", silent, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        makeBook(2);
        start(c.profile);
        DialogRecorder dialogs;
        dialogs.answerColor([&](const DialogRequest&) -> std::optional<QColor> {
            if (c.cancel)
                return std::nullopt;
            return chosen;
        });
        const QColor design = w->RTBoxShow[0]->BackColor();
        w->stBarPanels[2]->setText(QStringLiteral("before"));
        if (c.fullScreen)
            w->menuPicFullScr->trigger();
        w->menuTextBack->trigger();

        ASSERT_EQ(dialogs.shown().size(), 1);
        EXPECT_EQ(dialogs.shown()[0].kind, DialogKind::Color);
        EXPECT_EQ(dialogs.shown()[0].title, QStringLiteral("选择文本背景色："));
        EXPECT_EQ(dialogs.shown()[0].color, design);
        if (c.fullScreen) {
            EXPECT_FALSE(w->RTBoxShow[0]->isVisible());
            w->menuReader->trigger();
            EXPECT_TRUE(w->RTBoxShow[0]->isVisible());
        }
        EXPECT_EQ(w->RTBoxShow[0]->BackColor(), c.cancel ? design : chosen);
        // The viewport paints the background the user sees.
        EXPECT_EQ(w->RTBoxShow[0]->viewport()->palette().color(QPalette::Base), c.cancel ? design : chosen);
        const bool reported = c.cancel && c.profile.textBackFailureReported;
        EXPECT_EQ(w->panelText(3), reported ? kCancelled : QStringLiteral("before"));
    }
}

TEST_F(ReaderTest, PrintingGivesThePictureFileAtItsSizeTimesThePrintScale)
{
    makeBook(2);
    // A scan that declares 300 dpi prints as large as the screen shows it unstretched.
    QImage scan(pictureWidth(1), 60, QImage::Format_RGB32);
    scan.fill(Qt::darkCyan);
    scan.setDotsPerMeterX(11811);
    scan.setDotsPerMeterY(11811);
    ASSERT_TRUE(scan.save(dir.file("p1.png")));
    start();
    // Two zoom steps: the print takes the picture file, not the view.
    w->menuPicLarge->trigger();
    w->menuPicLarge->trigger();
    for (const int scale : {100, 150}) {
        SCOPED_TRACE(scale);
        const QString pdf = dir.file(QStringLiteral("page%1.pdf").arg(scale));
        // Reading the print scale loads the settings window hidden.
        w->choice().HScrTs();
        w->choice().window()->findChild<platform::ScrollBar*>(QStringLiteral("HScrTs"))->setValueChecked(scale);
        DialogRecorder dialogs;
        dialogs.answerPrinter(printTo(pdf));
        w->menuPrint->trigger();

        ASSERT_EQ(dialogs.shown().size(), 1);
        EXPECT_EQ(dialogs.shown()[0].kind, DialogKind::Printer);
        EXPECT_EQ(dialogs.shown()[0].title, QStringLiteral("打印图像："));
        EXPECT_TRUE(w->panelText(3).isEmpty());
        const QRect box = testing_support::inkBox(testing_support::renderPdfPage(pdf, kDpi));
        // Page pictures are 96 dpi: one picture pixel is one page pixel at 100 %.
        const double zoom = scale / 100.0;
        // An edge that falls exactly between two rows of the rendering may ink both.
        EXPECT_NEAR(box.width(), pictureWidth(1) * zoom, 2.0);
        EXPECT_NEAR(box.height(), 60 * zoom, 2.0);
        EXPECT_NEAR(box.left(), (kMargin + 10 / 1440.0 * zoom) * kDpi, 1.0);
        EXPECT_NEAR(box.top(), (kMargin + 10 / 1440.0 * zoom) * kDpi, 1.0);
    }
}

TEST_F(ReaderTest, PrintFailuresAreShownInPanelThreeAndPrintNothing)
{
    // No picture loaded: the drawing step fails before any dialog.
    start();
    {
        DialogRecorder dialogs;
        dialogs.answerPrinter(printTo(dir.file(QStringLiteral("none.pdf"))));
        w->menuPrint_Click();
        EXPECT_TRUE(dialogs.shown().isEmpty());
        EXPECT_EQ(w->panelText(3), QStringLiteral("无效图片"));
        EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("none.pdf"))));
    }

    // Cancelled on page 2, printed on page 1: only page 1's picture comes out.
    makeBook(2);
    start();
    w->CmdPic_Click(kNext);
    DialogRecorder dialogs;
    w->menuPrint_Click();
    EXPECT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(w->panelText(3), kCancelled);
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("*.pdf")}), QStringList());

    w->CmdPic_Click(kPrevious);
    const QString pdf = dir.file(QStringLiteral("page1.pdf"));
    dialogs.answerPrinter(printTo(pdf));
    w->menuPrint_Click();
    const QRect box = testing_support::inkBox(testing_support::renderPdfPage(pdf, kDpi));
    EXPECT_NEAR(box.width(), pictureWidth(1), 1.5);
}

TEST_F(ReaderTest, HelpDocumentDescribesEveryMenuEntryButtonAndShortcut)
{
    start();
    const QString help = w->RTBoxShow[1]->Text();
    QStringList wanted;
    for (QAction* a : w->actions()) {
        // "退出(&X)" is described as 退出; its access key with the menu.
        QString caption = a->text();
        caption.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
        wanted << caption;
        if (!a->shortcut().isEmpty())
            wanted << a->shortcut().toString(QKeySequence::PortableText);
    }
    for (QAction* m : w->menuBar()->actions())
        wanted << m->text().remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    for (QPushButton* b : w->CmdPic)
        wanted << b->text().remove(QRegularExpression(QStringLiteral("\\(&.*\\)")));
    wanted << w->CmdRead->text() << QStringLiteral("Esc");
    // The other windows the manual leads to: builder, settings, speech dialog.
    wanted << QStringLiteral("制作图文电子读物目录") << QStringLiteral("图像参数选择") << QStringLiteral("图像打印倍率")
           << QStringLiteral("幻灯播放时间间隔") << QStringLiteral("图像背景色") << QStringLiteral("语速")
           << QStringLiteral("音量") << QStringLiteral("发音模式");
    // The page keys, which no menu entry names.
    wanted << QStringLiteral("PageDown") << QStringLiteral("PageUp");
    wanted.removeDuplicates();
    for (const QString& s : wanted)
        EXPECT_TRUE(help.contains(s)) << "the help does not mention " << s.toStdString();
}

// Every key of the help's key list, pressed: the effect is the one its line names.
TEST_F(ReaderTest, EachKeyOfTheHelpsKeyListDoesWhatItsLineSays)
{
    makeBook(3);
    auto log = std::make_shared<VoiceLog>();
    start(generalEdition(), [log] { return std::make_unique<FakeVoice>(log); });
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    DialogRecorder dialogs;

    // "KEY<tab>what it does" lines, between the key list's heading and the next one.
    QHash<QString, QString> helpKeys;
    bool inList = false;
    for (const QString& line : w->RTBoxShow[1]->Text().split(QRegularExpression(QStringLiteral("[\r\n]+")))) {
        if (line.contains(QStringLiteral("快捷键一览")))
            inList = true;
        else if (inList && line.contains(QStringLiteral("、")) && !line.contains(QLatin1Char('\t')))
            break;
        else if (inList && line.contains(QLatin1Char('\t')))
            helpKeys.insert(line.section(QLatin1Char('\t'), 0, 0).trimmed(), line.section(QLatin1Char('\t'), 1));
    }
    ASSERT_FALSE(helpKeys.isEmpty());

    const float fitted = w->imageState().width;
    const auto page = [this] { return w->panelText(2).toInt(); };
    // Esc in the find window, or the thumbnails, is theirs.
    const auto backToTheReader = [this] {
        if (w->findWindow())
            w->findWindow()->close();
        if (w->thumbsWindow())
            w->thumbsWindow()->close();
        w->RTBoxShow[0]->setFocus();
    };
    const struct {
        const char* key;
        const char* says;  // the words of its line the effect must bear out
        QKeySequence press;
        std::function<void()> before;
        std::function<bool()> effect;
    } claims[] = {
        {"F3", "文本最大", Qt::Key_F3, [] {}, [&] { return w->layoutMode() == LayoutMode::TextMaximum; }},
        {"F1", "标准分区", Qt::Key_F1, [] {}, [&] { return w->layoutMode() == LayoutMode::Standard; }},
        {"F2", "图像满屏", Qt::Key_F2, [] {}, [&] { return w->layoutMode() == LayoutMode::PictureFullScreen; }},
        {"F5", "放大", Qt::Key_F5, [&] { w->menuReader_Click(); }, [&] { return w->imageState().width > fitted; }},
        {"F6", "缩小", Qt::Key_F6, [&] { w->menuReader_Click(); }, [&] { return w->imageState().width < fitted; }},
        {"F7", "自动播放", Qt::Key_F7, [] {}, [&] { return w->Timer1.interval() > 0; }},
        {"F8", "暂停", Qt::Key_F8, [] {}, [&] { return w->Timer1.interval() == 0; }},
        {"PageDown", "下一页", Qt::Key_PageDown, [&] { w->CmdPic[7]->setFocus(); }, [&] { return page() == 2; }},
        {"PageUp", "上一页", Qt::Key_PageUp, [&] { w->CmdPic[7]->setFocus(); }, [&] { return page() == 1; }},
        {"Ctrl+P", "图像设置", QKeySequence(Qt::CTRL | Qt::Key_P), [] {}, [&] { return w->choice().isLoaded(); }},
        {"Ctrl+T", "文本背景", QKeySequence(Qt::CTRL | Qt::Key_T), [] {}, [&] { return dialogs.shown().size() == 1; }},
        {"Ctrl+F", "查找", QKeySequence(Qt::CTRL | Qt::Key_F), [] {}, [&] { return w->findWindow() && w->findWindow()->isVisible(); }},
        {"F4", "页面一览", Qt::Key_F4, [&] { backToTheReader(); }, [&] { return w->thumbsWindow() && w->thumbsWindow()->isVisible(); }},
        {"F9", "朗读", Qt::Key_F9, [&] { backToTheReader(); w->listVW_ItemClick(2); }, [&] { return log->spoken == QStringList{"第2页"}; }},
        {"F10", "连续朗读", Qt::Key_F10, [&] { backToTheReader(); }, [&] { return log->spoken == QStringList({"第2页", "第2页", "第3页"}); }},
        {"F11", "全屏", Qt::Key_F11, [&] { backToTheReader(); }, [&] { return w->isFullScreen(); }},
        // Esc: in the standard layout it ends the program; in the full-screen picture it does nothing.
        {"Esc", "退出程序", Qt::Key_Escape, [&] { backToTheReader(); w->menuReader_Click(); }, [&] { return exits.count() == 1; }},
        {"Esc", "不起作用", Qt::Key_Escape, [&] { backToTheReader(); w->menuPicFullScr_Click(); }, [&] { return exits.count() == 1; }},
    };
    QSet<QString> driven;
    for (const auto& c : claims) {
        SCOPED_TRACE(c.key);
        driven << c.key;
        ASSERT_TRUE(helpKeys.contains(c.key)) << "the help's key list leaves it out";
        EXPECT_TRUE(helpKeys[c.key].contains(QString::fromUtf8(c.says))) << helpKeys[c.key].toStdString();
        c.before();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : w.get();
        QTest::keySequence(focus, c.press);
        QApplication::processEvents();
        EXPECT_TRUE(c.effect());
    }
    for (auto it = helpKeys.cbegin(); it != helpKeys.cend(); ++it)
        EXPECT_TRUE(driven.contains(it.key())) << "no check of the help's line for " << it.key().toStdString();
}

// Every line of the help's menu list names an entry the menus have, with the
// key the help gives it; the entries without a key do what their line says.
TEST_F(ReaderTest, EachEntryOfTheHelpsMenuListIsThereAndDoesWhatItsLineSays)
{
    makeBook(2);
    start();
    DialogRecorder dialogs;
    QHash<QString, QAction*> entries;
    for (QAction* a : w->actions())
        entries.insert(a->text().remove(QRegularExpression(QStringLiteral("\\(&.\\)"))), a);
    for (QAction* m : w->menuBar()->actions())
        entries.insert(m->text().remove(QRegularExpression(QStringLiteral("\\(&.\\)"))), m);

    // "caption（key）：what it does" lines, between the menu list's heading and the key list's.
    const QRegularExpression line(QStringLiteral("^\\s*([^（：\\t]+)(?:（([^）]+)）)?(?:：(.*))?$"));
    QStringList listed;
    bool inList = false;
    for (const QString& text : w->RTBoxShow[1]->Text().split(QRegularExpression(QStringLiteral("[\\r\\n]+")))) {
        if (text.contains(QStringLiteral("菜单一览"))) {
            inList = true;
            continue;
        }
        if (inList && text.contains(QStringLiteral("快捷键一览")))
            break;
        const QRegularExpressionMatch m = line.match(text);
        if (!inList || text.trimmed().isEmpty() || !m.hasMatch())
            continue;
        const QString caption = m.captured(1).trimmed(), key = m.captured(2);
        SCOPED_TRACE(caption.toStdString());
        listed << caption;
        QAction* entry = entries.value(caption);
        ASSERT_NE(entry, nullptr) << "the help names an entry the menus do not have";
        // Alt+letter is the access key the caption carries; any other key is the entry's shortcut.
        if (key.startsWith(QStringLiteral("Alt+"))) {
            EXPECT_TRUE(entry->text().contains(QStringLiteral("(&%1)").arg(key.mid(4)))) << entry->text().toStdString();
        } else if (!key.isEmpty()) {
            EXPECT_EQ(entry->shortcut().toString(QKeySequence::PortableText), key);
        }
    }
    ASSERT_GE(listed.size(), 10);

    const struct {
        const char* caption;
        std::function<bool()> effect;
    } unkeyed[] = {
        {"语音朗读", [&] { return w->readTxtDialog() && w->readTxtDialog()->isVisible(); }},
        {"制作电子书", [&] { return w->findChild<QWidget*>(QStringLiteral("frmFile")) != nullptr; }},
        {"打印图像", [&] { return dialogs.shown().size() == 1 && dialogs.shown()[0].kind == DialogKind::Printer; }},
        {"帮助", [&] { return w->layoutMode() == LayoutMode::TextMaximum && w->RTBoxShow[0]->Text().contains(QStringLiteral("使用说明")); }},
        {"退出", [&] { return exits.count() == 1; }},
    };
    for (const auto& c : unkeyed) {
        SCOPED_TRACE(c.caption);
        ASSERT_TRUE(listed.contains(QString::fromUtf8(c.caption)));
        entries.value(QString::fromUtf8(c.caption))->trigger();
        QApplication::processEvents();
        EXPECT_TRUE(c.effect());
    }
}
