// The reader window's reading aids: the page text follows the voice, the
// neighbouring pictures are decoded ahead, the list follows the page, and the
// page keys and the wheel turn, scroll and zoom.
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
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace reader {

namespace {
constexpr int kPreviousButton = 4;
constexpr int kNextButton = 5;
// One notch of the wheel: the angle Qt reports, and how far one of the
// system's wheel lines moves a zoomed picture (20 pixels at 96 dpi).
constexpr int kWheelNotch = 120;
constexpr int kWheelLineTwips = 300;

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

// ---- page keys and the wheel ----

bool ReadingAids::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        return pageKey(watched, static_cast<const QKeyEvent&>(*event));
    case QEvent::Wheel:
        return pictureWheel(watched, static_cast<const QWheelEvent&>(*event));
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

bool ReadingAids::pictureWheel(QObject* receiver, const QWheelEvent& event)
{
    auto* widget = qobject_cast<QWidget*>(receiver);
    if (!widget || !within(widget, w_.PicPic))
        return false;
    const QPoint angle = event.angleDelta();
    const bool zoomed = !w_.HScr->isHidden() || !w_.VScr->isHidden();
    if (!(event.modifiers() & Qt::ControlModifier) && zoomed) {
        // A picture larger than its pane scrolls, through the scroll bars.
        if (angle.y() != 0)
            scrollPicture(angle.y(), !w_.VScr->isHidden());
        if (angle.x() != 0)
            scrollPicture(angle.x(), false);
        return true;
    }
    wheelAngle_ += angle.y();
    const int notches = wheelAngle_ / kWheelNotch;
    wheelAngle_ -= notches * kWheelNotch;
    for (int i = 0; i < std::abs(notches); ++i) {
        const bool away = notches > 0;  // the wheel turned away from the user: up
        if (event.modifiers() & Qt::ControlModifier) {
            // Zooms as F5 and F6 do, while they may be used.
            QAction* zoom = away ? w_.menuPicLarge : w_.menuPicSmall;
            if (zoom->isEnabled())
                zoom->trigger();
        } else {
            w_.CmdPic_Click(away ? kPreviousButton : kNextButton);
        }
    }
    return true;
}

void ReadingAids::scrollPicture(int angle, bool vertical)
{
    platform::ScrollBar* bar = vertical ? w_.VScr : w_.HScr;
    if (bar->isHidden())
        return;
    const double lines = double(angle) / kWheelNotch * QApplication::wheelScrollLines();
    const int step = static_cast<int>(std::lround(lines * kWheelLineTwips));
    const int value = std::clamp(bar->value() - step, bar->minimum(), bar->maximum());
    // Through the bar: its change event moves the picture, as a click on it would.
    platform::runSteps({[&] { bar->setValueChecked(value); }});
}

// ---- frmmain's side ----

void frmmain::selectPageRow(int position)
{
    if (position < 1 || position > listVW->count())
        return;
    const QModelIndex row = listVW->model()->index(position - 1, 0);
    // A selection the program makes raises no click, and the list keeps its
    // sideways position while the row is brought into view.
    listVW->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    listVW->scrollTo(row);
}

void frmmain::pageShown(int position)
{
    aids_->pageChanged();
    selectPageRow(position);
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
