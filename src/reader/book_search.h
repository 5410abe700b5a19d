#pragma once
// Finding a piece of text in every page of a book: the page texts as plain
// text (rich and plain files, GBK or UTF-8), read once and kept while the file
// is unchanged, and the hits with the words around them. No widgets: the find
// window runs this on a worker thread.
#include <QString>
#include <QStringView>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <QHash>
#include <vector>

namespace reader {

// Latin letters compare without regard to case, full-width forms equal their
// half-width ones, and the ideographic and no-break spaces equal the space.
// One character in, one out: a position in folded text is the same position
// in the text.
QString foldForSearch(const QString& text);

// Where the folded query occurs in the folded text, in order; hits do not overlap.
std::vector<int> findAll(QStringView foldedText, QStringView foldedQuery);

// The position of hit `ordinal` (from 0) of the query in a text, folding both;
// the last hit when there are fewer, -1 when there is none.
int nthHit(const QString& text, const QString& query, int ordinal);

// The words around a hit, on one line: up to `before` characters ahead of it
// and `after` behind it, "…" where the text goes on.
QString hitContext(const QString& text, int offset, int length, int before = 12, int after = 24);

// A page text as plain text: what the text box shows of it, character for character.
// Rich text files are read as rich text, others as GBK or UTF-8 text. Throws
// platform::Error when the file cannot be read, is no regular file or is too big.
QString readPagePlainText(const QString& path);

struct PageText {
    QString text;
    QString folded;  // shares text's characters when folding changes nothing
};

// Page texts read once and kept while each file stays as it was on disk (same
// size and modification time), within a budget of bytes: the texts used least
// recently go first, and a text larger than the whole budget is read for each
// search and never kept. Names that lead to one file share its entry. Safe to
// use from several threads.
class PageTextCache {
public:
    // Far beyond the texts of a real book, which are tens of kilobytes a page.
    static constexpr qint64 kDefaultMaxBytes = qint64(64) * 1024 * 1024;
    explicit PageTextCache(qint64 maxBytes = kDefaultMaxBytes);

    // The file's text, read now or taken from the cache; null when it cannot be read.
    std::shared_ptr<const PageText> text(const QString& path);
    void clear();
    // Forgets files that are no longer pages of the book.
    void keepOnly(const std::vector<QString>& paths);
    int size() const;
    // How many times a file was actually read (tests and benchmarks look).
    int reads() const;
    // What the kept texts hold, in bytes, and the most they may hold.
    qint64 heldBytes() const;
    qint64 maxBytes() const { return maxBytes_; }

private:
    struct Entry {
        qint64 size = -1;
        qint64 modified = 0;
        std::shared_ptr<const PageText> text;
        qint64 cost = 0;
        quint64 lastUse = 0;
    };
    static QString keyOf(const QString& path);
    void evictFor(qint64 cost);
    const qint64 maxBytes_;
    mutable std::mutex mutex_;
    QHash<QString, Entry> entries_;
    qint64 held_ = 0;
    quint64 uses_ = 0;
    int reads_ = 0;
};

// One page of the book as the find window sees it when a search starts.
struct BookPage {
    int number = 0;     // the row's sequence number
    QString title;
    QString textFile;   // absolute path; empty: the page has no text file
    bool textOutsideBook = false;  // its name leads out of the book: never read
    std::optional<QString> text;  // the page's text itself (the built-in book's entries)
};

struct SearchHit {
    int page = 0;     // BookPage::number
    QString title;
    int ordinal = 0;  // which hit on its page, from 0
    int offset = 0;   // in the page's plain text
    int length = 0;
    QString context;
};

struct SearchResult {
    QString query;
    std::vector<SearchHit> hits;  // at most the listing limit
    int total = 0;                // every hit, also those not listed
    int pagesWithHits = 0;
    int pagesUnreadable = 0;      // named a text file that could not be read
    bool cancelled = false;
};

// Searches the pages in order. `cancelled` is asked between pages; once it
// says yes the search stops and the result is marked cancelled. An empty
// query finds nothing and reads nothing.
SearchResult searchBook(const std::vector<BookPage>& pages, const QString& query, PageTextCache& cache,
                        const std::function<bool()>& cancelled = {}, int maxListed = 1000);

} // namespace reader
