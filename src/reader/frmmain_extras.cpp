// What the reader offers beyond its design, each with its own entry or key:
// reading page after page, the thumbnails of all pages, a whole-screen window.
#include "reader/frmmain.h"

#include "platform/core/error.h"
#include "platform/core/listview.h"
#include "reader/catalogue.h"
#include "reader/frmthumbs.h"
#include "reader/reading_aids.h"

#include <QAction>
#include <QDir>
#include <QPushButton>

namespace reader {

namespace {
constexpr int kNextButton = 5;
}

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
    if (currentPage_ == 0 && listVW->count() > 0)
        currentPage_ = 1;
    QPointer<frmmain> self(this);
    for (;;) {
        const int shown = aids_->textGeneration();
        // Any other page change (a click in the list, the buttons, auto-play,
        // find) shows another text: the reading stops after its piece.
        readShownPage([this, self, shown] { return self && readingOn_ && aids_->textGeneration() == shown; });
        if (!self)
            return;
        if (!readingOn_ || aids_->textGeneration() != shown || currentPage_ >= listVW->count())
            break;  // stopped, turned away from, or the last page read: no wrap-around
        CmdPic_Click(kNextButton);
    }
    readingOn_ = false;
}

void frmmain::menuThumbs_Click()
{
    if (!thumbs_) {
        ThumbnailSource source;
        source.pageCount = [this] { return listVW->count(); };
        source.title = [this](int position) {
            QString title;
            platform::tryStep([&] { title = cellOf(position, 1); });
            return title;
        };
        source.pictureFile = [this](int position) {
            QString path;
            if (!hasBuiltInBook())
                platform::tryStep([&] { path = QDir::current().absoluteFilePath(pageFilePath(cellOf(position, 3))); });
            return path;
        };
        source.showPage = [this](int position) { listVW_ItemClick(position); };
        thumbs_ = new FrmThumbs(std::move(source), this);
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
