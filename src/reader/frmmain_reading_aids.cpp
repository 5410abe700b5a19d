// The reader window's reading aids: the page text follows the voice, the
// neighbouring pictures are decoded ahead, and the page keys turn pages where
// the focused control does not page itself. The picture view has no wheel or
// key handling of its own: its scroll bars scroll with the wheel as any do.
#include "reader/frmmain.h"

#include "platform/core/listview.h"
#include "platform/core/program.h"
#include "platform/picture/picture.h"
#include "platform/text/richtextbox.h"
#include "reader/page_keys.h"
#include "reader/page_source.h"
#include "reader/picture_pane.h"
#include "reader/voice_highlighter.h"

#include <QEvent>

namespace reader {

void frmmain::createReadingAids()
{
    // The pictures the next turn can show, at the size they will be shown.
    prefetcher_.setWantedSource([this] {
        PicturePrefetcher::Wanted wanted;
        wanted.target = showTarget();
        for (int page : cursor_.neighbours(pages_->pageCount(), Timer1.interval() != 0)) {
            const QString path = pages_->picturePath(page);
            if (!path.isEmpty())
                wanted.files << path;
        }
        return wanted;
    });
    // Pictures decoded for the old pane size are of no use any more.
    PicPic->installEventFilter(this);
    highlighter_ = std::make_unique<VoiceHighlighter>(*RTBoxShow[0]);
    pageKeys_ = std::make_unique<PageKeyFilter>(*this, *listVW, *RTBoxShow[0], [this](bool next) {
        turnPage(next ? PageCursor::Turn::Next : PageCursor::Turn::Previous);
    });
}

bool frmmain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == PicPic && event->type() == QEvent::Resize)
        prefetcher_.schedule();
    return QMainWindow::eventFilter(watched, event);
}

ShowTarget frmmain::showTarget() const
{
    return ShowTarget{paneSize(), platform::twipsPerPixel(), ImgPic->devicePixelRatioF()};
}

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
    highlighter_->pageChanged();
    prefetcher_.schedule();
}

platform::Picture frmmain::pagePicture(const QString& path, const QSize& fitInto)
{
    if (std::optional<platform::Picture> ready = prefetcher_.take(path, showTarget()))
        return *ready;
    return platform::Picture::load(path, fitInto);
}

PicturePrefetcher& frmmain::picturePrefetcher() { return prefetcher_; }

} // namespace reader
