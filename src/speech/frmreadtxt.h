#pragma once
// The speech dialog: reads any pasted text aloud with a voice, rate, volume
// and audio format of its own choosing. Its voice is its own; nothing chosen
// here reaches the main window's voice.
#include "platform/core/form_design.h"
#include "platform/speech/voice.h"

#include <QWidget>

#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSlider;

namespace speech {

// The greeting and instructions the text box starts with.
QString welcomeText();

class FrmReadTxt : public QWidget {
    Q_OBJECT
public:
    // An empty factory means platform::createSpVoice. The dialog deletes itself
    // when closed (Qt::WA_DeleteOnClose): create it with new and keep a QPointer.
    explicit FrmReadTxt(platform::VoiceFactory voiceFactory = {}, QWidget* parent = nullptr);
    ~FrmReadTxt() override;

    // The controls, under their design names.
    QPlainTextEdit* MainTxtBox = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* VoiceCB = nullptr;
    QLabel* Label3 = nullptr;
    QSlider* RateSldr = nullptr;
    QLabel* Label4 = nullptr;
    QSlider* VolumeSldr = nullptr;
    QLabel* Label5 = nullptr;
    QComboBox* FormatCB = nullptr;
    QPushButton* SpeakBtn = nullptr;
    QPushButton* StopBtn = nullptr;
    // Name, caption, tooltip, place and font of the controls above.
    static const platform::FormDesign& design();

    // The dialog's voice; null when none could be made, and after closing.
    platform::SpVoice* voice() const { return voice_.get(); }

    void AddFormatItem(const QString& caption, int code);
    void FillFormatList();

public slots:
    // Each applies the control's current choice to the voice; the combo boxes'
    // handlers run on every choice the user makes, the sliders' on every move.
    void VoiceCB_Click();
    void RateSldr_Scroll();
    void VolumeSldr_Scroll();
    void FormatCB_Click();
    void SpeakBtn_Click();
    void StopBtn_Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void Form_Load();
    void Form_Unload();

    platform::VoiceFactory voiceFactory_;
    // Shared only so that a reading run can notice its release.
    std::shared_ptr<platform::SpVoice> voice_;
    bool placed_ = false;
};

} // namespace speech
