#include "builder/frmfile.h"

#include "platform/core/error.h"
#include "platform/core/form_design.h"
#include "platform/core/listview.h"
#include "platform/core/program.h"
#include "platform/files/dir_list.h"
#include "platform/files/drive_list.h"
#include "platform/files/file_list.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <cmath>

namespace builder {

namespace {

const QString kPictureFilter = QStringLiteral("*.bmp;*.gif;*.jpg;*.jpeg;*.ico;*.wmf;*.emf");
const QString kTextFilter = QStringLiteral("*.rtf;*.txt");
constexpr double kListWidth = 6465;

// Colours as the design gives them.
using platform::fromBgr;
const QColor kRed = fromBgr(0x000000FF);
const QColor kYellow = fromBgr(0x0000FFFF);
const QColor kLightGreen = fromBgr(0x00C0FFC0);
const QColor kLightCyan = fromBgr(0x00FFFFC0);
// Yellow on the usual white is unreadable (a contrast of 1.07:1); on navy it is 14:1.
const QColor kNavy = fromBgr(0x00800000);

constexpr platform::FontDesign kTitleFont{u"宋体", 10.5, true};
constexpr platform::FontDesign kListFont{u"宋体", 10.5};
constexpr platform::FontDesign kPairingFont{u"宋体", 12};

const platform::FormDesign kDesign = {
    {"FraDir", u"选择图像文件", u"", {75, 75, 8040, 4104}, kTitleFont},
    {"LblDir0", u"驱动器列表", u"", {150, 375, 1215, 240}, kTitleFont},
    {"LblDir1", u"目录列表", u"", {150, 1055, 1065, 240}, kTitleFont},
    {"LblDir2", u"图像文件列表（必选）", u"", {2775, 375, 2265, 240}, kTitleFont},
    {"LblDir3", u"文字文件列表（可选）", u"", {5400, 375, 2265, 240}, kTitleFont},
    {"DriveList", u"", u"", {150, 670, 2190, 330}, kListFont},
    {"DirList", u"", u"双击目录（文件夹）列表，选择文件夹。", {156, 1356, 2196, 2472}, kListFont},
    {"FileList", u"", u"单击文件名选中图像文件", {2700, 672, 2412, 2820}, kListFont},
    {"FileTxt", u"", u"单击文件名选中文字文件", {5400, 675, 2412, 2820}, kListFont},
    {"Label1", u"选中文件列表", u"", {150, 4575, 315, 1515}, kPairingFont},
    {"lvwFile", u"", u"", {450, 4275, kListWidth, 2340}, kPairingFont},
    {"CmdChoice", u"全部选中", u"选中图像文件列表中的全部文件", {6960, 4320, 1215, 375}, {}},
    {"CmdNot", u"全部撤消", u"撤消全部选中文件", {6960, 4800, 1215, 375}, {}},
    {"CmdOk", u"确认(&O)", u"将选中的文件复制到当前目录，将\"选中文件列表\"保存于DocItem.txt中", {6975, 5550, 1215, 465}, {}},
    {"CmdCancle", u"退出(&Esc)", u"", {6975, 6105, 1215, 465}, {}},
};

void setListBackground(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Base, c);
    p.setColor(QPalette::Button, c);
    w->setPalette(p);
}

} // namespace

frmFile::frmFile(ReloadCatalogue reloadReader, QWidget* parent)
    : QWidget(parent, Qt::Window), reloadReader_(std::move(reloadReader))
{
    setObjectName(QStringLiteral("frmFile"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("制作图文电子读物目录"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFont(platform::toFont({u"宋体", 9}));
    setFixedSize(platform::twipsToPixels(kClientWidth), platform::twipsToPixels(kClientHeight));

    // The frame counts: under a window manager it is known once the window is framed.
    platform::centreOnScreen(this, platform::ScreenCorner::PrimaryScreen);

    createControls();
    connectHandlers();
    Form_Load();
}

frmFile::~frmFile() = default;

const platform::FormDesign& frmFile::design() { return kDesign; }

void frmFile::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // Centred once more when the window manager has framed the window, so the
    // whole window, title bar included, stands in the middle.
    if (!centredWithFrame_ && isVisible() && frameGeometry().size() != size()) {
        centredWithFrame_ = true;
        platform::centreOnScreen(this, platform::ScreenCorner::PrimaryScreen);
    }
}

void frmFile::createControls()
{
    using platform::named;
    FraDir = named(new QGroupBox(this), QStringLiteral("FraDir"));
    FraDir->setStyleSheet(QStringLiteral("QGroupBox::title { color: %1; }").arg(kRed.name()));
    for (int i = 0; i < 4; ++i)
        LblDir[i] = named(new QLabel(FraDir), QStringLiteral("LblDir%1").arg(i));
    DriveList = named(new platform::DriveList(FraDir), QStringLiteral("DriveList"));
    DirList = named(new platform::DirList(FraDir), QStringLiteral("DirList"));
    FileList = named(new platform::FileList(FraDir), QStringLiteral("FileList"));
    FileList->setPattern(kPictureFilter);
    FileTxt = named(new platform::FileList(FraDir), QStringLiteral("FileTxt"));
    FileTxt->setPattern(kTextFilter);
    setListBackground(DriveList, kLightGreen);
    // Its drop-down is a window of its own, drawn like a menu.
    for (QWidget* popup : {static_cast<QWidget*>(DriveList->view()), DriveList->view()->parentWidget()}) {
        setListBackground(popup, kLightGreen);
        QPalette p = popup->palette();
        p.setColor(QPalette::Window, kLightGreen);
        popup->setPalette(p);
    }
    setListBackground(DirList, kLightGreen);
    setListBackground(FileList, kLightGreen);
    setListBackground(FileTxt, kLightCyan);

    // One character wide, so its caption stands upright, a character a line.
    Label1 = named(new QLabel(this), QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    lvwFile = named(new platform::ListView(this), QStringLiteral("lvwFile"));
    QPalette yellowText = lvwFile->palette();
    yellowText.setColor(QPalette::Text, kYellow);
    yellowText.setColor(QPalette::Base, kNavy);
    lvwFile->setPalette(yellowText);

    // The labels name their lists for a screen reader (and Alt-free focus by click).
    LblDir[0]->setBuddy(DriveList);
    LblDir[1]->setBuddy(DirList);
    LblDir[2]->setBuddy(FileList);
    LblDir[3]->setBuddy(FileTxt);
    Label1->setBuddy(lvwFile);

    CmdChoice = named(new QPushButton(this), QStringLiteral("CmdChoice"));
    CmdNot = named(new QPushButton(this), QStringLiteral("CmdNot"));
    Line1 = named(new QFrame(this), QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::NoFrame);
    Line1->setAutoFillBackground(true);
    QPalette red = Line1->palette();
    red.setColor(QPalette::Window, kRed);
    Line1->setPalette(red);
    Line1->setGeometry(platform::twipsToPixels(6960), platform::twipsToPixels(5400),
                       platform::twipsToPixels(8160 - 6960), 1);
    CmdOk = named(new QPushButton(this), QStringLiteral("CmdOk"));
    CmdCancle = named(new QPushButton(this), QStringLiteral("CmdCancle"));
    for (QPushButton* b : {CmdChoice, CmdNot, CmdOk, CmdCancle})
        b->setAutoDefault(false);

    platform::applyDesign(this, kDesign);

    // Tab order as designed; frames and labels take no focus.
    QWidget* const order[] = {lvwFile, FileTxt, DriveList, DirList, FileList, CmdOk, CmdCancle, CmdChoice, CmdNot};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    lvwFile->setFocus();
}

void frmFile::connectHandlers()
{
    connect(DriveList, &platform::DriveList::change, this, &frmFile::DriveList_Change);
    connect(DirList, &platform::DirList::change, this, &frmFile::DirList_Change);
    connect(FileList, &platform::FileList::click, this, &frmFile::FileList_Click);
    connect(FileTxt, &platform::FileList::click, this, &frmFile::FileTxt_Click);
    connect(CmdChoice, &QPushButton::clicked, this, &frmFile::CmdChoice_Click);
    connect(CmdNot, &QPushButton::clicked, this, &frmFile::CmdNot_Click);
    connect(CmdOk, &QPushButton::clicked, this, &frmFile::CmdOk_Click);
    connect(CmdCancle, &QPushButton::clicked, this, &frmFile::CmdCancle_Click);

    // "退出(&Esc)" is the window's cancel button: Esc presses it.
    platform::cancelOnEscape(this, CmdCancle);
}

void frmFile::Form_Load()
{
    const double W = static_cast<int>(std::lround(kListWidth)) / 10;
    lvwFile->setReportView();
    lvwFile->clearColumns();
    lvwFile->addColumn(QStringLiteral("序号"), W);
    lvwFile->addColumn(QStringLiteral("图像文件名"), W * 4.2);
    lvwFile->addColumn(QStringLiteral("说明图像的文字文件"), W * 4.2);

    // The lists open on the working folder, as the platform's list controls do.
    const QString here = QDir::currentPath();
    DriveList->showDriveOf(here);
    platform::tryStep([&] { DirList->setPath(here); });
}

void frmFile::CmdCancle_Click() { close(); }

void frmFile::closeEvent(QCloseEvent* event)
{
    // Half-way through writing a book the window stays until the writing is done.
    if (writing_) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace builder
