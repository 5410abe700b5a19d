#include "reader/book_search.h"

#include "platform/core/error.h"
#include "platform/text/ansi_text.h"
#include "platform/text/rtf.h"

#include <QFileInfo>

namespace reader {

namespace {

char16_t foldChar(char16_t c)
{
    if (c < 0x80) {
        if (c >= u'A' && c <= u'Z')
            return static_cast<char16_t>(c + 0x20);
        return c;
    }
    if (c >= 0xff01 && c <= 0xff5e)  // full-width ASCII
        c = static_cast<char16_t>(c - 0xfee0);
    else if (c == 0x3000 || c == 0x00a0)
        return u' ';
    // Chinese characters have no case: the common case stays out of the tables.
    if (c >= 0x3400 && c <= 0x9fff)
        return c;
    return QChar::toCaseFolded(c);
}

// The characters that end a line or stand apart: shown as one space in a context.
bool isBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == u'\t' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

// A start or end that would cut a surrogate pair in two moves to keep it whole.
int keepPairStart(const QString& text, int pos)
{
    if (pos > 0 && pos < text.size() && text.at(pos).isLowSurrogate() && text.at(pos - 1).isHighSurrogate())
        --pos;
    return pos;
}

int keepPairEnd(const QString& text, int pos)
{
    if (pos > 0 && pos < text.size() && text.at(pos).isLowSurrogate() && text.at(pos - 1).isHighSurrogate())
        ++pos;
    return pos;
}

} // namespace

QString foldForSearch(const QString& text)
{
    const qsizetype n = text.size();
    const QChar* in = text.constData();
    qsizetype first = 0;
    while (first < n && foldChar(in[first].unicode()) == in[first].unicode())
        ++first;
    if (first == n)
        return text;  // shared, no copy
    QString out = text;
    QChar* chars = out.data();
    for (qsizetype i = first; i < n; ++i)
        chars[i] = QChar(foldChar(chars[i].unicode()));
    return out;
}

std::vector<int> findAll(QStringView foldedText, QStringView foldedQuery)
{
    std::vector<int> hits;
    if (foldedQuery.isEmpty())
        return hits;
    qsizetype from = 0;
    while (true) {
        const qsizetype at = foldedText.indexOf(foldedQuery, from);
        if (at < 0)
            break;
        hits.push_back(static_cast<int>(at));
        from = at + foldedQuery.size();
    }
    return hits;
}

int nthHit(const QString& text, const QString& query, int ordinal)
{
    const std::vector<int> hits = findAll(foldForSearch(text), foldForSearch(query));
    if (hits.empty())
        return -1;
    if (ordinal < 0)
        ordinal = 0;
    return hits[std::min(static_cast<size_t>(ordinal), hits.size() - 1)];
}

QString hitContext(const QString& text, int offset, int length, int before, int after)
{
    const int n = static_cast<int>(text.size());
    offset = std::clamp(offset, 0, n);
    length = std::clamp(length, 0, n - offset);
    const int start = keepPairStart(text, std::max(0, offset - before));
    const int end = keepPairEnd(text, std::min(n, offset + length + after));
    QString out;
    out.reserve(end - start + 2);
    if (start > 0)
        out += u'…';
    bool lastWasSpace = false;
    for (int i = start; i < end; ++i) {
        const QChar c = text.at(i);
        if (isBreak(c) || c == u' ') {
            // A paragraph end in the middle of the context reads as a space, not as many.
            if (!lastWasSpace)
                out += u' ';
            lastWasSpace = true;
        } else {
            out += c;
            lastWasSpace = false;
        }
    }
    if (end < n)
        out += u'…';
    return out;
}

QString readPagePlainText(const QString& path)
{
    // The text box's own reading: regular files of bounded size only.
    const QByteArray bytes = platform::readFileBytes(path);
    if (platform::looksLikeRtf(bytes))
        return platform::rtfPlainText(bytes);
    // The text box keeps one paragraph per line, whichever line end the file uses.
    QString text = platform::decodeTextFile(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

namespace {

// What a page text costs while kept: its characters, and the folded copy
// when folding changed any.
qint64 costOf(const PageText& page)
{
    qint64 cost = page.text.size() * qint64(sizeof(QChar));
    if (page.folded.constData() != page.text.constData())
        cost += page.folded.size() * qint64(sizeof(QChar));
    return cost;
}

} // namespace

PageTextCache::PageTextCache(qint64 maxBytes) : maxBytes_(std::max<qint64>(0, maxBytes)) {}

QString PageTextCache::keyOf(const QString& path)
{
    // Thirty names linked to one large text are one text to keep, not thirty.
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

void PageTextCache::evictFor(qint64 cost)
{
    while (!entries_.isEmpty() && held_ + cost > maxBytes_) {
        auto oldest = entries_.begin();
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (it->lastUse < oldest->lastUse)
                oldest = it;
        held_ -= oldest->cost;
        entries_.erase(oldest);
    }
}

std::shared_ptr<const PageText> PageTextCache::text(const QString& path)
{
    const QFileInfo info(path);
    const qint64 size = info.exists() ? info.size() : -1;
    const qint64 modified = info.exists() ? info.lastModified().toMSecsSinceEpoch() : 0;
    const QString key = keyOf(path);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = entries_.find(key);
        if (it != entries_.end() && it->size == size && it->modified == modified) {
            it->lastUse = ++uses_;
            return it->text;
        }
    }
    // Read outside the lock: a slow file must not hold up the other users.
    std::shared_ptr<const PageText> text;
    try {
        auto page = std::make_shared<PageText>();
        page->text = readPagePlainText(path);
        page->folded = foldForSearch(page->text);
        text = std::move(page);
    } catch (const platform::Error&) {
        // Unreadable now; kept as such until the file changes.
    }
    const qint64 cost = text ? costOf(*text) : 0;
    std::lock_guard<std::mutex> lock(mutex_);
    ++reads_;
    if (const auto it = entries_.find(key); it != entries_.end()) {
        held_ -= it->cost;
        entries_.erase(it);
    }
    // A text larger than the whole budget is searched as it is read and let go.
    if (cost > maxBytes_)
        return text;
    evictFor(cost);
    entries_.insert(key, Entry{size, modified, text, cost, ++uses_});
    held_ += cost;
    return text;
}

void PageTextCache::clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
    held_ = 0;
}

void PageTextCache::keepOnly(const std::vector<QString>& paths)
{
    std::vector<QString> keys;
    keys.reserve(paths.size());
    for (const QString& path : paths)
        keys.push_back(keyOf(path));
    QHash<QString, Entry> kept;
    std::lock_guard<std::mutex> lock(mutex_);
    held_ = 0;
    for (const QString& key : keys) {
        const auto it = entries_.constFind(key);
        if (it != entries_.constEnd() && !kept.contains(key)) {
            kept.insert(key, *it);
            held_ += it->cost;
        }
    }
    entries_.swap(kept);
}

int PageTextCache::size() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(entries_.size());
}

int PageTextCache::reads() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return reads_;
}

qint64 PageTextCache::heldBytes() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return held_;
}

SearchResult searchBook(const std::vector<BookPage>& pages, const QString& query, PageTextCache& cache,
                        const std::function<bool()>& cancelled, int maxListed)
{
    SearchResult result;
    result.query = query;
    const QString foldedQuery = foldForSearch(query);
    // Nothing to find: no text is read for it.
    if (foldedQuery.isEmpty())
        return result;
    for (const BookPage& page : pages) {
        if (cancelled && cancelled()) {
            result.cancelled = true;
            return result;
        }
        std::shared_ptr<const PageText> text;
        if (page.text) {
            auto inlineText = std::make_shared<PageText>();
            inlineText->text = *page.text;
            inlineText->folded = foldForSearch(inlineText->text);
            text = std::move(inlineText);
        } else if (page.textOutsideBook) {
            ++result.pagesUnreadable;
        } else if (!page.textFile.isEmpty()) {
            text = cache.text(page.textFile);
            if (!text)
                ++result.pagesUnreadable;
        }
        if (!text)
            continue;
        const std::vector<int> hits = findAll(text->folded, foldedQuery);
        if (hits.empty())
            continue;
        ++result.pagesWithHits;
        for (size_t k = 0; k < hits.size(); ++k) {
            ++result.total;
            if (static_cast<int>(result.hits.size()) >= maxListed)
                continue;
            SearchHit hit;
            hit.page = page.number;
            hit.title = page.title;
            hit.ordinal = static_cast<int>(k);
            hit.offset = hits[k];
            hit.length = static_cast<int>(query.size());
            hit.context = hitContext(text->text, hit.offset, hit.length);
            result.hits.push_back(std::move(hit));
        }
    }
    return result;
}

} // namespace reader
