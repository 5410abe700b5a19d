#pragma once
// The page text follows the voice: a marker over the piece being spoken, in
// the text box that shows the page. The marker belongs to the text it was
// made for: a page change, or any other new text in the box, takes it away.
#include "reader/voice_follow.h"
#include "speech/read_aloud.h"

#include <QObject>

namespace platform { class RichTextBox; }

namespace reader {

class VoiceHighlighter : public QObject {
public:
    explicit VoiceHighlighter(platform::RichTextBox& box);

    // For a reading run of `text`, which is the box's text as it stands: marks
    // each piece in the box as it is spoken. Nothing when the text is not the box's.
    speech::PieceStarting followVoice(const QString& text);
    void removeHighlight();
    // The page on display changed: a highlight of the old text must not stay,
    // nor come back for the rest of a run reading the old text.
    void pageChanged();
    // Counts the texts shown: a reading of page after page sees the user turn away.
    int textGeneration() const { return textGeneration_; }

private:
    // The box's document changed its content (and is not done with it yet).
    void textReplaced();
    void highlight(const DocumentRange& range);

    platform::RichTextBox& box_;
    int textGeneration_ = 0;
    bool highlighted_ = false;
    int highlightGeneration_ = 0;  // the text the marker was made for
};

} // namespace reader
