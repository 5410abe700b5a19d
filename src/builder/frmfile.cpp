#include "builder/frmfile.h"

#include "platform/core/error.h"
#include "platform/core/listview.h"
#include "platform/core/program.h"
#include "platform/files/dir_list.h"
#include "platform/files/drive_list.h"
#include "platform/files/file_list.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <cmath>

namespace builder {

namespace {

const QString kPictureFilter = QStringLiteral("*.bmp;*.gif;*.jpg;*.jpeg;*.ico;*.wmf;*.emf");
const QString kTextFilter = QStringLiteral("*.rtf;*.txt");
constexpr double kListWidth = 6465;

// Colours as the design gives them, &H00BBGGRR.
QColor fromBgr(quint32 bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }
const QColor kRed = fromBgr(0x000000FF);
const QColor kYellow = fromBgr(0x0000FFFF);
const QColor kLightGreen = fromBgr(0x00C0FFC0);
const QColor kLightCyan = fromBgr(0x00FFFFC0);
// Yellow on the usual white is unreadable (a contrast of 1.07:1); on navy it is 14:1.
const QColor kNavy = fromBgr(0x00800000);

void place(QWidget* w, double left, double top, double width, double height)
{
    w->setGeometry(platform::twipsToPixels(left), platform::twipsToPixels(top), platform::twipsToPixels(width),
                   platform::twipsToPixels(height));
}

QFont songti(double points, bool bold = false)
{
    QFont f(QStringLiteral("宋体"));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

void setListBackground(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Base, c);
    p.setColor(QPalette::Button, c);
    w->setPalette(p);
}

template <class T>
T* named(T* w, const QString& name)
{
    w->setObjectName(name);
    return w;
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
    setFont(songti(9));
    setFixedSize(platform::twipsToPixels(kClientWidth), platform::twipsToPixels(kClientHeight));

    centreOnScreen();

    createControls();
    connectHandlers();
    Form_Load();
}

frmFile::~frmFile() = default;

void frmFile::centreOnScreen()
{
    // The frame counts: under a window manager it is known once the window is framed.
    const QRect outer = frameGeometry();
    const QSizeF screen = platform::screenSizeTwips();
    const QSizeF size(platform::pixelsToTwips(outer.width()), platform::pixelsToTwips(outer.height()));
    QPoint origin;
    if (const QScreen* s = QGuiApplication::primaryScreen())
        origin = s->geometry().topLeft();
    move(origin + QPoint(platform::twipsToPixels((screen.width() - size.width()) / 2),
                         platform::twipsToPixels((screen.height() - size.height()) / 2)));
}

void frmFile::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // Centred once more when the window manager has framed the window, so the
    // whole window, title bar included, stands in the middle.
    if (!centredWithFrame_ && isVisible() && frameGeometry().size() != size()) {
        centredWithFrame_ = true;
        centreOnScreen();
    }
}

void frmFile::createControls()
{
    FraDir = named(new QGroupBox(QStringLiteral("选择图像文件"), this), QStringLiteral("FraDir"));
    FraDir->setFont(songti(10.5, true));
    FraDir->setStyleSheet(QStringLiteral("QGroupBox::title { color: %1; }").arg(kRed.name()));
    place(FraDir, 75, 75, 8040, 4104);

    struct LabelDesign {
        const char16_t* caption;
        double left, top, width, height;
    };
    constexpr LabelDesign labels[4] = {
        {u"驱动器列表", 150, 375, 1215, 240},
        {u"目录列表", 150, 1055, 1065, 240},
        {u"图像文件列表（必选）", 2775, 375, 2265, 240},
        {u"文字文件列表（可选）", 5400, 375, 2265, 240},
    };
    for (int i = 0; i < 4; ++i) {
        const LabelDesign& d = labels[i];
        LblDir[i] = named(new QLabel(QString::fromUtf16(d.caption), FraDir), QStringLiteral("LblDir%1").arg(i));
        LblDir[i]->setFont(songti(10.5, true));
        place(LblDir[i], d.left, d.top, d.width, d.height);
    }

    DriveList = named(new platform::DriveList(FraDir), QStringLiteral("DriveList"));
    place(DriveList, 150, 670, 2190, 330);
    DirList = named(new platform::DirList(FraDir), QStringLiteral("DirList"));
    DirList->setToolTip(QStringLiteral("双击目录（文件夹）列表，选择文件夹。"));
    place(DirList, 156, 1356, 2196, 2472);
    FileList = named(new platform::FileList(FraDir), QStringLiteral("FileList"));
    FileList->setPattern(kPictureFilter);
    FileList->setToolTip(QStringLiteral("单击文件名选中图像文件"));
    place(FileList, 2700, 672, 2412, 2820);
    FileTxt = named(new platform::FileList(FraDir), QStringLiteral("FileTxt"));
    FileTxt->setPattern(kTextFilter);
    FileTxt->setToolTip(QStringLiteral("单击文件名选中文字文件"));
    place(FileTxt, 5400, 675, 2412, 2820);
    for (QWidget* list : {static_cast<QWidget*>(DriveList), static_cast<QWidget*>(DirList),
                          static_cast<QWidget*>(FileList), static_cast<QWidget*>(FileTxt)})
        list->setFont(songti(10.5));
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
    Label1 = named(new QLabel(QStringLiteral("选中文件列表"), this), QStringLiteral("Label1"));
    Label1->setFont(songti(12));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    place(Label1, 150, 4575, 315, 1515);

    lvwFile = named(new platform::ListView(this), QStringLiteral("lvwFile"));
    lvwFile->setFont(songti(12));
    QPalette yellowText = lvwFile->palette();
    yellowText.setColor(QPalette::Text, kYellow);
    yellowText.setColor(QPalette::Base, kNavy);
    lvwFile->setPalette(yellowText);
    place(lvwFile, 450, 4275, kListWidth, 2340);

    // The labels name their lists for a screen reader (and Alt-free focus by click).
    LblDir[0]->setBuddy(DriveList);
    LblDir[1]->setBuddy(DirList);
    LblDir[2]->setBuddy(FileList);
    LblDir[3]->setBuddy(FileTxt);
    Label1->setBuddy(lvwFile);

    auto button = [this](const QString& caption, const QString& tip, const QString& name) {
        auto* b = named(new QPushButton(caption, this), name);
        if (!tip.isEmpty())
            b->setToolTip(tip);
        b->setAutoDefault(false);
        return b;
    };
    CmdChoice = button(QStringLiteral("全部选中"), QStringLiteral("选中图像文件列表中的全部文件"), QStringLiteral("CmdChoice"));
    place(CmdChoice, 6960, 4320, 1215, 375);
    CmdNot = button(QStringLiteral("全部撤消"), QStringLiteral("撤消全部选中文件"), QStringLiteral("CmdNot"));
    place(CmdNot, 6960, 4800, 1215, 375);

    Line1 = named(new QFrame(this), QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::NoFrame);
    Line1->setAutoFillBackground(true);
    QPalette red = Line1->palette();
    red.setColor(QPalette::Window, kRed);
    Line1->setPalette(red);
    Line1->setGeometry(platform::twipsToPixels(6960), platform::twipsToPixels(5400),
                       platform::twipsToPixels(8160 - 6960), 1);

    CmdOk = button(QStringLiteral("确认(&O)"),
                   QStringLiteral("将选中的文件复制到当前目录，将\"选中文件列表\"保存于DocItem.txt中"),
                   QStringLiteral("CmdOk"));
    place(CmdOk, 6975, 5550, 1215, 465);
    CmdCancle = button(QStringLiteral("退出(&Esc)"), QString(), QStringLiteral("CmdCancle"));
    place(CmdCancle, 6975, 6105, 1215, 465);

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
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    esc->setContext(Qt::WindowShortcut);
    connect(esc, &QShortcut::activated, this, [this] {
        if (CmdCancle->isVisible() && CmdCancle->isEnabled())
            CmdCancle->click();
    });
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
