#include "reader/frmmain.h"

#include "builder/frmfile.h"
#include "platform/core/form_design.h"
#include "platform/core/listview.h"
#include "platform/core/messagebox.h"
#include "platform/core/outer_geometry.h"
#include "platform/core/program.h"
#include "platform/core/scrollbar.h"
#include "platform/picture/picture.h"
#include "platform/speech/voice.h"
#include "platform/text/richtextbox.h"
#include "reader/catalogue.h"
#include "reader/picture_pane.h"
#include "reader/frmfind.h"
#include "reader/frmthumbs.h"
#include "reader/page_keys.h"
#include "reader/page_source.h"
#include "reader/voice_highlighter.h"
#include "speech/frmreadtxt.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>

// The reader library is static: its resources must be pulled in by name.
static void initReaderResources() { Q_INIT_RESOURCE(reader); }

namespace reader {

namespace {
// Design sizes the load step starts from, in twips.
constexpr float kDesignClientWidth = 9195;
constexpr float kDesignClientHeight = 7065;
constexpr float kStatusBarHeight = 420;

constexpr platform::FontDesign kSongti{u"宋体", 10.5};

// The button bar, in its frame FraCmdPic.
const platform::FormDesign kButtonBar = {
    {"CmdPic0", u"放大", u"图像放大", {105, 240, 855, 375}, kSongti},
    {"CmdPic1", u"缩小", u"图像缩小", {975, 240, 855, 375}, kSongti},
    {"CmdPic2", u"连续", u"自动连续播放", {105, 710, 855, 375}, kSongti},
    {"CmdPic3", u"暂停", u"暂停自动连续播放", {975, 710, 855, 375}, kSongti},
    {"CmdPic4", u"上一页", u"", {105, 1180, 855, 375}, kSongti},
    {"CmdPic5", u"下一页", u"", {975, 1180, 855, 375}, kSongti},
    {"CmdPic6", u"满屏", u"满屏显示图像", {105, 1650, 855, 375}, kSongti},
    {"CmdPic7", u"退出(&Esc)", u"结束本程序", {975, 1650, 855, 375}, {u"宋体", 7.5}},
    {"CmdRead", u"朗读", u"朗读当前文本", {105, 2100, 1692, 375}, {u"隶书", 13.5}},
};
}

const platform::FormDesign& frmmain::buttonBarDesign() { return kButtonBar; }

frmmain::frmmain(const EditionProfile& profile, platform::VoiceFactory voiceFactory)
    : profile_(profile), voiceFactory_(platform::orEngineVoice(std::move(voiceFactory)))
{
    initReaderResources();
    outer_ = new platform::OuterGeometry(this);
    setWindowTitle(profile_.caption);
    platform::setDefaultMsgTitle(profile_.caption);
    geom_ = designGeometry();
    createControls();
    createMenus();
    applyEdition();
    applyGeometry();
    connect(&Timer1, &platform::Timer::timeout, this, &frmmain::Timer1_Timer);
    choice_.attachReader(&Timer1, [this](const QColor& c) { PicPic->setBackColor(c); });
    resize(platform::twipsToPixels(kDesignClientWidth),
           platform::twipsToPixels(kDesignClientHeight) + menuBar()->sizeHint().height());
    createReadingAids();
}

frmmain::~frmmain()
{
    if (readTxt_)
        delete readTxt_.data();
    // The windows that read the book through its page source go before it does.
    delete thumbs_.data();
    delete find_.data();
}

void frmmain::createControls()
{
    client_ = new QWidget(this);
    setCentralWidget(client_);

    FraTxtCmd = new QFrame(client_);
    FraTxtCmd->setFrameStyle(QFrame::Box | QFrame::Sunken);
    listVW = new platform::ListView(FraTxtCmd);
    FraCmdPic = new QFrame(FraTxtCmd);
    FraCmdPic->setFrameStyle(QFrame::Box | QFrame::Sunken);

    createButtonBar();

    PicPic = new PicturePane(client_);
    ImgPic = new platform::ImageView(PicPic->inner());
    ImgPic->hide();
    connect(ImgPic, &platform::ImageView::clicked, this, &frmmain::ImgPic_Click);
    connect(ImgPic, &platform::ImageView::doubleClicked, this, &frmmain::ImgPic_DblClick);

    HScr = new platform::ScrollBar(Qt::Horizontal, client_);
    VScr = new platform::ScrollBar(Qt::Vertical, client_);
    for (platform::ScrollBar* s : {HScr, VScr}) {
        s->setMin(0);
        s->setSmallChange(10);
        s->setLargeChange(100);
    }
    HScr->setAccessibleName(QStringLiteral("横向移动图像"));
    VScr->setAccessibleName(QStringLiteral("纵向移动图像"));
    connect(HScr, &platform::ScrollBar::change, this, &frmmain::HScr_Change);
    connect(HScr, &platform::ScrollBar::scroll, this, &frmmain::HScr_Scroll);
    connect(VScr, &platform::ScrollBar::change, this, &frmmain::VScr_Change);
    connect(VScr, &platform::ScrollBar::scroll, this, &frmmain::VScr_Scroll);

    for (int i = 0; i < 2; ++i) {
        RTBoxShow[i] = new platform::RichTextBox(client_);
        RTBoxShow[i]->setReadOnly(true);
    }
    // "文本", as the text background and text maximum menu entries call it.
    RTBoxShow[0]->setAccessibleName(QStringLiteral("文本"));
    RTBoxShow[1]->hide();
    QFile help(QStringLiteral(":/reader/resources/help.rtf"));
    if (help.open(QIODevice::ReadOnly))
        RTBoxShow[1]->setTextRTF(help.readAll());

    auto* bar = statusBar();
    bar->setSizeGripEnabled(true);
    bar->setFixedHeight(platform::twipsToPixels(kStatusBarHeight));
    for (int i = 0; i < 4; ++i) {
        stBarPanels[i] = new QLabel(bar);
        stBarPanels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bar->addWidget(stBarPanels[i], i == 0 ? 0 : 1);
    }
    stBarPanels[0]->setMinimumWidth(platform::twipsToPixels(1440));

    connect(listVW, &platform::ListView::itemClick, this, &frmmain::listVW_ItemClick);
    connect(listVW, &platform::ListView::columnClick, this, &frmmain::listVW_ColumnClick);
    connect(listVW, &platform::ListView::dblClick, this, &frmmain::listVW_DblClick);

    // F9 presses the read button, while it can be pressed, as a click would.
    auto* read = new QShortcut(QKeySequence(Qt::Key_F9), this);
    read->setContext(Qt::WindowShortcut);
    connect(read, &QShortcut::activated, this, [this] {
        if (CmdRead->isVisible() && CmdRead->isEnabled())
            CmdRead->click();
    });

    // The exit button is the window's cancel button: Esc presses it while it can be pressed.
    // Only within this window: a window-wide shortcut would also reach the find
    // window (a tool window of ours), where its own Esc would then be ambiguous.
    platform::cancelOnEscape(this, CmdPic[7], Qt::WidgetWithChildrenShortcut);
}

void frmmain::createButtonBar()
{
    for (int i = 0; i < 8; ++i) {
        CmdPic[i] = platform::named(new QPushButton(FraCmdPic), QStringLiteral("CmdPic%1").arg(i));
        CmdPic[i]->setAutoDefault(false);
        connect(CmdPic[i], &QPushButton::clicked, this, [this, i] { CmdPic_Click(i); });
    }
    CmdRead = platform::named(new QPushButton(FraCmdPic), QStringLiteral("CmdRead"));
    CmdRead->setAutoDefault(false);
    CmdRead->setStyleSheet(QStringLiteral("QPushButton { background-color: rgb(255,128,255); }"));
    connect(CmdRead, &QPushButton::clicked, this, &frmmain::CmdRead_Click);
    platform::applyDesign(FraCmdPic, kButtonBar);
    CmdPic[7]->setText(profile_.exitCaption);
}

void frmmain::createMenus()
{
    QMenuBar* bar = menuBar();
    auto add = [this](QMenu* menu, const QString& caption, const QKeySequence& key, void (frmmain::*handler)()) {
        auto* a = new QAction(caption, this);
        if (!key.isEmpty()) {
            a->setShortcut(key);
            // Shortcuts belong to the window, whatever widget has the focus.
            a->setShortcutContext(Qt::WindowShortcut);
        }
        connect(a, &QAction::triggered, this, handler);
        if (menu)
            menu->addAction(a);
        addAction(a);
        return a;
    };

    if (profile_.hasSpeechDialog) {
        ReadTxt = add(nullptr, QStringLiteral("语音朗读"), {}, &frmmain::ReadTxt_Click);
        bar->addAction(ReadTxt);
    }
    menuDocItem = add(nullptr, profile_.docItemCaption, {}, &frmmain::menuDocItem_Click);
    if (!profile_.docItemInToolMenu)
        bar->addAction(menuDocItem);

    menuFace = bar->addMenu(QStringLiteral("页面设置(&F)"));
    menuPicData = add(menuFace, QStringLiteral("图像设置"), QKeySequence(Qt::CTRL | Qt::Key_P), &frmmain::menuPicData_Click);
    menuTextBack = add(menuFace, QStringLiteral("文本背景"), QKeySequence(Qt::CTRL | Qt::Key_T), &frmmain::menuTextBack_Click);
    menuReader = add(menuFace, QStringLiteral("标准分区"), QKeySequence(Qt::Key_F1), &frmmain::menuReader_Click);
    menuPicFullScr = add(menuFace, QStringLiteral("图像满屏显示"), QKeySequence(Qt::Key_F2), &frmmain::menuPicFullScr_Click);
    menuTextLarge = add(menuFace, QStringLiteral("文本最大"), QKeySequence(Qt::Key_F3), &frmmain::menuTextLarge_Click);
    menuFace->addSeparator();
    menuPrint = add(menuFace, QStringLiteral("打印图像"), {}, &frmmain::menuPrint_Click);
    menuFace->addSeparator();
    menuExit = add(menuFace, QStringLiteral("退出(&X)"), {}, &frmmain::menuExit_Click);

    menuTool = bar->addMenu(QStringLiteral("工具(&T)"));
    menuPicLarge = add(menuTool, QStringLiteral("图像放大"), QKeySequence(Qt::Key_F5), &frmmain::menuPicLarge_Click);
    menuPicSmall = add(menuTool, QStringLiteral("图像缩小"), QKeySequence(Qt::Key_F6), &frmmain::menuPicSmall_Click);
    // Our own additions stand before the auto-play entries.
    menuReadOn = add(menuTool, QStringLiteral("连续朗读"), QKeySequence(Qt::Key_F10), &frmmain::menuReadOn_Click);
    menuThumbs = add(menuTool, QStringLiteral("页面一览"), QKeySequence(Qt::Key_F4), &frmmain::menuThumbs_Click);
    menuFullScreen = add(menuTool, QStringLiteral("全屏显示"), QKeySequence(Qt::Key_F11), &frmmain::menuFullScreen_Click);
    menuFullScreen->setCheckable(true);
    menuTool->addSeparator();
    menuAutoShow = add(menuTool, QStringLiteral("自动播放"), QKeySequence(Qt::Key_F7), &frmmain::menuAutoShow_Click);
    menuStopAuto = add(menuTool, QStringLiteral("暂停自动播放"), QKeySequence(Qt::Key_F8), &frmmain::menuStopAuto_Click);
    // Last of the tools, ahead of the title editions' switched-off builder entry, which stays last.
    menuFind = add(menuTool, QStringLiteral("查找(&F)..."), QKeySequence(Qt::CTRL | Qt::Key_F), &frmmain::menuFind_Click);
    if (profile_.docItemInToolMenu) {
        menuTool->addSeparator();
        menuTool->addAction(menuDocItem);
    }

    menuHelp = add(nullptr, QStringLiteral("帮助(&H)"), {}, &frmmain::menuHelp_Click);
    bar->addAction(menuHelp);
}

QString frmmain::panelText(int panel) const
{
    if (panel < 1 || panel > 4)
        return QString();
    return stBarPanels[panel - 1]->text();
}

speech::FrmReadTxt* frmmain::readTxtDialog() const { return readTxt_.data(); }

void frmmain::closeEvent(QCloseEvent* event)
{
    // Closing the reader by its close box ends the program, like the exit commands.
    event->accept();
    platform::endProgram();
}

void frmmain::menuExit_Click() { platform::endProgram(); }

void frmmain::menuDocItem_Click()
{
    // One builder at a time; a new one starts empty. Confirming it reads the
    // catalogue into the list again, with the reading loop of start-up.
    if (!frmFile_) {
        frmFile_ = new builder::frmFile(
            [this] {
                listVW->clearRows();
                readCatalogueRows(*listVW, findCatalogueFile(QDir::currentPath()));
                return listVW->count();
            },
            this);
    }
    frmFile_->show();
    frmFile_->raise();
    frmFile_->activateWindow();
}

void frmmain::menuPicData_Click() { choice_.Show(); }

void frmmain::ReadTxt_Click()
{
    if (!readTxt_)
        readTxt_ = new speech::FrmReadTxt(voiceFactory_);
    readTxt_->show();
    readTxt_->raise();
    readTxt_->activateWindow();
}

} // namespace reader
