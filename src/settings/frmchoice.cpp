#include "settings/frmchoice.h"

#include "platform/core/error.h"
#include "platform/core/form_design.h"
#include "platform/core/int16.h"
#include "platform/core/program.h"
#include "platform/core/scrollbar.h"
#include "platform/core/timer.h"
#include "settings/number_text.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <array>

namespace settings {

namespace {

constexpr double kClientWidth = 7095;
constexpr double kClientHeight = 4965;

using platform::fromBgr;

// The options' colours, &H00BBGGRR: light blue, red, yellow, green, white, black.
constexpr std::array<quint32, 6> kColourOptions{0x00FFC0C0, 0x000000FF, 0x0000FFFF,
                                                0x0000FF00, 0x00FFFFFF, 0x00000000};

const platform::FormDesign kDesign = {
    {"FraBackColor", u"图像背景色", u"", {150, 375, 2340, 3615}, {}},
    {"OptBackColor0", u"浅兰", u"", {225, 300, 1815, 435}, {}},
    {"OptBackColor1", u"红色", u"", {225, 840, 1815, 435}, {}},
    {"OptBackColor2", u"黄色", u"", {225, 1380, 1815, 435}, {}},
    {"OptBackColor3", u"绿色", u"", {225, 1920, 1815, 435}, {}},
    {"OptBackColor4", u"白色", u"", {225, 2460, 1815, 435}, {}},
    {"OptBackColor5", u"黑色", u"", {225, 3000, 1815, 435}, {}},
    {"FraAuto", u"幻灯播放时间间隔（秒）", u"", {2850, 375, 3765, 1560}, {}},
    {"TxtTime", u"", u"", {1410, 480, 675, 345}, {}},
    {"HScrTime", u"", u"", {120, 1080, 3495, 375}, {}},
    {"FraTimes", u"图像打印倍率%", u"", {2850, 2400, 3765, 1560}, {}},
    {"txtPicTs", u"", u"", {1560, 480, 735, 375}, {}},
    {"HScrTs", u"", u"", {120, 1080, 3495, 375}, {}},
    {"CmdOK", u"退出(&O)", u"", {3600, 4200, 2340, 615}, {}},
    {"LblCo", u"color", u"", {150, 4200, 1065, 465}, {}},
};

// Buttons fill their background from the Button role, labels from Window.
void setBackColor(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    p.setColor(w->backgroundRole(), c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

QColor backColor(const QWidget* w) { return w->palette().color(w->backgroundRole()); }

void setForeColor(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::ButtonText, c);
    w->setPalette(p);
}

double numberOrFail(const QString& text)
{
    if (const auto v = numberInText(text))
        return *v;
    throw platform::Error(platform::errc::TypeMismatch);
}

// Closing the window by its close box or by the exit button ends up here, so
// both unload it the same way.
class ChoiceWindow : public QWidget {
public:
    std::function<void()> onClose;

protected:
    void closeEvent(QCloseEvent* e) override
    {
        QWidget::closeEvent(e);
        if (e->isAccepted() && onClose) {
            const auto unload = std::move(onClose);
            onClose = nullptr;
            unload();
        }
    }
};

} // namespace

struct FrmChoice::Impl {
    QPointer<platform::Timer> timer1;
    std::function<void(const QColor&)> setPictureBackColor;

    // The loaded window and its controls; all null while not loaded.
    QPointer<ChoiceWindow> form;
    QGroupBox* FraBackColor = nullptr;
    std::array<QRadioButton*, 6> OptBackColor{};
    QGroupBox* FraAuto = nullptr;
    QLineEdit* TxtTime = nullptr;
    platform::ScrollBar* HScrTime = nullptr;
    QGroupBox* FraTimes = nullptr;
    QLineEdit* txtPicTs = nullptr;
    platform::ScrollBar* HScrTs = nullptr;
    QPushButton* CmdOK = nullptr;
    QLabel* LblCo = nullptr;

    void forgetControls()
    {
        form = nullptr;
        FraBackColor = FraAuto = FraTimes = nullptr;
        OptBackColor.fill(nullptr);
        TxtTime = txtPicTs = nullptr;
        HScrTime = HScrTs = nullptr;
        CmdOK = nullptr;
        LblCo = nullptr;
    }
};

FrmChoice::FrmChoice() : d(new Impl) {}

const platform::FormDesign& FrmChoice::design() { return kDesign; }

FrmChoice::~FrmChoice()
{
    if (d->form) {
        ChoiceWindow* w = d->form;
        w->onClose = nullptr;
        d->forgetControls();
        delete w;
    }
    delete d;
}

void FrmChoice::attachReader(platform::Timer* timer1, std::function<void(const QColor&)> setPictureBackColor)
{
    d->timer1 = timer1;
    d->setPictureBackColor = std::move(setPictureBackColor);
}

QColor FrmChoice::optionColor(int index)
{
    if (index < 0 || index >= static_cast<int>(kColourOptions.size()))
        return QColor();
    return fromBgr(kColourOptions[static_cast<size_t>(index)]);
}

bool FrmChoice::isLoaded() const { return !d->form.isNull(); }

QWidget* FrmChoice::window() const { return d->form.data(); }

void FrmChoice::Show()
{
    if (!isLoaded())
        Load();
    d->form->show();
    d->form->raise();
    d->form->activateWindow();
}

QString FrmChoice::TxtTime()
{
    if (!isLoaded())
        Load();
    return d->TxtTime->text();
}

int FrmChoice::HScrTs()
{
    if (!isLoaded())
        Load();
    return d->HScrTs->Value();
}

void FrmChoice::Load()
{
    auto* form = new ChoiceWindow;
    d->form = form;
    form->setObjectName(QStringLiteral("FrmChoice"));
    form->setWindowTitle(QStringLiteral("图像参数选择"));
    form->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint);
    form->setFont(platform::toFont({u"宋体", 10.5}));
    form->setFixedSize(platform::twipsToPixels(kClientWidth), platform::twipsToPixels(kClientHeight));
    platform::centreOnScreen(form, platform::ScreenCorner::PrimaryScreen, QSizeF(kClientWidth, kClientHeight));

    createControls();

    // The window itself is the context of every handler: once it is unloaded
    // its controls' signals are blocked and nothing reaches this object.
    QObject::connect(d->HScrTime, &platform::ScrollBar::change, form, [this] { HScrTime_Change(); });
    QObject::connect(d->HScrTime, &platform::ScrollBar::scroll, form, [this] { HScrTime_Scroll(); });
    QObject::connect(d->HScrTs, &platform::ScrollBar::change, form, [this] { HScrTs_Change(); });
    QObject::connect(d->HScrTs, &platform::ScrollBar::scroll, form, [this] { HScrTs_Scroll(); });
    for (int k = 0; k < 6; ++k) {
        // clicked, not toggled: a click on the option already selected applies its colour again.
        QObject::connect(d->OptBackColor[static_cast<size_t>(k)], &QRadioButton::clicked, form,
                         [this, k] { OptBackColor_Click(k); });
    }
    QObject::connect(d->CmdOK, &QPushButton::clicked, form, [this] { CmdOk_Click(); });
    form->onClose = [this] { Unload(); };

    Form_Load();
}

void FrmChoice::createControls()
{
    using platform::named;
    QWidget* form = d->form;
    d->FraBackColor = named(new QGroupBox(form), QStringLiteral("FraBackColor"));
    for (int k = 0; k < 6; ++k) {
        auto* opt = named(new QRadioButton(d->FraBackColor), QStringLiteral("OptBackColor%1").arg(k));
        setBackColor(opt, fromBgr(kColourOptions[static_cast<size_t>(k)]));
        d->OptBackColor[static_cast<size_t>(k)] = opt;
    }
    // White on black, so the last caption stays readable on its own colour.
    setForeColor(d->OptBackColor[5], fromBgr(0x00FFFFFF));
    d->OptBackColor[0]->setChecked(true);

    d->FraAuto = named(new QGroupBox(form), QStringLiteral("FraAuto"));
    d->TxtTime = named(new QLineEdit(QStringLiteral("1"), d->FraAuto), QStringLiteral("TxtTime"));
    d->HScrTime = named(new platform::ScrollBar(Qt::Horizontal, d->FraAuto), QStringLiteral("HScrTime"));
    d->HScrTime->setValue(500);

    d->FraTimes = named(new QGroupBox(form), QStringLiteral("FraTimes"));
    d->txtPicTs = named(new QLineEdit(QStringLiteral("100"), d->FraTimes), QStringLiteral("txtPicTs"));
    d->HScrTs = named(new platform::ScrollBar(Qt::Horizontal, d->FraTimes), QStringLiteral("HScrTs"));
    d->HScrTs->setValue(0);

    d->CmdOK = named(new QPushButton(form), QStringLiteral("CmdOK"));
    d->LblCo = named(new QLabel(form), QStringLiteral("LblCo"));
    platform::applyDesign(form, kDesign);

    // Scroll bars take the keyboard like the other controls (arrows and page keys move them).
    d->HScrTime->setFocusPolicy(Qt::StrongFocus);
    d->HScrTs->setFocusPolicy(Qt::StrongFocus);
    const QWidget* tabOrder[] = {d->OptBackColor[0], d->OptBackColor[1], d->OptBackColor[2], d->OptBackColor[3],
                                 d->OptBackColor[4], d->CmdOK,           d->HScrTime,        d->TxtTime,
                                 d->HScrTs,          d->txtPicTs,        d->OptBackColor[5]};
    for (size_t i = 1; i < std::size(tabOrder); ++i)
        QWidget::setTabOrder(const_cast<QWidget*>(tabOrder[i - 1]), const_cast<QWidget*>(tabOrder[i]));
}

void FrmChoice::Unload()
{
    ChoiceWindow* form = d->form;
    if (!form)
        return;
    form->onClose = nullptr;
    form->hide();
    form->blockSignals(true);
    for (QObject* child : form->findChildren<QObject*>())
        child->blockSignals(true);
    d->forgetControls();
    // We may be inside one of the window's own handlers (its exit button, its
    // close box): let the event loop destroy it.
    form->deleteLater();
}

void FrmChoice::Form_Load()
{
    platform::runSteps({
        [&] {
            if (SngMSec > 0)
                d->TxtTime->setText(shortestDecimal(SngMSec / 1000.0f));
        },
        [&] {
            d->HScrTime->setMin(500);
            d->HScrTime->setMax(30000);
            d->HScrTime->setSmallChange(500);
            d->HScrTime->setLargeChange(1000);
        },
        [&] { d->HScrTime->setValueChecked(intervalMilliseconds(d->TxtTime->text())); },
        [&] {
            // A stored 50 % (the minimum) is deliberately not restored here; step 6 decides.
            if (SngPicTs > 50)
                d->HScrTs->setValueChecked(platform::int16OrOverflow(SngPicTs));
        },
        [&] {
            // On a first opening the bar still stands at 0, so raising the minimum
            // moves it to 50. Reporting that move would write "50" into txtPicTs
            // and step 6 would take the first print scale from it instead of "100".
            const QSignalBlocker quiet(d->HScrTs);
            d->HScrTs->setMin(50);
            d->HScrTs->setMax(200);
            d->HScrTs->setSmallChange(10);
            d->HScrTs->setLargeChange(50);
        },
        [&] { d->HScrTs->setValueChecked(platform::int16OrOverflow(numberOrFail(d->txtPicTs->text()))); },
        [&] { setBackColor(d->LblCo, backColor(d->OptBackColor[0])); },
    });
}

void FrmChoice::HScrTime_Change()
{
    if (!d->form)
        return;
    const int position = d->HScrTime->Value();
    d->TxtTime->setText(secondsOneDecimal(position));
    SngMSec = static_cast<float>(position);
    // Only a running auto-play follows at once; a stopped one (interval 0)
    // picks the new text up when it is started. The interval is the one shown.
    if (d->timer1 && d->timer1->interval() > 200) {
        platform::tryStep([&] { d->timer1->setInterval(intervalMilliseconds(d->TxtTime->text())); });
    }
}

void FrmChoice::HScrTime_Scroll()
{
    if (!d->form)
        return;
    d->TxtTime->setText(secondsOneDecimal(d->HScrTime->Value()));
}

void FrmChoice::HScrTs_Change()
{
    if (!d->form)
        return;
    const int position = d->HScrTs->Value();
    d->txtPicTs->setText(QString::number(position));
    SngPicTs = static_cast<float>(position);
}

void FrmChoice::HScrTs_Scroll() { HScrTs_Change(); }

void FrmChoice::OptBackColor_Click(int index)
{
    if (!d->form || index < 0 || index >= static_cast<int>(d->OptBackColor.size()))
        return;
    setBackColor(d->LblCo, backColor(d->OptBackColor[static_cast<size_t>(index)]));
    if (d->setPictureBackColor)
        d->setPictureBackColor(backColor(d->LblCo));
}

void FrmChoice::CmdOk_Click()
{
    if (d->form)
        d->form->close();
}

} // namespace settings
