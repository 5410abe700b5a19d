#include "reader/page_source.h"

#include "platform/core/error.h"
#include "platform/core/listview.h"
#include "platform/text/richtextbox.h"
#include "reader/catalogue.h"

#include <QDir>
#include <QTextDocument>

namespace reader {

int PageSource::pageCount() const { return rows_.count(); }

QString PageSource::cell(int position, int subItem) const { return rows_.subItem(position, subItem); }

QString PageSource::sequenceNumber(int position) const { return rows_.rowText(position); }

QString PageSource::title(int position) const { return cell(position, 1); }

QString PageSource::textFile(int position) const { return cell(position, 2); }

QString PageSource::pictureFile(int) const { return QString(); }

// Without picture files, the panel names the entry.
QString PageSource::pictureLabel(int position) const { return title(position); }

QString PageSource::picturePath(int) const { return QString(); }

std::vector<BookPage> PageSource::searchPages() const
{
    // Rows are numbered 1..N in list order, so a page's number is its position.
    std::vector<BookPage> pages;
    const int rows = pageCount();
    pages.reserve(static_cast<size_t>(rows));
    for (int position = 1; position <= rows; ++position) {
        BookPage page;
        page.number = position;
        platform::tryStep([&] { page.title = title(position); });
        describeText(page);
        pages.push_back(std::move(page));
    }
    return pages;
}

// ---- the catalogue's files ----

QString CatalogueSource::pictureFile(int position) const { return cell(position, 3); }

QString CatalogueSource::pictureLabel(int position) const { return cell(position, 3); }

QString CatalogueSource::picturePath(int position) const
{
    QString path;
    platform::tryStep([&] { path = QDir::current().absoluteFilePath(pageFilePath(cell(position, 3))); });
    return path;
}

void CatalogueSource::loadText(platform::RichTextBox& box, int position) const
{
    box.LoadFile(pageFilePath(cell(position, 2)));
}

void CatalogueSource::describeText(BookPage& page) const
{
    QString name;
    platform::tryStep([&] { name = textFile(page.number); });
    if (!name.isEmpty()) {
        page.textOutsideBook =
            !platform::tryStep([&] { page.textFile = QDir::current().absoluteFilePath(pageFilePath(name)); });
    }
}

// ---- the built-in book ----

void BuiltInBookSource::loadText(platform::RichTextBox& box, int position) const
{
    if (position < 1 || position > static_cast<int>(entries_.size()))
        throw platform::Error(platform::errc::SubscriptOutOfRange);
    box.setTextRTF(entries_[static_cast<size_t>(position - 1)]->TextRTF());
}

void BuiltInBookSource::describeText(BookPage& page) const
{
    if (page.number >= 1 && page.number <= static_cast<int>(entries_.size()))
        page.text = entries_[static_cast<size_t>(page.number - 1)]->document()->toPlainText();
}

} // namespace reader
