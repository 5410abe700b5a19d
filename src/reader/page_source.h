#pragma once
// Where the pages come from: the files the catalogue names in the working
// folder, or the entries compiled into a title edition. Both number their
// pages by the rows of the catalogue list, 1..pageCount(), in the list's
// order, and the list holds their sequence numbers and titles. Everything
// that reads a page (the page change, find, the thumbnails, the pictures
// decoded ahead) reads it here, whichever book it is.
#include "reader/book_search.h"

#include <QString>
#include <vector>

namespace platform {
class ListView;
class RichTextBox;
}

namespace reader {

class PageSource {
public:
    explicit PageSource(const platform::ListView& rows) : rows_(rows) {}
    virtual ~PageSource() = default;

    int pageCount() const;
    // The row's cells. Throw platform::Error for a position without a row.
    QString sequenceNumber(int position) const;
    QString title(int position) const;
    QString textFile(int position) const;

    // Unless a source names picture files, its book has none: the name and
    // the path below are empty, and the label names the entry.
    // The page picture's name, as the page change loads it; empty: none.
    // Where there are picture files, throws platform::Error for a position without a row.
    virtual QString pictureFile(int position) const;
    // What the status panel of the picture names: its file, or the entry
    // of a book without picture files. Throws as pictureFile does.
    virtual QString pictureLabel(int position) const;
    // The page picture's file, absolute, for decoding it ahead or small;
    // empty when the page has none or its name leads out of the book.
    virtual QString picturePath(int position) const;
    // Puts the page's text into the box. Throws platform::Error; the box
    // then keeps the text it had.
    virtual void loadText(platform::RichTextBox& box, int position) const = 0;

    // The book as a search reads it, page by page.
    std::vector<BookPage> searchPages() const;

protected:
    // A search's view of the page's text: its file, or the text itself.
    virtual void describeText(BookPage& page) const = 0;
    QString cell(int position, int subItem) const;

    const platform::ListView& rows_;
};

// The general edition's book: the catalogue rows name a picture file and a
// text file for each page, in the working folder.
class CatalogueSource : public PageSource {
public:
    using PageSource::PageSource;
    QString pictureFile(int position) const override;
    QString pictureLabel(int position) const override;
    QString picturePath(int position) const override;
    void loadText(platform::RichTextBox& box, int position) const override;

protected:
    void describeText(BookPage& page) const override;
};

// A title edition's book: entry k's document lies in the hidden box
// entries[k - 1]; there are no picture files.
class BuiltInBookSource : public PageSource {
public:
    BuiltInBookSource(const platform::ListView& rows, const std::vector<platform::RichTextBox*>& entries)
        : PageSource(rows), entries_(entries)
    {
    }
    void loadText(platform::RichTextBox& box, int position) const override;

protected:
    void describeText(BookPage& page) const override;

private:
    const std::vector<platform::RichTextBox*>& entries_;
};

} // namespace reader
