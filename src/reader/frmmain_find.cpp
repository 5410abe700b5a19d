// Find in the book: the menu entry opens the one find window, which reads the
// book through the catalogue rows (or the built-in entries) and shows a found
// page the way a chosen page is shown.
#include "reader/frmmain.h"

#include "platform/core/error.h"
#include "platform/core/listview.h"
#include "platform/text/richtextbox.h"
#include "reader/book_search.h"
#include "reader/catalogue.h"
#include "reader/frmfind.h"

#include <QDir>

namespace reader {

void frmmain::menuFind_Click()
{
    if (!find_) {
        FindTarget target;
        target.pages = [this] { return bookPages(); };
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

std::vector<BookPage> frmmain::bookPages() const
{
    // Rows are numbered 1..N in list order, so a page's number is its position.
    std::vector<BookPage> pages;
    const int rows = listVW->count();
    pages.reserve(static_cast<size_t>(rows));
    const QDir folder = QDir::current();
    for (int position = 1; position <= rows; ++position) {
        BookPage page;
        page.number = position;
        platform::tryStep([&] { page.title = cellOf(position, 1); });
        if (hasBuiltInBook()) {
            if (position <= static_cast<int>(RTBoxTxt.size()))
                page.text = RTBoxTxt[static_cast<size_t>(position - 1)]->document()->toPlainText();
        } else {
            QString name;
            platform::tryStep([&] { name = cellOf(position, 2); });
            if (!name.isEmpty()) {
                page.textOutsideBook = !platform::tryStep([&] { page.textFile = folder.absoluteFilePath(pageFilePath(name)); });
            }
        }
        pages.push_back(std::move(page));
    }
    return pages;
}

void frmmain::showFoundPage(int position)
{
    // The user picked this hit: its row is the one chosen, as a click on it would make it.
    selectPageRow(position);
    listVW_ItemClick(position);
}

} // namespace reader
