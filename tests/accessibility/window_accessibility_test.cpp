// Every window of the three programs, as a screen reader meets it: announced as a
// window or dialog with its caption, every control in it named. A new window is
// checked by one more EXPECT_TRUE(isAccessibleWindow(...)) line below.
#include "reader/reader_fixture.h"
#include "builder/frmfile.h"
#include "reader/frmfind.h"
#include "platform/core/listview.h"
#include "platform/core/scrollbar.h"
#include "speech/frmreadtxt.h"
#include "support/accessibility_check.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTreeWidget>

using testing_support::isAccessibleWindow;
using testing_support::walkAccessibleWindow;

class WindowAccessibility : public ReaderTest {
protected:
    // Zooms in until the picture overhangs its pane, so its scroll bars are shown too.
    void showPictureScrollBars()
    {
        for (int i = 0; i < 40 && !(w->HScr->isVisible() && w->VScr->isVisible()); ++i)
            w->menuPicLarge_Click();
        ASSERT_TRUE(w->HScr->isVisible() && w->VScr->isVisible());
    }
};

TEST_F(WindowAccessibility, EveryWindowOfTheGeneralEditionIsAnnouncedWithEveryControlNamed)
{
    makeBook(3);
    start();
    showPictureScrollBars();
    EXPECT_TRUE(isAccessibleWindow(w.get()));
    EXPECT_EQ(walkAccessibleWindow(w.get()).role, QAccessible::Window);

    w->menuPicData_Click();
    EXPECT_TRUE(isAccessibleWindow(w->choice().window()));
    EXPECT_EQ(walkAccessibleWindow(w->choice().window()).role, QAccessible::Dialog);

    // The fixture's reader has no speech engine: the voice list stays empty and
    // must still say what it is.
    w->ReadTxt_Click();
    ASSERT_NE(w->readTxtDialog(), nullptr);
    EXPECT_EQ(w->readTxtDialog()->VoiceCB->count(), 0);
    EXPECT_TRUE(isAccessibleWindow(w->readTxtDialog()));
    EXPECT_EQ(walkAccessibleWindow(w->readTxtDialog()).role, QAccessible::Window);

    w->menuDocItem_Click();
    builder::frmFile* builderWindow = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* b = qobject_cast<builder::frmFile*>(top))
            builderWindow = b;
    ASSERT_NE(builderWindow, nullptr);
    EXPECT_TRUE(isAccessibleWindow(builderWindow));

    w->menuFind_Click();
    ASSERT_NE(w->findWindow(), nullptr);
    EXPECT_TRUE(isAccessibleWindow(w->findWindow()));
}

TEST_F(WindowAccessibility, TitleEditionsAreAnnouncedWithEveryControlNamedInBothTheirLayouts)
{
    for (const reader::EditionProfile& profile : {reader::varnholtEdition(), reader::meritonEdition()}) {
        SCOPED_TRACE(profile.caption.toStdString());
        start(profile);
        EXPECT_TRUE(isAccessibleWindow(w.get()));
        w->menuReader_Click();
        EXPECT_TRUE(isAccessibleWindow(w.get()));
        w->menuPicData_Click();
        EXPECT_TRUE(isAccessibleWindow(w->choice().window()));
        w.reset();
    }
}

TEST_F(WindowAccessibility, ControlsAreNamedByTheirRoleInTheWindow)
{
    makeBook(2);
    start();
    showPictureScrollBars();
    w->ReadTxt_Click();
    const auto nameOf = [](QWidget* window, const QString& pathEnd) {
        for (const auto& c : walkAccessibleWindow(window).controls)
            if (c.path.endsWith(pathEnd))
                return c.name;
        return QStringLiteral("<not found>");
    };
    EXPECT_EQ(nameOf(w.get(), QStringLiteral("platform::ListView")),
              QStringLiteral("N 目录 文字文件名.扩展名 图像文件名.扩展名"));
    EXPECT_EQ(nameOf(w.get(), QStringLiteral("platform::RichTextBox")), QStringLiteral("文本"));
    speech::FrmReadTxt* dialog = w->readTxtDialog();
    EXPECT_EQ(nameOf(dialog, QStringLiteral("MainTxtBox")), QStringLiteral("朗读文本"));
    EXPECT_EQ(nameOf(dialog, QStringLiteral("FormatCB")), QStringLiteral("发音模式："));
    EXPECT_EQ(nameOf(dialog, QStringLiteral("RateSldr")), QStringLiteral("语速："));
    EXPECT_EQ(nameOf(dialog, QStringLiteral("qt_scrollarea_vcontainer/QScrollBar")), QStringLiteral("朗读文本"));
}

// A window written later, with no accessibility code of its own, gets its role and
// names from the program-wide rules: tooltips, labels, column captions.
TEST(PlainWindowAccessibility, AWindowBuiltFromPlainControlsNeedsNoCodeOfItsOwn)
{
    for (Qt::WindowType type : {Qt::Window, Qt::Dialog}) {
        QWidget window(nullptr, type);
        window.setWindowTitle(QStringLiteral("查找"));
        auto* button = new QPushButton(QStringLiteral("查找下一个(&F)"), &window);
        auto* iconOnly = new QPushButton(&window);
        iconOnly->setToolTip(QStringLiteral("向上查找"));
        auto* label = new QLabel(QStringLiteral("查找内容："), &window);
        auto* edit = new QLineEdit(&window);
        label->setBuddy(edit);
        auto* combo = new QComboBox(&window);
        combo->addItems({QStringLiteral("全文"), QStringLiteral("本页")});
        auto* comboLabel = new QLabel(QStringLiteral("范围："), &window);
        comboLabel->setBuddy(combo);
        auto* list = new QTreeWidget(&window);
        list->setHeaderLabels({QStringLiteral("序号"), QStringLiteral("  页  名")});
        auto* slider = new QSlider(Qt::Horizontal, &window);
        slider->setToolTip(QStringLiteral("字号"));
        auto* bar = new platform::ScrollBar(Qt::Vertical, &window);
        bar->setAccessibleName(QStringLiteral("位置"));
        auto* text = new QPlainTextEdit(&window);
        text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        text->setToolTip(QStringLiteral("结果"));  // lends its name to its scroll bar too
        auto* box = new QGroupBox(QStringLiteral("匹配"), &window);
        auto* inBox = new QLineEdit(box);
        window.show();

        EXPECT_TRUE(isAccessibleWindow(&window));
        const auto w = walkAccessibleWindow(&window);
        EXPECT_EQ(w.role, type == Qt::Dialog ? QAccessible::Dialog : QAccessible::Window);
        QStringList names;
        for (const auto& c : w.controls)
            names << c.name;
        EXPECT_EQ(names, (QStringList{QStringLiteral("查找下一个(F)"), QStringLiteral("向上查找"),
                                      QStringLiteral("查找内容："), QStringLiteral("范围："),
                                      QStringLiteral("序号 页名"), QStringLiteral("字号"), QStringLiteral("位置"),
                                      QStringLiteral("结果"), QStringLiteral("结果"), QStringLiteral("匹配")}));
        // A tooltip that changes renames the control it lent its name to; a label set later takes over.
        iconOnly->setToolTip(QStringLiteral("向下查找"));
        EXPECT_EQ(walkAccessibleWindow(&window).controls.at(1).name, QStringLiteral("向下查找"));
        auto* late = new QLabel(QStringLiteral("文字大小："), &window);
        late->setBuddy(slider);
        late->show();
        slider->hide();
        slider->show();
        EXPECT_EQ(walkAccessibleWindow(&window).controls.at(5).name, QStringLiteral("文字大小："));
        Q_UNUSED(button);
        Q_UNUSED(bar);
        Q_UNUSED(inBox);
    }
}

// Tab walks the reader the way its controls are laid out: the catalogue, the
// button bar row by row, the read button, the picture's scroll bars, the text.
TEST_F(WindowAccessibility, TabWalksTheReaderInItsLayoutOrder)
{
    makeBook(2);
    start();
    showPictureScrollBars();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QList<QWidget*> order{w->listVW};
    for (QPushButton* b : w->CmdPic)
        order << b;
    order << w->CmdRead << w->HScr << w->VScr << w->RTBoxShow[0] << w->listVW;
    // The window opens with the focus on the catalogue, the first control of that order.
    ASSERT_EQ(QApplication::focusWidget(), w->listVW);
    for (int i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), order[i]) << i;
    }
}
