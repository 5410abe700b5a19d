// What the reader offers beyond its design, each with its own entry or key:
// reading page after page, the thumbnails of all pages, a whole-screen window.
#include "reader/frmmain.h"

#include "platform/core/listview.h"
#include "reader/frmthumbs.h"
#include "reader/page_source.h"
#include "reader/voice_highlighter.h"

#include <QAction>
#include <QPushButton>

namespace reader {

void frmmain::menuReadOn_Click()
{
    // The entry again: the reading ends after the piece being spoken.
    if (readingOn_) {
        readingOn_ = false;
        return;
    }
    // A reading of the read button's own is going on: that one is stopped by the button.
    if (CmdRead->text() != speech::kCaptionRead)
        return;
    readingOn_ = true;
    // At start-up row 1 is on display before any page was chosen by hand:
    // the first turn goes on from it, not to it again.
    if (cursor_.currentPage() == 0 && pages_->pageCount() > 0)
        cursor_.choose(1);
    QPointer<frmmain> self(this);
    for (;;) {
        const int shown = highlighter_->textGeneration();
        // Any other page change (a click in the list, the buttons, auto-play,
        // find) shows another text: the reading stops after its piece.
        readShownPage([this, self, shown] { return self && readingOn_ && highlighter_->textGeneration() == shown; });
        if (!self)
            return;
        if (!readingOn_ || highlighter_->textGeneration() != shown || cursor_.currentPage() >= pages_->pageCount())
            break;  // stopped, turned away from, or the last page read: no wrap-around
        turnPage(PageCursor::Turn::Next);
    }
    readingOn_ = false;
}

void frmmain::menuThumbs_Click()
{
    if (!thumbs_) {
        thumbs_ = new FrmThumbs(*pages_, [this](int position) { listVW_ItemClick(position); }, this);
        // A catalogue filled again (the builder does) is another book; a sorted one
        // puts other pages at the thumbnails' places.
        ThumbnailModel* model = thumbs_->model();
        onBookChanged(model, [model] { model->reset(); });
        connect(listVW->model(), &QAbstractItemModel::layoutChanged, model, &ThumbnailModel::reset);
    }
    thumbs_->Open();
}

FrmThumbs* frmmain::thumbsWindow() const { return thumbs_.data(); }

void frmmain::menuFullScreen_Click()
{
    // The layout stays what it is; the resize that follows places the controls
    // for the new size, as every resize does.
    if (isFullScreen())
        showNormal();
    else
        showFullScreen();
    menuFullScreen->setChecked(isFullScreen());
}

} // namespace reader
