#pragma once
// What the reader window does beyond its buttons and menus: the page text
// follows the voice, the neighbouring pages' pictures are decoded ahead, and
// the page keys turn pages. Private to frmmain.
#include "reader/picture_prefetch.h"
#include "reader/voice_follow.h"
#include "speech/read_aloud.h"

#include <QObject>

class QKeyEvent;

namespace reader {

class frmmain;

class ReadingAids : public QObject {
public:
    explicit ReadingAids(frmmain& window);
    ~ReadingAids() override;

    PicturePrefetcher prefetcher;
    // How the page picture is shown now.
    ShowTarget showTarget() const;

    // For a reading run of `text`, which is the page text as it stands: marks
    // each piece in the page text as it is spoken. Nothing when the text is
    // not the page text's.
    speech::PieceStarting followVoice(const QString& text);
    void removeHighlight();
    // The page on display changed: a highlight of the old text must not stay,
    // nor come back for the rest of a run reading the old text.
    void pageChanged();
    // The page text's document changed its content (and is not done with it yet).
    void textReplaced();
    // Counts the page texts shown: a reading of page after page sees the user turn away.
    int textGeneration() const { return textGeneration_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void highlight(const DocumentRange& range);
    bool pageKey(QObject* receiver, const QKeyEvent& event);

    frmmain& w_;
    int textGeneration_ = 0;
    bool highlighted_ = false;
    int highlightGeneration_ = 0;  // the text the marker was made for
};

} // namespace reader
