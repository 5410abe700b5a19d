// The reader window's reading aids: the page text follows the voice, the
// neighbouring pictures are decoded ahead, and the page keys turn pages where
// the focused control does not page itself. The picture view has no wheel or
// key handling of its own: its scroll bars scroll with the wheel as any do.
#include "reader/frmmain.h"

#include "reader/catalogue.h"
#include "reader/reading_aids.h"

#include "platform/core/error.h"
#include "platform/core/listview.h"
#include "platform/core/program.h"
#include "platform/core/scrollbar.h"
#include "platform/picture/picture.h"
#include "platform/text/richtextbox.h"
#include "reader/picture_pane.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

namespace reader {

namespace {
constexpr int kPreviousButton = 4;
constexpr int kNextButton = 5;

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

bool within(const QWidget* widget, const QWidget* container)
{
    return widget == container || container->isAncestorOf(widget);
}
}

ReadingAids::ReadingAids(frmmain& window) : w_(window)
{
    prefetcher.setWantedSource([this] {
        PicturePrefetcher::Wanted wanted;
        wanted.target = showTarget();
        if (w_.hasBuiltInBook())
            return wanted;
        const QVector<int> pages =
            neighbourPages(w_.currentPage_, w_.autoPlayPage_, w_.Timer1.interval() != 0, w_.listVW->count());
        for (int page : pages) {
            platform::runSteps({[&] { wanted.files << pageFilePath(w_.cellOf(page, 3)); }});
        }
        return wanted;
    });
    // The box is read-only: its content changes only when a page (or the help) is loaded.
    connect(w_.RTBoxShow[0]->document(), &QTextDocument::contentsChanged, this, &ReadingAids::textReplaced);
    qApp->installEventFilter(this);
}

ReadingAids::~ReadingAids() = default;

ShowTarget ReadingAids::showTarget() const
{
    return ShowTarget{w_.paneSize(), platform::twipsPerPixel(), w_.ImgPic->devicePixelRatioF()};
}

// ---- the page text follows the voice ----

speech::PieceStarting ReadingAids::followVoice(const QString& text)
{
    PlainTextMap map = mapPlainText(*w_.RTBoxShow[0]->document());
    if (map.text != text)
        return {};
    const int generation = textGeneration_;
    QPointer<ReadingAids> self(this);
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

void ReadingAids::highlight(const DocumentRange& range)
{
    platform::RichTextBox* box = w_.RTBoxShow[0];
    QTextCursor piece(box->document());
    piece.setPosition(range.from);
    piece.setPosition(range.to, QTextCursor::KeepAnchor);
    QTextEdit::ExtraSelection marker;
    marker.cursor = piece;
    marker.format.setBackground(highlightColour(box->BackColor()));
    box->setExtraSelections({marker});
    highlighted_ = true;
    highlightGeneration_ = textGeneration_;

    // Into view: its first line at least, all of it when it fits.
    QTextCursor first(box->document());
    first.setPosition(range.from);
    QTextCursor last(box->document());
    last.setPosition(std::max(range.from, range.to - 1));
    const QRect lines = box->cursorRect(first).united(box->cursorRect(last));
    const int view = box->viewport()->height();
    const int margin = box->fontMetrics().height() / 2;
    QScrollBar* bar = box->verticalScrollBar();
    if (lines.top() < 0 || lines.height() + 2 * margin > view)
        bar->setValue(bar->value() + lines.top() - margin);
    else if (lines.bottom() > view)
        bar->setValue(bar->value() + lines.bottom() - view + margin);
    // The voice holds the window's thread while it speaks: draw the marker now.
    box->repaint();
}

void ReadingAids::removeHighlight()
{
    if (!highlighted_)
        return;
    highlighted_ = false;
    w_.RTBoxShow[0]->setExtraSelections({});
}

void ReadingAids::pageChanged()
{
    ++textGeneration_;
    removeHighlight();
}

void ReadingAids::textReplaced()
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

// ---- page keys ----

bool ReadingAids::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        return pageKey(watched, static_cast<const QKeyEvent&>(*event));
    case QEvent::Resize:
        // Pictures decoded for the old pane size are of no use any more.
        if (watched == w_.PicPic)
            prefetcher.schedule();
        return false;
    default:
        return false;
    }
}

bool ReadingAids::pageKey(QObject* receiver, const QKeyEvent& event)
{
    if (event.key() != Qt::Key_PageDown && event.key() != Qt::Key_PageUp)
        return false;
    if (event.modifiers() & ~Qt::KeypadModifier)
        return false;  // Shift+Page Down selects in the text, and so on
    auto* widget = qobject_cast<QWidget*>(receiver);
    if (!widget || widget->window() != &w_)
        return false;
    // The key reaches the focused widget first and then climbs to the parents
    // when that one ignores it; only its first stop decides.
    QWidget* focus = w_.focusWidget();
    if (widget != (focus ? focus : &w_))
        return false;
    const bool next = event.key() == Qt::Key_PageDown;
    // The list pages through its rows itself, each row chosen showing its page.
    if (within(widget, w_.listVW))
        return false;
    // The page text scrolls while it can; at its end the page turns.
    if (within(widget, w_.RTBoxShow[0])) {
        const QScrollBar* bar = w_.RTBoxShow[0]->verticalScrollBar();
        if (next ? bar->value() < bar->maximum() : bar->value() > bar->minimum())
            return false;
    }
    w_.CmdPic_Click(next ? kNextButton : kPreviousButton);
    return true;
}

// ---- frmmain's side ----

void frmmain::selectPageRow(int position)
{
    if (position < 1 || position > listVW->count())
        return;
    const QModelIndex row = listVW->model()->index(position - 1, 0);
    // Only for a hit the user picked in the find window: paging and auto-play
    // leave the list's selection alone. A selection the program makes raises
    // no click, and the list keeps its sideways position.
    listVW->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    listVW->scrollTo(row);
}

void frmmain::pageShown()
{
    aids_->pageChanged();
    aids_->prefetcher.schedule();
}

platform::Picture frmmain::pagePicture(const QString& path, const QSize& fitInto)
{
    if (std::optional<platform::Picture> ready = aids_->prefetcher.take(path, aids_->showTarget()))
        return *ready;
    return platform::Picture::load(path, fitInto);
}

PicturePrefetcher& frmmain::picturePrefetcher() { return aids_->prefetcher; }

} // namespace reader
