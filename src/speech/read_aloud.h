#pragma once
// Reading a text aloud piece by piece, shared by the reader's read button
// and the speech dialog.
#include <QString>
#include <QStringList>

class QAbstractButton;

namespace platform { class SpVoice; }

namespace speech {

// What a run does when the speech engine fails, per edition.
enum class ReadFailureMode {
    Silent,                 // nothing shown, the run ends
    MessageThenEnd,         // "no speech library" message, the run ends
    MessageNumberContinue,  // the message with the error number appended, the run goes on
};

QStringList SplitForSpeech(const QString& text);

// voice may be null (no speech engine): that is a failure of every speech step.
void ReadTextAloud(const QString& text, QAbstractButton* button, platform::SpVoice* voice,
                   ReadFailureMode failureMode);

} // namespace speech
