#include "reader/voice_highlighter.h"

#include "platform/text/richtextbox.h"

#include <QPointer>
#include <QScrollBar>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

namespace reader {

namespace {
// A light marker colour that stands out from the text box's background.
QColor highlightColour(const QColor& background)
{
    const QColor gold(255, 222, 110);
    const QColor blue(160, 210, 255);
    auto distance = [](const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
    };
    return distance(background, gold) < 120 ? blue : gold;
}
}

VoiceHighlighter::VoiceHighlighter(platform::RichTextBox& box) : box_(box)
{
    // The box is read-only: its content changes only when a page (or the help) is loaded.
    connect(box_.document(), &QTextDocument::contentsChanged, this, &VoiceHighlighter::textReplaced);
}

speech::PieceStarting VoiceHighlighter::followVoice(const QString& text)
{
    PlainTextMap map = mapPlainText(*box_.document());
    if (map.text != text)
        return {};
    const int generation = textGeneration_;
    QPointer<VoiceHighlighter> self(this);
    return [self, map = std::move(map), generation](int, speech::TextSpan span) {
        // The window may be gone, or show another text than the one being read.
        if (!self || self->textGeneration_ != generation)
            return;
        if (const std::optional<DocumentRange> range = documentRangeOf(map, span))
            self->highlight(*range);
        else
            self->removeHighlight();
    };
}

void VoiceHighlighter::highlight(const DocumentRange& range)
{
    QTextCursor piece(box_.document());
    piece.setPosition(range.from);
    piece.setPosition(range.to, QTextCursor::KeepAnchor);
    QTextEdit::ExtraSelection marker;
    marker.cursor = piece;
    marker.format.setBackground(highlightColour(box_.BackColor()));
    box_.setExtraSelections({marker});
    highlighted_ = true;
    highlightGeneration_ = textGeneration_;

    // Into view: its first line at least, all of it when it fits.
    QTextCursor first(box_.document());
    first.setPosition(range.from);
    QTextCursor last(box_.document());
    last.setPosition(std::max(range.from, range.to - 1));
    const QRect lines = box_.cursorRect(first).united(box_.cursorRect(last));
    const int view = box_.viewport()->height();
    const int margin = box_.fontMetrics().height() / 2;
    QScrollBar* bar = box_.verticalScrollBar();
    if (lines.top() < 0 || lines.height() + 2 * margin > view)
        bar->setValue(bar->value() + lines.top() - margin);
    else if (lines.bottom() > view)
        bar->setValue(bar->value() + lines.bottom() - view + margin);
    // The voice holds the window's thread while it speaks: draw the marker now.
    box_.repaint();
}

void VoiceHighlighter::removeHighlight()
{
    if (!highlighted_)
        return;
    highlighted_ = false;
    box_.setExtraSelections({});
}

void VoiceHighlighter::pageChanged()
{
    ++textGeneration_;
    removeHighlight();
}

void VoiceHighlighter::textReplaced()
{
    ++textGeneration_;
    // The document says so while it is still replacing its text, with its
    // cursors set aside and put back afterwards: a marker dropped now would
    // leave it moving a freed cursor. The marker goes once the change is over,
    // unless a newer one marks the new text by then.
    if (highlighted_) {
        QMetaObject::invokeMethod(
            this, [this] {
                if (highlighted_ && highlightGeneration_ != textGeneration_)
                    removeHighlight();
            },
            Qt::QueuedConnection);
    }
}

} // namespace reader
