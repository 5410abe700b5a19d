#include "speech/frmreadtxt.h"

#include "platform/core/error.h"
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
QSlider* makeSlider(QWidget* parent, const QString& name, int min, int max, int largeStep, int value,
                    const QString& tooltip)
{
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(name);
    slider->setTickPosition(QSlider::NoTicks);
    slider->setRange(min, max);
    slider->setSingleStep(1);
    slider->setPageStep(largeStep);
    slider->setValue(value);
    slider->setToolTip(tooltip);
    return slider;
}

const QString kCaption = QStringLiteral("Aurelis 2003");
const QString kFormatErrorPrefix = QStringLiteral("设置语音模式错误: ");

// Places a widget at a design position given in twips.
void place(QWidget* w, double left, double top, double width, double height)
{
    w->setGeometry(platform::twipsToPixels(left), platform::twipsToPixels(top), platform::twipsToPixels(width),
                   platform::twipsToPixels(height));
}

void placeAt(QWidget* w, double left, double top)
{
    w->adjustSize();
    w->move(platform::twipsToPixels(left), platform::twipsToPixels(top));
}

void placeWidth(QWidget* w, double left, double top, double width)
{
    w->move(platform::twipsToPixels(left), platform::twipsToPixels(top));
    w->resize(platform::twipsToPixels(width), w->sizeHint().height());
}

QFont pointFont(const QString& family, double points)
{
    QFont f(family);
    f.setPointSizeF(points);
    return f;
}

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

void FrmReadTxt::createControls()
{
    MainTxtBox = new QPlainTextEdit(this);
    MainTxtBox->setObjectName(QStringLiteral("MainTxtBox"));
    MainTxtBox->setFont(pointFont(QStringLiteral("Arial"), 13.5));
    MainTxtBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the next control, as everywhere else in the dialog.
    MainTxtBox->setTabChangesFocus(true);
    MainTxtBox->setPlainText(welcomeText());
    MainTxtBox->setAccessibleName(QStringLiteral("朗读文本"));
    place(MainTxtBox, 0, 0, 6960, 2676);

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    place(Frame1, 84, 2688, 5220, 1935);

    Label2 = new QLabel(QStringLiteral("语种："), Frame1);
    placeAt(Label2, 120, 276);
    VoiceCB = new QComboBox(Frame1);
    VoiceCB->setObjectName(QStringLiteral("VoiceCB"));
    placeWidth(VoiceCB, 1008, 240, 4056);

    Label3 = new QLabel(QStringLiteral("语速："), Frame1);
    placeAt(Label3, 120, 696);
    RateSldr = makeSlider(Frame1, QStringLiteral("RateSldr"), -10, 10, 1, 0,
                          QStringLiteral("Changes voice playback rate"));
    place(RateSldr, 1008, 660, 4056, 312);

    Label4 = new QLabel(QStringLiteral("音量："), Frame1);
    placeAt(Label4, 120, 1095);
    VolumeSldr = makeSlider(Frame1, QStringLiteral("VolumeSldr"), 0, 100, 5, 100,
                            QStringLiteral("Changes voice playback volume"));
    place(VolumeSldr, 1008, 1068, 4056, 312);

    Label5 = new QLabel(QStringLiteral("发音模式："), Frame1);
    placeAt(Label5, 120, 1500);
    FormatCB = new QComboBox(Frame1);
    FormatCB->setObjectName(QStringLiteral("FormatCB"));
    placeWidth(FormatCB, 1008, 1440, 4056);

    const QFont buttonFont = pointFont(QStringLiteral("宋体"), 12);
    SpeakBtn = new QPushButton(kCaptionRead, this);
    SpeakBtn->setObjectName(QStringLiteral("SpeakBtn"));
    SpeakBtn->setFont(buttonFont);
    place(SpeakBtn, 5628, 2844, 1125, 350);
    StopBtn = new QPushButton(QStringLiteral("退出"), this);
    StopBtn->setObjectName(QStringLiteral("StopBtn"));
    StopBtn->setFont(buttonFont);
    place(StopBtn, 5616, 3324, 1125, 350);

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
        const QSizeF screen = platform::screenSizeTwips();
        const double left = (screen.width() - platform::pixelsToTwips(frameGeometry().width())) / 2;
        const double top = (screen.height() - platform::pixelsToTwips(frameGeometry().height())) / 2;
        move(platform::twipsToPixels(left), platform::twipsToPixels(top));
    }
    QWidget::showEvent(event);
}

void FrmReadTxt::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    QWidget::closeEvent(event);
}

} // namespace speech
