#pragma once
// Reading a text aloud piece by piece, shared by the reader's read button
// and the speech dialog.
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>

class QAbstractButton;

namespace platform { class SpVoice; }

namespace speech {

// What a run does when the speech engine fails, per edition.
enum class ReadFailureMode {
    Silent,                 // nothing shown, the run ends
    MessageThenEnd,         // "no speech library" message, the run ends
    MessageNumberContinue,  // the message with the error number appended, the run goes on
    SilentContinue,         // nothing shown, the failing step is skipped and the run goes on
};

// Captions and messages of the reading run.
inline const QString kCaptionRead = QStringLiteral("朗读");
inline const QString kCaptionReading = QStringLiteral("暂停朗读");
inline const QString kStopMessage = QStringLiteral("停止朗读请稍候！");
inline const QString kNoSpeechLibraryMessage = QStringLiteral("您的系统未安装语音库，请下载并安装语音库。");
inline const QString kNoSpeechLibraryTitle = QStringLiteral("语音下载");

// Cuts the text at the one kind of separator ("，", "," or "。") that gives the
// most pieces; empty pieces are kept.
QStringList SplitForSpeech(const QString& text);

struct SpeechPieces {
    QStringList pieces;
    QChar separator;  // the one that was cut at, between every two pieces
};

// The pieces of SplitForSpeech and the separator they were cut at.
SpeechPieces CutForSpeech(const QString& text);

// Where a piece stands in the text it was cut from (UTF-16 positions).
struct TextSpan {
    int start = 0;
    int length = 0;
};

// The spans of pieces cut by SplitForSpeech: each separator took one character.
QVector<TextSpan> SpeechPieceSpans(const QStringList& pieces);

// Told just before piece `index` is handed to the voice, with its span in the
// text the run was given; a window follows the voice with it.
using PieceStarting = std::function<void(int index, TextSpan span)>;

// Asked before each piece: false ends the run quietly there (a reading of
// page after page that the user has left by turning the page).
using KeepReading = std::function<bool()>;

// Reads the text piece by piece, handling pending input between pieces; a
// click on the button (running a nested run) stops it after the current piece.
// Between two pieces the voice makes the pause of the separator cut there.
// voice may be null (no speech engine): that is a failure of every speech step.
// The run stops speaking when the button is destroyed; the caller keeps the
// voice alive for the run (use the weak_ptr overload when it may not).
void ReadTextAloud(const QString& text, QAbstractButton* button, platform::SpVoice* voice,
                   ReadFailureMode failureMode, const PieceStarting& pieceStarting = {},
                   const KeepReading& keepReading = {});

// As above, for a voice that its owner may release while the run waits
// between pieces (a dialog closed during reading): the run then speaks no
// further piece. An empty handle is the null voice.
void ReadTextAloud(const QString& text, QAbstractButton* button, const std::weak_ptr<platform::SpVoice>& voice,
                   ReadFailureMode failureMode, const PieceStarting& pieceStarting = {});

} // namespace speech
