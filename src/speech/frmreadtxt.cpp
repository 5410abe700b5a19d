#include "speech/frmreadtxt.h"

#include "platform/core/error.h"
#include "platform/core/form_design.h"
#include "platform/core/messagebox.h"
#include "platform/core/program.h"
#include "platform/speech/voice.h"
#include "speech/read_aloud.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

namespace speech {

namespace {

// The dialog's sliders: no tick marks, small step 1.
QSlider* makeSlider(QWidget* parent, const QString& name, int min, int max, int largeStep, int value)
{
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(name);
    slider->setTickPosition(QSlider::NoTicks);
    slider->setRange(min, max);
    slider->setSingleStep(1);
    slider->setPageStep(largeStep);
    slider->setValue(value);
    return slider;
}

const QString kCaption = QStringLiteral("Aurelis 2003");
const QString kFormatErrorPrefix = QStringLiteral("设置语音模式错误: ");

constexpr platform::FontDesign kButtonFont{u"宋体", 12};

// The labels take their own size, the voice and format lists their own height.
const platform::FormDesign kDesign = {
    {"MainTxtBox", u"", u"", {0, 0, 6960, 2676}, {u"Arial", 13.5}},
    {"Frame1", u"", u"", {84, 2688, 5220, 1935}, {}},
    {"Label2", u"语种：", u"", {120, 276, 0, 0}, {}},
    {"VoiceCB", u"", u"", {1008, 240, 4056, 0}, {}},
    {"Label3", u"语速：", u"", {120, 696, 0, 0}, {}},
    {"RateSldr", u"", u"Changes voice playback rate", {1008, 660, 4056, 312}, {}},
    {"Label4", u"音量：", u"", {120, 1095, 0, 0}, {}},
    {"VolumeSldr", u"", u"Changes voice playback volume", {1008, 1068, 4056, 312}, {}},
    {"Label5", u"发音模式：", u"", {120, 1500, 0, 0}, {}},
    {"FormatCB", u"", u"", {1008, 1440, 4056, 0}, {}},
    {"SpeakBtn", u"朗读", u"", {5628, 2844, 1125, 350}, kButtonFont},
    {"StopBtn", u"退出", u"", {5616, 3324, 1125, 350}, kButtonFont},
};

struct FormatRow {
    const char* caption;
    int code;
};

// The offered formats; the 16-bit 32 kHz and 48 kHz ones (30, 31, 38, 39) are not.
constexpr FormatRow kFormats[] = {
    {"8kHz 8Bit Mono", 4},     {"8kHz 8Bit Stereo", 5},   {"8kHz 16Bit Mono", 6},    {"8kHz 16Bit Stereo", 7},
    {"11kHz 8Bit Mono", 8},    {"11kHz 8Bit Stereo", 9},  {"11kHz 16Bit Mono", 10},  {"11kHz 16Bit Stereo", 11},
    {"12kHz 8Bit Mono", 12},   {"12kHz 8Bit Stereo", 13}, {"12kHz 16Bit Mono", 14},  {"12kHz 16Bit Stereo", 15},
    {"16kHz 8Bit Mono", 16},   {"16kHz 8Bit Stereo", 17}, {"16kHz 16Bit Mono", 18},  {"16kHz 16Bit Stereo", 19},
    {"22kHz 8Bit Mono", 20},   {"22kHz 8Bit Stereo", 21}, {"22kHz 16Bit Mono", 22},  {"22kHz 16Bit Stereo", 23},
    {"24kHz 8Bit Mono", 24},   {"24kHz 8Bit Stereo", 25}, {"24kHz 16Bit Mono", 26},  {"24kHz 16Bit Stereo", 27},
    {"32kHz 8Bit Mono", 28},   {"32kHz 8Bit Stereo", 29}, {"44kHz 8Bit Mono", 32},   {"44kHz 8Bit Stereo", 33},
    {"44kHz 16Bit Mono", 34},  {"44kHz 16Bit Stereo", 35}, {"48kHz 8Bit Mono", 36},  {"48kHz 8Bit Stereo", 37},
};

const char* const kStartFormat = "22kHz 16Bit Mono";

} // namespace

QString welcomeText()
{
    return QStringLiteral("　　欢迎使用 Aurelis 2003 语音朗读！\n"
                          "请将朗读文本复制后粘贴在本文本框内。点击“朗读”\n"
                          "命令按钮，开始朗读。\n");
}

FrmReadTxt::FrmReadTxt(platform::VoiceFactory voiceFactory, QWidget* parent)
    : QWidget(parent, Qt::Window), voiceFactory_(platform::orEngineVoice(std::move(voiceFactory)))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kCaption);
    // Its size is fixed: a maximise button would offer what it cannot do.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(platform::twipsToPixels(6945), platform::twipsToPixels(4830));
    createControls();
    Form_Load();
}

FrmReadTxt::~FrmReadTxt() = default;

const platform::FormDesign& FrmReadTxt::design() { return kDesign; }

void FrmReadTxt::createControls()
{
    using platform::named;
    MainTxtBox = named(new QPlainTextEdit(this), QStringLiteral("MainTxtBox"));
    MainTxtBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the next control, as everywhere else in the dialog.
    MainTxtBox->setTabChangesFocus(true);
    MainTxtBox->setPlainText(welcomeText());
    MainTxtBox->setAccessibleName(QStringLiteral("朗读文本"));

    Frame1 = named(new QGroupBox(this), QStringLiteral("Frame1"));
    Label2 = named(new QLabel(Frame1), QStringLiteral("Label2"));
    VoiceCB = named(new QComboBox(Frame1), QStringLiteral("VoiceCB"));
    Label3 = named(new QLabel(Frame1), QStringLiteral("Label3"));
    RateSldr = makeSlider(Frame1, QStringLiteral("RateSldr"), -10, 10, 1, 0);
    Label4 = named(new QLabel(Frame1), QStringLiteral("Label4"));
    VolumeSldr = makeSlider(Frame1, QStringLiteral("VolumeSldr"), 0, 100, 5, 100);
    Label5 = named(new QLabel(Frame1), QStringLiteral("Label5"));
    FormatCB = named(new QComboBox(Frame1), QStringLiteral("FormatCB"));

    SpeakBtn = named(new QPushButton(this), QStringLiteral("SpeakBtn"));
    StopBtn = named(new QPushButton(this), QStringLiteral("StopBtn"));
    platform::applyDesign(this, kDesign);

    // Each label names the control beside it for screen readers.
    Label2->setBuddy(VoiceCB);
    Label3->setBuddy(RateSldr);
    Label4->setBuddy(VolumeSldr);
    Label5->setBuddy(FormatCB);

    setTabOrder(StopBtn, MainTxtBox);
    setTabOrder(MainTxtBox, SpeakBtn);
    setTabOrder(SpeakBtn, VoiceCB);
    setTabOrder(VoiceCB, RateSldr);
    setTabOrder(RateSldr, VolumeSldr);
    setTabOrder(VolumeSldr, FormatCB);
    // The dialog opens with the focus on the first control of that order.
    StopBtn->setFocus();

    // activated: every choice the user makes, even of the entry already shown;
    // choices made by code call the handler themselves.
    connect(VoiceCB, &QComboBox::activated, this, &FrmReadTxt::VoiceCB_Click);
    connect(FormatCB, &QComboBox::activated, this, &FrmReadTxt::FormatCB_Click);
    connect(RateSldr, &QSlider::valueChanged, this, &FrmReadTxt::RateSldr_Scroll);
    connect(VolumeSldr, &QSlider::valueChanged, this, &FrmReadTxt::VolumeSldr_Scroll);
    connect(SpeakBtn, &QPushButton::clicked, this, &FrmReadTxt::SpeakBtn_Click);
    connect(StopBtn, &QPushButton::clicked, this, &FrmReadTxt::StopBtn_Click);
}

void FrmReadTxt::AddFormatItem(const QString& caption, int code)
{
    // A combo box selects its first entry by itself; that is no choice of the user's.
    const QSignalBlocker quiet(FormatCB);
    const int index = FormatCB->count();
    FormatCB->insertItem(index, caption);
    FormatCB->setItemData(index, code);
}

void FrmReadTxt::FillFormatList()
{
    for (const FormatRow& row : kFormats)
        AddFormatItem(QString::fromLatin1(row.caption), row.code);
}

// Without a speech engine, or without any voice, the dialog still opens, with
// an empty voice list; its read button then does nothing.
void FrmReadTxt::Form_Load()
{
    platform::runSteps({
        [&] { voice_ = std::shared_ptr<platform::SpVoice>(voiceFactory_()); },
        [&] {
            if (!voice_)
                return;
            const QSignalBlocker quiet(VoiceCB);
            for (const platform::SpeechObjectToken& token : voice_->GetVoices(QString(), QString()))
                VoiceCB->addItem(token.GetDescription(0));
        },
        [&] {
            if (VoiceCB->count() == 0)
                return;
            {
                const QSignalBlocker quiet(VoiceCB);
                VoiceCB->setCurrentIndex(0);
            }
            VoiceCB_Click();
        },
        [&] { FillFormatList(); },
        [&] {
            if (!voice_)
                return;
            const QSignalBlocker quietRate(RateSldr);
            const QSignalBlocker quietVolume(VolumeSldr);
            RateSldr->setValue(voice_->Rate());
            VolumeSldr->setValue(voice_->Volume());
        },
        [&] {
            {
                const QSignalBlocker quiet(FormatCB);
                FormatCB->setCurrentIndex(FormatCB->findText(QString::fromLatin1(kStartFormat)));
            }
            FormatCB_Click();
        },
    });
}

void FrmReadTxt::VoiceCB_Click()
{
    // By position in the engine's list, not by description: two voices may
    // share one.
    platform::tryStep([&] {
        if (!voice_ || VoiceCB->currentIndex() < 0)
            return;
        const auto voices = voice_->GetVoices(QString(), QString());
        const int index = VoiceCB->currentIndex();
        if (index >= voices.size())
            throw platform::Error(platform::errc::InvalidArgument, QStringLiteral("语音已不存在"));
        voice_->setVoice(voices.at(index));
    });
}

void FrmReadTxt::RateSldr_Scroll()
{
    platform::tryStep([&] {
        if (voice_)
            voice_->setRate(RateSldr->value());
    });
}

void FrmReadTxt::VolumeSldr_Scroll()
{
    platform::tryStep([&] {
        if (voice_)
            voice_->setVolume(VolumeSldr->value());
    });
}

void FrmReadTxt::FormatCB_Click()
{
    // With no voice there is no format to set and nothing the user could do
    // about a message.
    if (!voice_ || FormatCB->currentIndex() < 0)
        return;
    const int code = FormatCB->currentData().toInt();
    const std::shared_ptr<platform::SpVoice> voice = voice_;
    const auto failure = platform::runUntilFailure({
        [&] { voice->setAllowAudioOutputFormatChangesOnNextSet(false); },
        [&] { voice->setAudioOutputFormatType(code); },
    });
    if (failure)
        platform::msgBox(kFormatErrorPrefix + failure->description(), platform::MsgButtons::OK);
}

void FrmReadTxt::SpeakBtn_Click()
{
    // Here a piece that cannot be spoken is passed over and the next one read;
    // only the main window's editions end a run on a failure.
    ReadTextAloud(MainTxtBox->toPlainText(), SpeakBtn, std::weak_ptr<platform::SpVoice>(voice_),
                  ReadFailureMode::SilentContinue);
}

void FrmReadTxt::StopBtn_Click()
{
    voice_.reset();
    close();
}

void FrmReadTxt::Form_Unload() { voice_.reset(); }

void FrmReadTxt::showEvent(QShowEvent* event)
{
    if (!placed_) {
        placed_ = true;
        platform::centreOnScreen(this, platform::ScreenCorner::Desktop);
    }
    QWidget::showEvent(event);
}

void FrmReadTxt::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    QWidget::closeEvent(event);
}

} // namespace speech
