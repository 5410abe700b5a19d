// Find in the book: the menu entry opens the one find window, which reads the
// book through its page source and shows a found page the way a chosen page is shown.
#include "reader/frmmain.h"

#include "platform/core/listview.h"
#include "reader/frmfind.h"
#include "reader/page_source.h"

namespace reader {

void frmmain::menuFind_Click()
{
    if (!find_) {
        FindTarget target;
        target.pages = [book = pages_.get()] { return book->searchPages(); };
        target.showPage = [this](int position) {
            showFoundPage(position);
            return RTBoxShow[0];
        };
        find_ = new FrmFind(std::move(target), this);
        // A catalogue filled again (the builder does) is another book: its texts are read anew.
        onBookChanged(find_, [find = find_.data()] { find->BookChanged(); });
    }
    find_->Open();
}

FrmFind* frmmain::findWindow() const { return find_.data(); }

void frmmain::onBookChanged(QObject* receiver, const std::function<void()>& changed)
{
    QAbstractItemModel* rows = listVW->model();
    connect(rows, &QAbstractItemModel::modelReset, receiver, changed);
    connect(rows, &QAbstractItemModel::rowsInserted, receiver, changed);
    connect(rows, &QAbstractItemModel::rowsRemoved, receiver, changed);
    connect(rows, &QAbstractItemModel::dataChanged, receiver, changed);
}

void frmmain::showFoundPage(int position)
{
    // The user picked this hit: its row is the one chosen, as a click on it would make it.
    selectPageRow(position);
    listVW_ItemClick(position);
}

} // namespace reader
