// The RTF reader: one pass over the bytes, a stack of group states, and
// formatted text handed to the document in runs (one insert per stretch of
// equally formatted text, never per character).
#include "platform/text/codepage.h"
#include "platform/text/rtf.h"
#include "platform/text/rtf_keywords.h"
#include "platform/text/rtf_table.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform {

bool looksLikeRtf(const QByteArray& bytes)
{
    return bytes.startsWith("{\\rtf");
}

namespace {

using rtf::Kw;
using rtf::kMaxTableDepth;
using rtf::kTwipsPerPixel;

// Deeper groups than this are read as if their braces were not there: a
// megabyte of "{" must not cost a megabyte of saved states.
constexpr int kMaxDepth = 1000;
constexpr int kDefaultHalfPoints = 24;
constexpr int kMaxImageSide = 8192;
// Decoded pictures stay in the document; a document full of huge ones must not exhaust memory.
constexpr qint64 kMaxImagePixels = 16LL * 1024 * 1024;
constexpr qint64 kMaxDocumentImagePixels = 64LL * 1024 * 1024;
constexpr qsizetype kMaxFontsInUse = 64;

enum class Dest : uint8_t {
    Text,       // body text
    FontTable,  // font entries
    ColorTable, // colour entries
    Pict,       // picture data
    Upr,        // {\upr {ansi}{\*\ud {unicode}}}: only the \ud part counts
    UprAnsi,    // the ANSI half of \upr, dropped
};

struct CharProps {
    int font = -1;
    int halfPoints = kDefaultHalfPoints;
    int fg = 0; // colour table index, 0 = automatic
    int bg = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    int8_t vpos = 0; // 1 superscript, -1 subscript

    bool operator==(const CharProps& o) const
    {
        return font == o.font && halfPoints == o.halfPoints && fg == o.fg && bg == o.bg && bold == o.bold
            && italic == o.italic && underline == o.underline && strike == o.strike && hidden == o.hidden
            && vpos == o.vpos;
    }
    bool operator!=(const CharProps& o) const { return !(*this == o); }
};

struct CharPropsHash {
    size_t operator()(const CharProps& c) const
    {
        size_t h = static_cast<size_t>(c.font) * 1000003u;
        h ^= static_cast<size_t>(c.halfPoints) * 8191u;
        h ^= static_cast<size_t>(c.fg) * 131071u + static_cast<size_t>(c.bg) * 524287u;
        h ^= (c.bold ? 1u : 0u) | (c.italic ? 2u : 0u) | (c.underline ? 4u : 0u) | (c.strike ? 8u : 0u)
            | (c.hidden ? 16u : 0u) | (static_cast<size_t>(c.vpos + 1) << 5);
        return h;
    }
};

struct ParaProps {
    int align = 0; // 0 left, 1 centre, 2 right, 3 justify
    int li = 0;    // twips
    int ri = 0;
    int fi = 0;
    int sb = 0;
    int sa = 0;
    int sl = 0;          // line spacing: 0 single; >0 at least (twips, or 240ths of a line with slmult); <0 exactly
    bool slmult = false;
    // Where the paragraph stands, not how it looks: left out of the comparison.
    bool intbl = false; // in a table cell
    int8_t itap = 0;    // table nesting level, 0 = the page itself

    int tableLevel() const { return std::max<int>(itap, intbl ? 1 : 0); }

    bool operator==(const ParaProps& o) const
    {
        return align == o.align && li == o.li && ri == o.ri && fi == o.fi && sb == o.sb && sa == o.sa
               && sl == o.sl && slmult == o.slmult;
    }
    bool operator!=(const ParaProps& o) const { return !(*this == o); }
};

struct GroupState {
    CharProps ch;
    ParaProps para;
    Dest dest = Dest::Text;
    Dest uprOuter = Dest::Text; // where the \ud half of an \upr goes
    int uc = 1;                 // characters that stand in for each \uN
    bool dbch = false;          // Word marks double-byte runs with \dbch
    bool ownsDest = false;      // this group opened its destination
    bool nestProps = false;     // in {\*\nesttableprops}: row definitions of a nested table
};

// Where paragraphs go: straight into the document, or into a table cell whose
// content is kept as steps until its table has ended.
struct Target {
    rtf::Ops* ops = nullptr; // null: the document
    ParaProps appliedPara;   // the current block's format
    bool blockHasContent = false;
    bool lastBreakWasPar = false;
    bool brokeHere = false; // the current, still empty, block was opened by a paragraph break
};

// A table still being read, one per nesting level.
struct OpenTable {
    explicit OpenTable(int nestingLevel) : level(nestingLevel) { target.ops = &cell; }
    OpenTable(const OpenTable&) = delete;
    OpenTable& operator=(const OpenTable&) = delete;

    int level; // the nesting level the file gave it
    std::unique_ptr<rtf::TableModel> table = std::make_unique<rtf::TableModel>();
    rtf::RowModel row; // the row being read
    rtf::Ops cell;     // the cell being read
    Target target;     // writes into cell
};

struct FontEntry {
    QString name;
    int codePage = 0; // 0: the document's
};

enum class PictKind : uint8_t { None, Png, Jpeg, Other };

struct PictState {
    PictKind kind = PictKind::None;
    int picw = 0, pich = 0, goalW = 0, goalH = 0, scaleX = 100, scaleY = 100;
    QByteArray data;
    int pendingNibble = -1;
};

int hexValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isLetter(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

// Characters the document must not receive as text: controls, and the code
// points Qt uses for its own frame and object markers.
bool isUnwantedChar(char16_t c)
{
    return (c < 0x20 && c != u'\t') || c == 0x7f || c == 0xfffc || (c >= 0xfdd0 && c <= 0xfdef) || c == 0xfffe
        || c == 0xffff || c == 0x2029;
}

class RtfReader {
public:
    // Into a document, or (document null) into plain text only. Pictures are
    // decoded only for a document that shows them.
    RtfReader(const QByteArray& rtf, QTextDocument* document, QString* plain, bool pictures = true)
        : p_(rtf.constData()), end_(rtf.constData() + rtf.size()), document_(document), plain_(plain),
          cursor_(document ? QTextCursor(document) : QTextCursor()), pictures_(document && pictures)
    {
        stack_.reserve(64);
        stack_.push_back(GroupState());
        tableContext_.colors = &colors_;
    }

    void run();
    // Plain text only: a table was met, and its text was not kept.
    bool tableSkipped() const { return tableSkipped_; }
    const RtfCuts& cuts() const { return cuts_; }

private:
    void parse();
    GroupState& state() { return stack_.back(); }
    const GroupState& state() const { return stack_.back(); }

    // parsing
    void beginGroup();
    void endGroup();
    const char* skipRestOfGroup();
    void controlWord();
    void controlSymbol(unsigned char c);
    void hexEscape();
    void plainText();
    void handleWord(Kw kw, bool hasParam, int param);
    // Each takes the words of one destination, or of one kind in body text;
    // those returning bool say whether the word was theirs.
    bool destinationWord(Kw kw);
    bool documentWord(Kw kw, bool hasParam, int param);
    bool charWord(Kw kw, bool hasParam, int param);
    bool paraWord(Kw kw, int param);
    bool breakWord(Kw kw);
    void bin(int count);
    bool consumeSkip();

    // destinations
    void fontTableText(const char* text, qsizetype size);
    void fontTableWord(Kw kw, bool hasParam, int param);
    void commitFont();
    void colorTableWord(Kw kw, int param);
    void colorTableText(const char* text, qsizetype size);
    void pictWord(Kw kw, int param);
    void pictData(const char* text, qsizetype size);
    void finishPicture();

    // tables
    void tableWord(Kw kw, int param);
    rtf::Border* currentBorder();
    int paraLevel() const { return std::min(state().para.tableLevel(), kMaxTableDepth); }
    void route(int level);
    void closeTable();
    void endCell(int level);
    void endRow(int level);
    void closeCell(OpenTable& table, bool atCellMark);
    void closeRow(OpenTable& table);

    // output
    void addByte(unsigned char byte);
    void flushBytes();
    // Text that is shown: decoded bytes first, the run's format settled. False
    // when the text goes nowhere (nothing, another destination, hidden).
    bool beginEmit(qsizetype size);
    void emitText(const QChar* text, qsizetype size);
    void emitLatin1(const char* text, qsizetype size);
    void emitChar(char16_t c);
    void prepareOutput();
    void closeRun();
    void flushParagraph(int level = -1);
    Target& target() { return open_.empty() ? docTarget_ : open_.back()->target; }
    void startContent(Target& target);
    void endParagraph(bool fromPar);
    void insertImage(const QImage& image, double width, double height);
    void finish();
    void insertText(Target& target, const QString& text, const QTextCharFormat& format);
    void setBlockFormat(Target& target, const QTextBlockFormat& format);
    void setBlockCharFormat(Target& target, const QTextCharFormat& format);
    void insertBlock(Target& target, const QTextBlockFormat& format, const QTextCharFormat& chars);
    void deletePreviousChar();
    int codePageFor(const GroupState& s) const;
    const QTextCharFormat& charFormat(const CharProps& props);
    QTextBlockFormat blockFormat(const ParaProps& props) const;

    const char* p_;
    const char* end_;
    QTextDocument* document_;
    QString* plain_;
    QTextCursor cursor_;
    bool pictures_;
    bool pictureSeen_ = false;  // a picture left out
    bool tableSkipped_ = false; // plain text only
    RtfCuts cuts_;
    qsizetype shownChars_ = 0;
    // Each font a page uses costs a search through the system's fonts when
    // it is laid out; past a few dozen faces no real page goes.
    QSet<QString> fontsInUse_;

    std::vector<GroupState> stack_;
    int flatDepth_ = 0;     // groups beyond kMaxDepth, read without their own state
    bool done_ = false;     // the outermost group has closed
    bool replaying_ = false; // reading a header's inside, which has no outer group
    bool ignorable_ = false; // the group began with \*
    bool groupStart_ = false; // nothing has been read since the last {
    int skip_ = 0;          // fallback characters of the last \uN still to drop

    int docCodePage_ = 1252;
    int defaultFont_ = -1;
    std::unordered_map<int, FontEntry> fonts_;
    std::vector<QColor> colors_;
    std::unordered_map<CharProps, QTextCharFormat, CharPropsHash> formatCache_;

    // font table entry being read
    bool fontOpen_ = false;
    int fontNumber_ = 0;
    int fontCharset_ = -1;
    int fontCpg_ = 0;
    size_t fontDepth_ = 0;
    QByteArray fontBytes_;
    QString fontName_;

    // colour table entry being read
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorSet_ = false;

    PictState pict_;
    int imageCount_ = 0;
    qint64 imagePixels_ = 0; // decoded so far in this document

    // header and footer groups, read when the body turns out to have no text
    std::vector<std::pair<const char*, const char*>> headers_;

    // text on its way to the document
    std::string bytes_;     // code-page bytes not yet decoded
    int bytesCodePage_ = 1252;
    bool leadOpen_ = false; // the last byte was a lead byte waiting for its trail
    QString run_;
    CharProps runProps_;
    // The runs of the paragraph being read: where it goes (page or table cell)
    // is known only at its end, when its properties are complete.
    std::vector<std::pair<QString, CharProps>> paraRuns_;
    Target docTarget_;

    // tables
    std::vector<std::unique_ptr<OpenTable>> open_; // outermost first
    rtf::RowDef rowDefs_[kMaxTableDepth + 1];      // the last row definition of each nesting level
    int defLevel_ = 1;                             // the level \trowd last defined a row for
    rtf::CellDef pendingCell_;                     // what the next \cellx closes
    int borderEdge_ = -1; // what \brdr words describe: 0-3 the cell's edges, 4-9 the row's, -1 nothing of ours
    rtf::TableContext tableContext_;
};

void RtfReader::run()
{
    parse();
    flushBytes();
    flushParagraph();
    route(0);
    const bool bodyBlank = !pictureSeen_ && (plain_ ? plain_->trimmed().isEmpty()
                                                    : document_->toPlainText().trimmed().isEmpty());
    if (!headers_.empty() && bodyBlank) {
        // A document whose only text is in its page header still has something to show.
        if (plain_) {
            plain_->clear();
        } else {
            cursor_.select(QTextCursor::Document);
            cursor_.removeSelectedText();
            cursor_.setBlockFormat(QTextBlockFormat());
        }
        docTarget_ = Target();
        const auto ranges = std::move(headers_);
        headers_.clear();
        replaying_ = true;
        for (const auto& [begin, end] : ranges) {
            p_ = begin;
            end_ = end;
            done_ = false;
            flatDepth_ = 0;
            skip_ = 0;
            stack_.assign(1, GroupState());
            stack_.back().ch.font = defaultFont_;
            parse();
            flushBytes();
            flushParagraph();
            route(0);
            if (docTarget_.blockHasContent)
                endParagraph(true);
        }
    }
    finish();
}

void RtfReader::parse()
{
    while (p_ < end_ && !done_) {
        const unsigned char c = static_cast<unsigned char>(*p_);
        switch (c) {
        case '{':
            ++p_;
            beginGroup();
            break;
        case '}':
            ++p_;
            endGroup();
            break;
        case '\\':
            ++p_;
            if (p_ >= end_)
                break;
            if (isLetter(static_cast<unsigned char>(*p_)))
                controlWord();
            else
                controlSymbol(static_cast<unsigned char>(*p_++));
            break;
        case '\r':
        case '\n':
            ++p_;
            break;
        default:
            plainText();
            break;
        }
    }
}

void RtfReader::beginGroup()
{
    flushBytes();
    skip_ = 0;
    ignorable_ = false;
    groupStart_ = true;
    if (static_cast<int>(stack_.size()) >= kMaxDepth) {
        ++flatDepth_;
        return;
    }
    GroupState next = state();
    next.ownsDest = false;
    if (next.dest == Dest::Upr)
        next.dest = Dest::UprAnsi;
    stack_.push_back(next);
}

void RtfReader::endGroup()
{
    flushBytes();
    skip_ = 0;
    ignorable_ = false;
    if (flatDepth_ > 0) {
        --flatDepth_;
        return;
    }
    if (stack_.size() <= 1) {
        // A stray brace at the top: the document ends here.
        done_ = !replaying_;
        return;
    }
    const GroupState closing = stack_.back();
    if (closing.dest == Dest::FontTable && fontOpen_ && stack_.size() <= fontDepth_)
        commitFont();
    if (closing.ownsDest && closing.dest == Dest::Pict)
        finishPicture();
    stack_.pop_back();
    // What follows the document's own closing brace is not part of it.
    if (stack_.size() == 1 && !replaying_)
        done_ = true;
}

// Drops everything up to the brace that closes the current group, then closes it.
// Returns where the closing brace was (the end of the input when there was none).
const char* RtfReader::skipRestOfGroup()
{
    flushBytes();
    int depth = 1;
    while (p_ < end_) {
        const char c = *p_++;
        if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth == 0)
                break;
        } else if (c == '\\' && p_ < end_) {
            if (p_ + 3 <= end_ && std::memcmp(p_, "bin", 3) == 0
                && (p_ + 3 == end_ || !isLetter(static_cast<unsigned char>(p_[3])))) {
                // Binary data may hold braces of its own: step over it by its count.
                p_ += 3;
                long long count = 0;
                while (p_ < end_ && isDigit(static_cast<unsigned char>(*p_))) {
                    count = std::min<long long>(count * 10 + (*p_ - '0'), end_ - p_);
                    ++p_;
                }
                if (p_ < end_ && *p_ == ' ')
                    ++p_;
                p_ += std::min<long long>(count, end_ - p_);
            } else {
                ++p_; // an escaped brace or backslash
            }
        }
    }
    if (depth != 0) {
        p_ = end_;
        return end_;
    }
    endGroup();
    return p_ - 1;
}

void RtfReader::controlWord()
{
    const char* start = p_;
    while (p_ < end_ && isLetter(static_cast<unsigned char>(*p_)))
        ++p_;
    // Longer words exist in no version of RTF; they are read whole and ignored.
    const std::string_view word(start, static_cast<size_t>(std::min<ptrdiff_t>(p_ - start, 32)));
    bool hasParam = false;
    bool negative = false;
    long long value = 0;
    if (p_ < end_ && *p_ == '-' && p_ + 1 < end_ && isDigit(static_cast<unsigned char>(p_[1]))) {
        negative = true;
        ++p_;
    }
    while (p_ < end_ && isDigit(static_cast<unsigned char>(*p_))) {
        hasParam = true;
        if (value < 100000000000LL)
            value = value * 10 + (*p_ - '0');
        ++p_;
    }
    if (p_ < end_ && *p_ == ' ')
        ++p_;
    value = std::clamp<long long>(negative ? -value : value, -2147483647LL, 2147483647LL);
    const int param = static_cast<int>(value);

    groupStart_ = false;
    const Kw kw = rtf::lookupKeyword(word);
    if (kw == Kw::Bin) {
        bin(hasParam ? param : 0);
        return;
    }
    if (consumeSkip())
        return;
    if (ignorable_) {
        ignorable_ = false;
        if (kw != Kw::ShpPict && kw != Kw::Ud && kw != Kw::Pict && kw != Kw::FldRslt && kw != Kw::NestTableProps) {
            skipRestOfGroup();
            return;
        }
    }
    if (kw != Kw::U)
        flushBytes();
    handleWord(kw, hasParam, param);
}

// A skipped fallback of \uN: one more character dropped. True when this token was dropped.
bool RtfReader::consumeSkip()
{
    if (skip_ <= 0)
        return false;
    --skip_;
    return true;
}

void RtfReader::controlSymbol(unsigned char c)
{
    if (c == '\'') {
        hexEscape();
        return;
    }
    if (c == '*') {
        // Only a group that starts with \* is one to drop when we do not know it.
        ignorable_ = groupStart_;
        groupStart_ = false;
        return;
    }
    groupStart_ = false;
    if (consumeSkip())
        return;
    ignorable_ = false;
    switch (c) {
    case '\\':
    case '{':
    case '}': {
        const char ch = static_cast<char>(c);
        if (state().dest == Dest::Text && leadOpen_) {
            addByte(c); // the trail byte of a double-byte character may be an escaped symbol
            return;
        }
        if (state().dest == Dest::Text)
            emitLatin1(&ch, 1);
        else if (state().dest == Dest::FontTable)
            fontTableText(&ch, 1);
        return;
    }
    case '~': flushBytes(); emitChar(0x00a0); return;
    case '-': flushBytes(); emitChar(0x00ad); return;
    case '_': flushBytes(); emitChar(0x2011); return;
    case '\r':
    case '\n': flushBytes(); endParagraph(true); return;
    case '\t': flushBytes(); emitChar(u'\t'); return;
    default: return; // \: \| and the rest carry nothing for the page
    }
}

void RtfReader::hexEscape()
{
    groupStart_ = false;
    int value = -1;
    if (p_ < end_ && hexValue(static_cast<unsigned char>(*p_)) >= 0) {
        value = hexValue(static_cast<unsigned char>(*p_++));
        if (p_ < end_ && hexValue(static_cast<unsigned char>(*p_)) >= 0)
            value = value * 16 + hexValue(static_cast<unsigned char>(*p_++));
    }
    if (consumeSkip())
        return;
    ignorable_ = false;
    if (value < 0)
        return; // a broken escape: what follows is read as it stands
    switch (state().dest) {
    case Dest::Text: addByte(static_cast<unsigned char>(value)); break;
    case Dest::FontTable: {
        const char b = static_cast<char>(value);
        fontTableText(&b, 1);
        break;
    }
    default: break;
    }
}

void RtfReader::bin(int count)
{
    const qsizetype n = std::min<qsizetype>(std::max(count, 0), end_ - p_);
    if (consumeSkip()) {
        p_ += n;
        return;
    }
    if (state().dest == Dest::Pict)
        pict_.data.append(p_, n);
    p_ += n;
}

void RtfReader::plainText()
{
    const char* start = p_;
    GroupState& s = state();
    if (skip_ > 0) {
        // Fallback characters of a \uN; a brace or backslash ends them early.
        while (p_ < end_ && skip_ > 0) {
            const char c = *p_;
            if (c == '\\' || c == '{' || c == '}')
                return;
            ++p_;
            if (c != '\r' && c != '\n')
                --skip_;
        }
        return;
    }
    ignorable_ = false;
    groupStart_ = false;
    switch (s.dest) {
    case Dest::Text: {
        // A stretch of plain bytes, up to the next token.
        while (p_ < end_) {
            const unsigned char c = static_cast<unsigned char>(*p_);
            if (c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n')
                break;
            if (c >= 0x80 || (leadOpen_ && c >= 0x40)) {
                if (p_ > start)
                    emitLatin1(start, p_ - start);
                addByte(c);
                ++p_;
                start = p_;
                continue;
            }
            if (!bytes_.empty()) {
                if (p_ > start)
                    emitLatin1(start, p_ - start);
                flushBytes();
                start = p_;
            }
            ++p_;
        }
        if (p_ > start)
            emitLatin1(start, p_ - start);
        break;
    }
    default: {
        while (p_ < end_) {
            const char c = *p_;
            if (c == '\\' || c == '{' || c == '}')
                break;
            ++p_;
        }
        switch (s.dest) {
        case Dest::FontTable: fontTableText(start, p_ - start); break;
        case Dest::ColorTable: colorTableText(start, p_ - start); break;
        case Dest::Pict: pictData(start, p_ - start); break;
        default: break;
        }
        break;
    }
    }
}

int clampInt(int value, int low, int high)
{
    return std::clamp(value, low, high);
}

// The character a word stands for in body text; 0 for a word that stands for none.
char16_t wordChar(Kw kw)
{
    switch (kw) {
    case Kw::Line: return QChar::LineSeparator;
    case Kw::Tab: return u'\t';
    case Kw::EmDash: return 0x2014;
    case Kw::EnDash: return 0x2013;
    case Kw::Bullet: return 0x2022;
    case Kw::LQuote: return 0x2018;
    case Kw::RQuote: return 0x2019;
    case Kw::LDblQuote: return 0x201c;
    case Kw::RDblQuote: return 0x201d;
    case Kw::EmSpace: return 0x2003;
    case Kw::EnSpace: return 0x2002;
    case Kw::QmSpace: return 0x2005;
    default: return 0;
    }
}

void RtfReader::handleWord(Kw kw, bool hasParam, int param)
{
    // Words that open a destination come first: they decide where what follows goes.
    if (destinationWord(kw))
        return;
    switch (state().dest) {
    case Dest::Upr:
    case Dest::UprAnsi: return;
    case Dest::FontTable: fontTableWord(kw, hasParam, param); return;
    case Dest::ColorTable: colorTableWord(kw, param); return;
    case Dest::Pict: pictWord(kw, param); return;
    case Dest::Text: break;
    }
    if (documentWord(kw, hasParam, param) || charWord(kw, hasParam, param) || paraWord(kw, param)
        || breakWord(kw))
        return;
    if (const char16_t c = wordChar(kw)) {
        emitChar(c);
        return;
    }
    if (kw >= Kw::TRowD && kw <= Kw::BrdrCf)
        tableWord(kw, param);
}

bool RtfReader::destinationWord(Kw kw)
{
    GroupState& s = state();
    switch (kw) {
    case Kw::SkipDest: skipRestOfGroup(); return true;
    case Kw::HeaderDest: {
        const char* begin = p_;
        const char* end = skipRestOfGroup();
        if (headers_.size() < 16)
            headers_.emplace_back(begin, end);
        return true;
    }
    case Kw::FontTable:
        s.dest = Dest::FontTable;
        s.ownsDest = true;
        fontOpen_ = false;
        return true;
    case Kw::ColorTable:
        s.dest = Dest::ColorTable;
        s.ownsDest = true;
        colors_.clear();
        red_ = green_ = blue_ = 0;
        colorSet_ = false;
        return true;
    case Kw::Pict:
        if (s.dest != Dest::Text) {
            skipRestOfGroup();
            return true;
        }
        s.dest = Dest::Pict;
        s.ownsDest = true;
        pict_ = PictState();
        return true;
    case Kw::Upr:
        s.uprOuter = s.dest;
        s.dest = Dest::Upr;
        return true;
    case Kw::Ud:
        if (s.dest == Dest::UprAnsi || s.dest == Dest::Upr)
            s.dest = s.uprOuter;
        return true;
    default: return false;
    }
}

// ---- body text ----

bool RtfReader::documentWord(Kw kw, bool hasParam, int param)
{
    GroupState& s = state();
    switch (kw) {
    case Kw::Ansi: docCodePage_ = 1252; break;
    case Kw::Mac: docCodePage_ = 10000; break;
    case Kw::Pc: docCodePage_ = 437; break;
    case Kw::Pca: docCodePage_ = 850; break;
    case Kw::AnsiCpg:
        if (hasParam && param > 0)
            docCodePage_ = param;
        break;
    case Kw::Deff:
        defaultFont_ = param;
        for (GroupState& g : stack_)
            if (g.ch.font < 0)
                g.ch.font = param;
        break;
    case Kw::Uc: s.uc = clampInt(param, 0, 16); break;
    case Kw::U: {
        const int code = param < 0 ? param + 65536 : param;
        flushBytes();
        emitChar(static_cast<char16_t>(code & 0xffff));
        skip_ = s.uc;
        break;
    }
    default: return false;
    }
    return true;
}

bool RtfReader::charWord(Kw kw, bool hasParam, int param)
{
    GroupState& s = state();
    const bool on = !hasParam || param != 0;
    switch (kw) {
    case Kw::F: s.ch.font = param; break;
    case Kw::Plain:
        s.ch = CharProps();
        s.ch.font = defaultFont_;
        break;
    case Kw::B: s.ch.bold = on; break;
    case Kw::I: s.ch.italic = on; break;
    case Kw::Ul: s.ch.underline = on; break;
    case Kw::UlNone: s.ch.underline = false; break;
    case Kw::Strike: s.ch.strike = on; break;
    case Kw::V: s.ch.hidden = on; break;
    case Kw::Fs: s.ch.halfPoints = (hasParam && param > 0) ? clampInt(param, 2, 3276) : kDefaultHalfPoints; break;
    case Kw::Cf: s.ch.fg = clampInt(param, 0, 65535); break;
    case Kw::Cb:
    case Kw::Highlight: s.ch.bg = clampInt(param, 0, 65535); break;
    case Kw::Super: s.ch.vpos = 1; break;
    case Kw::Sub: s.ch.vpos = -1; break;
    case Kw::NoSuperSub: s.ch.vpos = 0; break;
    case Kw::Loch:
    case Kw::Hich: s.dbch = false; break;
    case Kw::Dbch: s.dbch = true; break;
    default: return false;
    }
    return true;
}

bool RtfReader::paraWord(Kw kw, int param)
{
    ParaProps& para = state().para;
    switch (kw) {
    case Kw::Pard: para = ParaProps(); break;
    case Kw::Ql: para.align = 0; break;
    case Kw::Qc: para.align = 1; break;
    case Kw::Qr: para.align = 2; break;
    case Kw::Qj: para.align = 3; break;
    case Kw::Li: para.li = clampInt(param, -31680, 31680); break;
    case Kw::Ri: para.ri = clampInt(param, -31680, 31680); break;
    case Kw::Fi: para.fi = clampInt(param, -31680, 31680); break;
    case Kw::Sb: para.sb = clampInt(param, 0, 31680); break;
    case Kw::Sa: para.sa = clampInt(param, 0, 31680); break;
    case Kw::Sl: para.sl = clampInt(param, -31680, 31680); break;
    case Kw::SlMult: para.slmult = param != 0; break;
    case Kw::InTbl: para.intbl = true; break;
    case Kw::Itap:
        cuts_.nesting = cuts_.nesting || (param > kMaxTableDepth && document_);
        para.itap = static_cast<int8_t>(clampInt(param, 0, kMaxTableDepth));
        break;
    case Kw::NestTableProps: state().nestProps = true; break;
    default: return false;
    }
    return true;
}

bool RtfReader::breakWord(Kw kw)
{
    switch (kw) {
    case Kw::Par:
    case Kw::Sect:
    case Kw::Page: endParagraph(kw == Kw::Par); break;
    // \cell and \row end the top-level table's cells and rows, whatever the paragraph says.
    case Kw::Cell: endCell(1); break;
    case Kw::NestCell: endCell(std::max(paraLevel(), 1)); break;
    case Kw::Row: endRow(1); break;
    case Kw::NestRow: endRow(std::max(paraLevel(), 1)); break;
    default: return false;
    }
    return true;
}

// ---- font and colour tables ----

void RtfReader::fontTableWord(Kw kw, bool hasParam, int param)
{
    switch (kw) {
    case Kw::F:
        if (fontOpen_)
            commitFont();
        fontOpen_ = true;
        fontNumber_ = param;
        fontCharset_ = -1;
        fontCpg_ = 0;
        fontDepth_ = stack_.size();
        fontBytes_.clear();
        fontName_.clear();
        break;
    case Kw::FCharset: fontCharset_ = param; break;
    case Kw::Cpg: fontCpg_ = hasParam ? param : 0; break;
    case Kw::U:
        if (fontOpen_) {
            const int cp = fontCpg_ > 0 ? fontCpg_ : codepage::forCharset(fontCharset_);
            fontName_ += codepage::decode(fontBytes_, cp > 0 ? cp : docCodePage_);
            fontBytes_.clear();
            const char16_t c = static_cast<char16_t>((param < 0 ? param + 65536 : param) & 0xffff);
            if (!isUnwantedChar(c))
                fontName_ += QChar(c);
            skip_ = state().uc;
        }
        break;
    case Kw::Uc: state().uc = clampInt(param, 0, 16); break;
    default: break;
    }
}

void RtfReader::fontTableText(const char* text, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        const char c = text[i];
        if (c == ';') {
            commitFont();
        } else if (c != '\r' && c != '\n' && fontOpen_ && fontBytes_.size() < 256) {
            fontBytes_.append(c);
        }
    }
}

void RtfReader::commitFont()
{
    if (!fontOpen_)
        return;
    fontOpen_ = false;
    const int cp = fontCpg_ > 0 ? fontCpg_ : codepage::forCharset(fontCharset_);
    // Chinese editors write the name in the font's own code page (宋体 as \'cb\'ce\'cc\'e5).
    QString name = fontName_ + codepage::decode(fontBytes_, cp > 0 ? cp : docCodePage_);
    name = name.trimmed();
    name.removeIf([](QChar ch) { return isUnwantedChar(ch.unicode()); });
    FontEntry& entry = fonts_[fontNumber_];
    entry.name = name;
    entry.codePage = cp;
    fontBytes_.clear();
    fontName_.clear();
    formatCache_.clear();
}

void RtfReader::colorTableWord(Kw kw, int param)
{
    const int v = clampInt(param, 0, 255);
    if (kw == Kw::Red) red_ = v, colorSet_ = true;
    else if (kw == Kw::Green) green_ = v, colorSet_ = true;
    else if (kw == Kw::Blue) blue_ = v, colorSet_ = true;
}

void RtfReader::colorTableText(const char* text, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        if (text[i] != ';')
            continue;
        if (colors_.size() < 65536)
            colors_.push_back(colorSet_ ? QColor(red_, green_, blue_) : QColor());
        red_ = green_ = blue_ = 0;
        colorSet_ = false;
    }
    formatCache_.clear();
}

// ---- pictures ----

void RtfReader::pictWord(Kw kw, int param)
{
    switch (kw) {
    case Kw::PngBlip: pict_.kind = PictKind::Png; break;
    case Kw::JpegBlip: pict_.kind = PictKind::Jpeg; break;
    case Kw::OtherPicture: pict_.kind = PictKind::Other; break;
    case Kw::PicW: pict_.picw = clampInt(param, 0, 1000000); break;
    case Kw::PicH: pict_.pich = clampInt(param, 0, 1000000); break;
    case Kw::PicWGoal: pict_.goalW = clampInt(param, 0, 1000000); break;
    case Kw::PicHGoal: pict_.goalH = clampInt(param, 0, 1000000); break;
    case Kw::PicScaleX: pict_.scaleX = clampInt(param, 1, 1000); break;
    case Kw::PicScaleY: pict_.scaleY = clampInt(param, 1, 1000); break;
    default: break;
    }
}

void RtfReader::pictData(const char* text, qsizetype size)
{
    if (pict_.kind == PictKind::Other)
        return; // metafiles and bitmaps we do not show: nothing to collect
    for (qsizetype i = 0; i < size; ++i) {
        const int v = hexValue(static_cast<unsigned char>(text[i]));
        if (v < 0)
            continue;
        if (pict_.pendingNibble < 0) {
            pict_.pendingNibble = v;
        } else {
            pict_.data.append(static_cast<char>(pict_.pendingNibble * 16 + v));
            pict_.pendingNibble = -1;
        }
    }
}

void RtfReader::finishPicture()
{
    PictState pict = std::move(pict_);
    pict_ = PictState();
    if (!pictures_) {
        // Pictures are no text: nothing to decode, only noted so the body is not taken for blank.
        pictureSeen_ = pictureSeen_ || ((pict.kind == PictKind::Png || pict.kind == PictKind::Jpeg) && !pict.data.isEmpty());
        return;
    }
    if ((pict.kind != PictKind::Png && pict.kind != PictKind::Jpeg) || pict.data.isEmpty())
        return;
    QBuffer buffer(&pict.data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, pict.kind == PictKind::Png ? "png" : "jpeg");
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kMaxImageSide || size.height() > kMaxImageSide)
        return;
    const qint64 pixels = qint64(size.width()) * size.height();
    if (pixels > kMaxImagePixels || imagePixels_ + pixels > kMaxDocumentImagePixels)
        return;
    imagePixels_ += pixels;
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return;
    double width = pict.goalW > 0 ? pict.goalW / double(kTwipsPerPixel) : image.width();
    double height = pict.goalH > 0 ? pict.goalH / double(kTwipsPerPixel) : image.height();
    width = std::clamp(width * pict.scaleX / 100.0, 1.0, double(kMaxImageSide));
    height = std::clamp(height * pict.scaleY / 100.0, 1.0, double(kMaxImageSide));
    insertImage(image, width, height);
}

// ---- output ----

int RtfReader::codePageFor(const GroupState& s) const
{
    int cp = 0;
    const auto it = fonts_.find(s.ch.font);
    if (it != fonts_.end())
        cp = it->second.codePage;
    // Word marks double-byte text with \dbch yet may leave a Latin font selected.
    if (s.dbch && codepage::isDoubleByte(docCodePage_) && !codepage::isDoubleByte(cp))
        return docCodePage_;
    return cp > 0 ? cp : docCodePage_;
}

void RtfReader::addByte(unsigned char byte)
{
    if (bytes_.empty()) {
        bytesCodePage_ = codePageFor(state());
        leadOpen_ = false;
    }
    bytes_.push_back(static_cast<char>(byte));
    leadOpen_ = leadOpen_ ? false : codepage::isLeadByte(bytesCodePage_, byte);
}

void RtfReader::flushBytes()
{
    if (bytes_.empty())
        return;
    const QString text = codepage::decode(bytes_.data(), static_cast<qsizetype>(bytes_.size()), bytesCodePage_);
    bytes_.clear();
    leadOpen_ = false;
    emitText(text.constData(), text.size());
}

void RtfReader::prepareOutput()
{
    const CharProps& props = state().ch;
    if (props != runProps_) {
        closeRun();
        runProps_ = props;
    }
}

bool RtfReader::beginEmit(qsizetype size)
{
    if (!bytes_.empty())
        flushBytes();
    if (size <= 0 || state().dest != Dest::Text || state().ch.hidden)
        return false;
    prepareOutput();
    return true;
}

void RtfReader::emitText(const QChar* text, qsizetype size)
{
    if (!beginEmit(size))
        return;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (c == 0x2029) {
            endParagraph(false);
            prepareOutput();
        } else if (!isUnwantedChar(c)) {
            run_.append(text[i]);
        }
    }
}

void RtfReader::emitLatin1(const char* text, qsizetype size)
{
    if (!beginEmit(size))
        return;
    const qsizetype old = run_.size();
    run_.append(QLatin1String(text, size));
    // Stray control bytes in the text are not characters of the page; only the
    // newly added part is looked at, so long runs stay linear.
    QChar* chars = run_.data();
    qsizetype kept = old;
    for (qsizetype i = old; i < run_.size(); ++i)
        if (!isUnwantedChar(chars[i].unicode()))
            chars[kept++] = chars[i];
    run_.truncate(kept);
}

void RtfReader::emitChar(char16_t c)
{
    const QChar ch(c);
    emitText(&ch, 1);
}

void RtfReader::closeRun()
{
    if (!run_.isEmpty())
        paraRuns_.emplace_back(std::move(run_), runProps_);
    run_.clear();
}

// The paragraph's text so far goes where the paragraph stands: the page or a
// table cell, at the level given (the paragraph's own unless a cell or row
// mark says more).
void RtfReader::flushParagraph(int level)
{
    closeRun();
    if (paraRuns_.empty())
        return;
    route(level < 0 ? paraLevel() : level);
    Target& t = target();
    startContent(t);
    for (const auto& [text, props] : paraRuns_)
        insertText(t, text, charFormat(props));
    paraRuns_.clear();
}

void RtfReader::startContent(Target& t)
{
    if (t.blockHasContent)
        return;
    t.blockHasContent = true;
    t.lastBreakWasPar = false;
    t.brokeHere = false;
    const ParaProps& para = state().para;
    if (para != t.appliedPara) {
        setBlockFormat(t, blockFormat(para));
        t.appliedPara = para;
    }
}

void RtfReader::endParagraph(bool fromPar)
{
    if (state().dest != Dest::Text)
        return;
    flushBytes();
    flushParagraph();
    route(paraLevel());
    Target& t = target();
    const ParaProps& para = state().para;
    const QTextCharFormat& chars = charFormat(state().ch);
    if (!t.blockHasContent)
        setBlockCharFormat(t, chars); // an empty line is as tall as its font
    if (para != t.appliedPara)
        setBlockFormat(t, blockFormat(para));
    insertBlock(t, blockFormat(para), chars);
    t.appliedPara = para;
    t.blockHasContent = false;
    t.lastBreakWasPar = fromPar;
    t.brokeHere = true;
}

void RtfReader::insertImage(const QImage& image, double width, double height)
{
    if (state().ch.hidden)
        return;
    flushBytes();
    flushParagraph();
    route(paraLevel());
    Target& t = target();
    startContent(t);
    const QUrl name(QStringLiteral("rtfimage:%1").arg(++imageCount_));
    document_->addResource(QTextDocument::ImageResource, name, QVariant(image));
    QTextImageFormat format;
    format.setName(name.toString());
    format.setWidth(width);
    format.setHeight(height);
    if (t.ops)
        t.ops->push_back({rtf::Op::Kind::Image, QString(), format, QTextFormat(), nullptr});
    else
        cursor_.insertImage(format);
}

void RtfReader::finish()
{
    flushBytes();
    flushParagraph();
    route(0);
    if (fontOpen_)
        commitFont();
    Target& t = docTarget_;
    if (t.blockHasContent) {
        const ParaProps& para = state().para;
        if (para != t.appliedPara && !plain_)
            cursor_.setBlockFormat(blockFormat(para));
    } else if (t.lastBreakWasPar && t.brokeHere) {
        // The last \par closes the last paragraph; it does not open an empty one.
        deletePreviousChar();
    }
}

void RtfReader::insertText(Target& t, const QString& text, const QTextCharFormat& format)
{
    if (!plain_ && shownChars_ + text.size() > kMaxShownChars) {
        // Nothing after the cut shows: the rest of the file is not read.
        cuts_.text = true;
        done_ = true;
        const qsizetype room = kMaxShownChars - shownChars_;
        shownChars_ = kMaxShownChars;
        if (room > 0)
            insertText(t, text.left(room), format);
        return;
    }
    shownChars_ += text.size();
    if (t.ops)
        t.ops->push_back({rtf::Op::Kind::Text, text, format, QTextFormat(), nullptr});
    else if (plain_)
        plain_->append(text);
    else
        cursor_.insertText(text, format);
}

void RtfReader::setBlockFormat(Target& t, const QTextBlockFormat& format)
{
    if (t.ops)
        t.ops->push_back({rtf::Op::Kind::BlockFormat, QString(), format, QTextFormat(), nullptr});
    else if (!plain_)
        cursor_.setBlockFormat(format);
}

void RtfReader::setBlockCharFormat(Target& t, const QTextCharFormat& format)
{
    if (t.ops)
        t.ops->push_back({rtf::Op::Kind::BlockCharFormat, QString(), format, QTextFormat(), nullptr});
    else if (!plain_)
        cursor_.setBlockCharFormat(format);
}

void RtfReader::insertBlock(Target& t, const QTextBlockFormat& format, const QTextCharFormat& chars)
{
    if (t.ops)
        t.ops->push_back({rtf::Op::Kind::Block, QString(), format, chars, nullptr});
    else if (plain_)
        plain_->append(u'\n');
    else
        cursor_.insertBlock(format, chars);
}

void RtfReader::deletePreviousChar()
{
    if (plain_)
        plain_->chop(1);
    else
        cursor_.deletePreviousChar();
}

// ---- tables ----

// Opens and closes tables until the paragraph's level is the innermost open one.
void RtfReader::route(int level)
{
    if (open_.empty() && level <= 0)
        return;
    while (!open_.empty() && open_.back()->level > level)
        closeTable();
    if (level <= 0)
        return;
    // Any table paragraph stands in a top-level table; deeper than that, a
    // level the file skipped is one table nested in the current cell, as deep
    // as the file says it is.
    if (open_.empty())
        open_.push_back(std::make_unique<OpenTable>(1));
    if (open_.back()->level < level)
        open_.push_back(std::make_unique<OpenTable>(level));
}

void RtfReader::closeCell(OpenTable& table, bool atCellMark)
{
    Target& t = table.target;
    if (!t.blockHasContent && t.lastBreakWasPar && t.brokeHere && !table.cell.empty()
        && table.cell.back().kind == rtf::Op::Kind::Block) {
        // "text\par\cell": the \par closes the cell's last paragraph.
        table.cell.pop_back();
    } else if (atCellMark && t.blockHasContent && state().para != t.appliedPara) {
        setBlockFormat(t, blockFormat(state().para));
    }
    table.row.cells.push_back(std::move(table.cell));
    table.cell.clear();
    t = Target();
    t.ops = &table.cell;
    if (table.row.cells.size() >= static_cast<size_t>(rtf::kMaxCellsPerRow))
        closeRow(table);
}

void RtfReader::closeRow(OpenTable& table)
{
    if (table.row.cells.empty())
        return;
    table.row.def = rowDefs_[std::clamp(table.level, 1, kMaxTableDepth)];
    table.table->rows.push_back(std::move(table.row));
    table.row = rtf::RowModel();
}

void RtfReader::endCell(int level)
{
    flushBytes();
    flushParagraph(std::max(paraLevel(), level));
    route(level);
    closeCell(*open_.back(), true);
}

void RtfReader::endRow(int level)
{
    flushBytes();
    flushParagraph(std::max(paraLevel(), level));
    route(level);
    OpenTable& table = *open_.back();
    if (!table.cell.empty() || table.target.blockHasContent)
        closeCell(table, true); // its last cell had no \cell
    closeRow(table);
}

// The innermost table is complete: it goes into the cell or page around it.
void RtfReader::closeTable()
{
    std::unique_ptr<OpenTable> table = std::move(open_.back());
    open_.pop_back();
    if (!table->cell.empty() || table->target.blockHasContent)
        closeCell(*table, false);
    closeRow(*table);
    if (table->table->rows.empty())
        return;
    Target& parent = target();
    if (parent.brokeHere) {
        // Qt keeps a table apart from the paragraphs around it: the break
        // that ended the paragraph before would show as an empty line.
        if (parent.ops) {
            if (!parent.ops->empty() && parent.ops->back().kind == rtf::Op::Kind::Block)
                parent.ops->pop_back();
        } else {
            deletePreviousChar();
        }
    }
    if (parent.ops)
        parent.ops->push_back({rtf::Op::Kind::Table, QString(), QTextFormat(), QTextFormat(), std::move(table->table)});
    else if (plain_)
        tableSkipped_ = true; // how Qt lays a table's cells out as text is its own: the caller asks a document
    else
        rtf::insertTable(cursor_, *table->table, tableContext_);
    rtf::Ops* ops = parent.ops;
    parent = Target(); // the plain block after the table
    parent.ops = ops;
}

rtf::Border* RtfReader::currentBorder()
{
    if (borderEdge_ >= 0 && borderEdge_ < 4)
        return &pendingCell_.border[borderEdge_];
    if (borderEdge_ >= 4 && borderEdge_ < 10)
        return &rowDefs_[defLevel_].border[borderEdge_ - 4];
    return nullptr;
}

void RtfReader::tableWord(Kw kw, int param)
{
    rtf::RowDef& row = rowDefs_[defLevel_];
    switch (kw) {
    case Kw::TRowD:
        // Nested tables define their rows in \nesttableprops, after the row's cells.
        defLevel_ = state().nestProps ? std::clamp(paraLevel(), 2, kMaxTableDepth) : 1;
        rowDefs_[defLevel_] = rtf::RowDef();
        pendingCell_ = rtf::CellDef();
        borderEdge_ = -1;
        break;
    case Kw::CellX:
        pendingCell_.right = param; // bounded where the table is built
        if (row.cells.size() < static_cast<size_t>(rtf::kMaxCellsPerRow))
            row.cells.push_back(pendingCell_);
        pendingCell_ = rtf::CellDef();
        borderEdge_ = -1;
        break;
    case Kw::TrLeft: row.left = param; break;
    case Kw::TrGaph: row.gap = clampInt(param, 0, 31680); break;
    case Kw::TrQl: row.align = 0; break;
    case Kw::TrQc: row.align = 1; break;
    case Kw::TrQr: row.align = 2; break;
    case Kw::TrPaddT: row.padding[rtf::Top] = clampInt(param, 0, 31680); break;
    case Kw::TrPaddL: row.padding[rtf::Left] = clampInt(param, 0, 31680); break;
    case Kw::TrPaddB: row.padding[rtf::Bottom] = clampInt(param, 0, 31680); break;
    case Kw::TrPaddR: row.padding[rtf::Right] = clampInt(param, 0, 31680); break;
    case Kw::ClMgf: pendingCell_.hmerge = 1; break;
    case Kw::ClMrg: pendingCell_.hmerge = 2; break;
    case Kw::ClVmgf: pendingCell_.vmerge = 1; break;
    case Kw::ClVmrg: pendingCell_.vmerge = 2; break;
    case Kw::ClVertAlT: pendingCell_.valign = 0; break;
    case Kw::ClVertAlC: pendingCell_.valign = 1; break;
    case Kw::ClVertAlB: pendingCell_.valign = 2; break;
    case Kw::ClCbPat: pendingCell_.shading = clampInt(param, 0, 65535); break;
    case Kw::ClBrdrT: borderEdge_ = rtf::Top; break;
    case Kw::ClBrdrL: borderEdge_ = rtf::Left; break;
    case Kw::ClBrdrB: borderEdge_ = rtf::Bottom; break;
    case Kw::ClBrdrR: borderEdge_ = rtf::Right; break;
    case Kw::TrBrdrT: borderEdge_ = 4 + rtf::Top; break;
    case Kw::TrBrdrL: borderEdge_ = 4 + rtf::Left; break;
    case Kw::TrBrdrB: borderEdge_ = 4 + rtf::Bottom; break;
    case Kw::TrBrdrR: borderEdge_ = 4 + rtf::Right; break;
    case Kw::TrBrdrH: borderEdge_ = 4 + rtf::Horizontal; break;
    case Kw::TrBrdrV: borderEdge_ = 4 + rtf::Vertical; break;
    case Kw::OtherBorder: borderEdge_ = -1; break;
    default: break;
    }
    if (kw >= Kw::ClBrdrT && kw <= Kw::TrBrdrV) {
        if (rtf::Border* border = currentBorder())
            border->given = true;
        return;
    }
    rtf::Border* border = currentBorder();
    if (!border)
        return;
    switch (kw) {
    case Kw::BrdrSingle: border->style = rtf::LineStyle::Single; break;
    case Kw::BrdrDouble: border->style = rtf::LineStyle::Double; break;
    case Kw::BrdrDotted: border->style = rtf::LineStyle::Dotted; break;
    case Kw::BrdrDashed: border->style = rtf::LineStyle::Dashed; break;
    case Kw::BrdrNone: border->style = rtf::LineStyle::None; break;
    case Kw::BrdrW: border->width = clampInt(param, 0, 1440); break;
    case Kw::BrdrCf: border->color = clampInt(param, 0, 65535); break;
    default: break;
    }
}

const QTextCharFormat& RtfReader::charFormat(const CharProps& props)
{
    const auto found = formatCache_.find(props);
    if (found != formatCache_.end())
        return found->second;
    QTextCharFormat format;
    const auto font = fonts_.find(props.font);
    if (font != fonts_.end() && !font->second.name.isEmpty()) {
        const QString& name = font->second.name;
        if (fontsInUse_.size() < kMaxFontsInUse || fontsInUse_.contains(name)) {
            fontsInUse_.insert(name);
            format.setFontFamilies(QStringList{name});
        } else {
            cuts_.fonts = true;
        }
    }
    format.setFontPointSize(props.halfPoints / 2.0);
    if (props.bold)
        format.setFontWeight(QFont::Bold);
    if (props.italic)
        format.setFontItalic(true);
    if (props.underline)
        format.setFontUnderline(true);
    if (props.strike)
        format.setFontStrikeOut(true);
    if (props.fg > 0 && props.fg < static_cast<int>(colors_.size()) && colors_[props.fg].isValid())
        format.setForeground(colors_[props.fg]);
    if (props.bg > 0 && props.bg < static_cast<int>(colors_.size()) && colors_[props.bg].isValid())
        format.setBackground(colors_[props.bg]);
    if (props.vpos > 0)
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (props.vpos < 0)
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    return formatCache_.emplace(props, format).first->second;
}

QTextBlockFormat RtfReader::blockFormat(const ParaProps& props) const
{
    QTextBlockFormat format;
    switch (props.align) {
    case 1: format.setAlignment(Qt::AlignHCenter); break;
    case 2: format.setAlignment(Qt::AlignRight); break;
    case 3: format.setAlignment(Qt::AlignJustify); break;
    default: break;
    }
    if (props.li != 0)
        format.setLeftMargin(props.li / double(kTwipsPerPixel));
    if (props.ri != 0)
        format.setRightMargin(props.ri / double(kTwipsPerPixel));
    if (props.fi != 0)
        format.setTextIndent(props.fi / double(kTwipsPerPixel));
    if (props.sb != 0)
        format.setTopMargin(props.sb / double(kTwipsPerPixel));
    if (props.sa != 0)
        format.setBottomMargin(props.sa / double(kTwipsPerPixel));
    if (props.sl > 0 && props.slmult)
        format.setLineHeight(props.sl * 100.0 / 240, QTextBlockFormat::ProportionalHeight);
    else if (props.sl > 0)
        format.setLineHeight(props.sl / double(kTwipsPerPixel), QTextBlockFormat::MinimumHeight);
    else if (props.sl < 0)
        format.setLineHeight(-props.sl / double(kTwipsPerPixel), QTextBlockFormat::FixedHeight);
    return format;
}

} // namespace

RtfCuts readRtf(const QByteArray& rtf, QTextDocument* document)
{
    if (!document)
        return {};
    RtfCuts cuts;
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    document->clear();
    {
        QTextCursor batch(document);
        batch.beginEditBlock();
        RtfReader reader(rtf, document, nullptr);
        reader.run();
        cuts = reader.cuts();
        batch.endEditBlock();
    }
    document->setUndoRedoEnabled(undo);
    return cuts;
}

QString rtfPlainText(const QByteArray& rtf)
{
    QString text;
    RtfReader reader(rtf, nullptr, &text);
    reader.run();
    if (reader.tableSkipped()) {
        // Tables are rare in page texts: for them a document is built, still without pictures.
        QTextDocument document;
        document.setUndoRedoEnabled(false);
        RtfReader full(rtf, &document, nullptr, false);
        full.run();
        return document.toPlainText();
    }
    // As QTextDocument::toPlainText gives it: line breaks as new lines, no-break spaces as spaces.
    text.replace(QChar::LineSeparator, u'\n');
    text.replace(QChar::Nbsp, u' ');
    return text;
}

} // namespace platform
