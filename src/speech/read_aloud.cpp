#include "speech/read_aloud.h"

#include "platform/core/error.h"
#include "platform/core/messagebox.h"
#include "platform/speech/voice.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QPointer>

#include <functional>

namespace speech {

SpeechPieces CutForSpeech(const QString& text)
{
    SpeechPieces fullWidthComma{text.split(QChar(0xFF0C), Qt::KeepEmptyParts), QChar(0xFF0C)};
    SpeechPieces comma{text.split(QChar(u','), Qt::KeepEmptyParts), QChar(u',')};
    SpeechPieces fullStop{text.split(QChar(0x3002), Qt::KeepEmptyParts), QChar(0x3002)};
    SpeechPieces& candidate = fullWidthComma.pieces.size() > comma.pieces.size() ? fullWidthComma : comma;
    return fullStop.pieces.size() > candidate.pieces.size() ? fullStop : candidate;
}

QStringList SplitForSpeech(const QString& text) { return CutForSpeech(text).pieces; }

QVector<TextSpan> SpeechPieceSpans(const QStringList& pieces)
{
    QVector<TextSpan> spans;
    spans.reserve(pieces.size());
    int start = 0;
    for (const QString& piece : pieces) {
        spans.append({start, static_cast<int>(piece.size())});
        start += static_cast<int>(piece.size()) + 1;
    }
    return spans;
}

namespace {

// One reading run. Everything it needs across the nested event loops (the
// pieces, the button, the voice) is its own: a nested run or a closing window
// can change the world around it, and it checks before every step.
class ReadingRun {
public:
    ReadingRun(QAbstractButton* button, std::weak_ptr<platform::SpVoice> voice, ReadFailureMode mode,
               PieceStarting pieceStarting, KeepReading keepReading = {})
        : button_(button), voice_(std::move(voice)), mode_(mode), hadVoice_(!voice_.expired()),
          pieceStarting_(std::move(pieceStarting)), keepReading_(std::move(keepReading))
    {
    }

    void run(const SpeechPieces& cut)
    {
        const QStringList& pieces = cut.pieces;
        toggleCaption();
        const QVector<TextSpan> spans = pieceStarting_ ? SpeechPieceSpans(pieces) : QVector<TextSpan>();
        if (speechStep([](platform::SpVoice& v) { v.Resume(); })) {
            for (int k = 0; k < pieces.size(); ++k) {
                const QString& piece = pieces[k];
                if (!button_)
                    break;
                if (button_->text() == kCaptionRead) {
                    platform::msgBox(kStopMessage, platform::MsgButtons::OK);
                    break;
                }
                if (keepReading_ && !keepReading_())
                    break;
                if (k > 0)
                    pauseAt(cut.separator);
                if (pieceStarting_)
                    pieceStarting_(k, spans[k]);
                if (!speechStep([&piece](platform::SpVoice& v) { v.Speak(piece, kSpeakFlags); }))
                    break;
                QCoreApplication::processEvents();
            }
        }
        // Whatever ended the run, the button must not go on offering to pause
        // a reading that is over.
        if (button_)
            button_->setText(kCaptionRead);
    }

private:
    // Nothing ever changes the flags: each Speak returns when its piece is spoken.
    static constexpr int kSpeakFlags = 0;

    void toggleCaption()
    {
        if (!button_)
            return;
        if (button_->text() == kCaptionRead)
            button_->setText(kCaptionReading);
        else if (button_->text() == kCaptionReading)
            button_->setText(kCaptionRead);
    }

    // The cut took the separator out of the text: the voice says the pause
    // the separator would have made, before the next piece rather than after
    // the last one, so a stop is not kept waiting for it. A pause that cannot
    // be made is left out; a voice that fails fails again at the piece.
    void pauseAt(QChar separator)
    {
        if (const std::shared_ptr<platform::SpVoice> voice = voice_.lock()) {
            try {
                voice->SpeakPause(separator);
            } catch (const std::exception&) {
            }
        }
    }

    // Runs one speech operation; returns whether the run goes on.
    bool speechStep(const std::function<void(platform::SpVoice&)>& operation)
    {
        const std::shared_ptr<platform::SpVoice> voice = voice_.lock();
        if (!voice && hadVoice_)
            return false;  // released by its owner: the window that read is gone
        try {
            if (!voice)
                throw platform::Error(platform::errc::ObjectNotSet);
            operation(*voice);
            return true;
        } catch (const platform::Error& e) {
            return reportFailure(e.number());
        } catch (const std::exception&) {
            return reportFailure(platform::errc::General);
        }
    }

    bool reportFailure(int number)
    {
        switch (mode_) {
        case ReadFailureMode::Silent:
            return false;
        case ReadFailureMode::MessageThenEnd:
            platform::msgBox(kNoSpeechLibraryMessage, platform::MsgButtons::OK, kNoSpeechLibraryTitle);
            return false;
        case ReadFailureMode::MessageNumberContinue:
            platform::msgBox(kNoSpeechLibraryMessage + QString::number(number), platform::MsgButtons::OK,
                             kNoSpeechLibraryTitle);
            return true;
        case ReadFailureMode::SilentContinue:
            return true;
        }
        return false;
    }

    QPointer<QAbstractButton> button_;
    std::weak_ptr<platform::SpVoice> voice_;
    ReadFailureMode mode_;
    bool hadVoice_;
    PieceStarting pieceStarting_;
    KeepReading keepReading_;
};

} // namespace

void ReadTextAloud(const QString& text, QAbstractButton* button, const std::weak_ptr<platform::SpVoice>& voice,
                   ReadFailureMode failureMode, const PieceStarting& pieceStarting)
{
    if (text.isEmpty())
        return;
    // Our own copy: the text box may change (or go) while we read.
    const SpeechPieces cut = CutForSpeech(text);
    ReadingRun(button, voice, failureMode, pieceStarting).run(cut);
}

void ReadTextAloud(const QString& text, QAbstractButton* button, platform::SpVoice* voice,
                   ReadFailureMode failureMode, const PieceStarting& pieceStarting, const KeepReading& keepReading)
{
    if (text.isEmpty())
        return;
    // The caller vouches for the voice's life; hold it without owning it.
    const std::shared_ptr<platform::SpVoice> held(voice, [](platform::SpVoice*) {});
    ReadingRun(button, voice ? std::weak_ptr<platform::SpVoice>(held) : std::weak_ptr<platform::SpVoice>(), failureMode,
               pieceStarting, keepReading)
        .run(CutForSpeech(text));
}

} // namespace speech
