#include "editions/books/book.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace books {

BookDocument parseBookMarkup(const QString& text)
{
    BookDocument book;
    QString body = text;
    if (body.startsWith(QChar(0xFEFF)))
        body.remove(0, 1);
    bool titleSeen = false;
    const QStringList lines = body.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        if (line.startsWith(QLatin1String("## "))) {
            book.sections.append({line.mid(3).trimmed(), {}});
        } else if (!titleSeen && book.sections.isEmpty() && line.startsWith(QLatin1String("# "))) {
            book.title = line.mid(2).trimmed();
            titleSeen = true;
        } else if (book.sections.isEmpty() && line.startsWith(QLatin1String("> "))) {
            book.bylines << line.mid(2).trimmed();
        } else {
            if (book.sections.isEmpty())
                book.sections.append({QString(), {}});
            book.sections.last().paragraphs << line;
        }
    }
    return book;
}

namespace {

struct Style {
    const char16_t* font;
    qreal points;
    bool bold;
    QColor color;
    Qt::Alignment alignment;
    // Paragraph spacing in the document's layout units.
    qreal left, right, firstLine, above, below;
    // Line height in percent of single spacing: Chinese prose reads easier with air between lines.
    qreal lineHeight = 100;
};

// 楷体 for the classical text and the byline sets them apart from the modern
// prose in 宋体; headings and the title in 黑体.
const Style kTitle{u"黑体", 22, true, QColor(153, 0, 0), Qt::AlignHCenter, 0, 0, 0, 6, 6};
const Style kByline{u"楷体_GB2312", 12, false, QColor(96, 96, 96), Qt::AlignHCenter, 0, 0, 0, 0, 14};
const Style kHeading{u"黑体", 14, true, QColor(0, 80, 150), Qt::AlignLeft, 0, 0, 0, 14, 6};
const Style kOriginal{u"楷体_GB2312", 15, false, QColor(60, 30, 0), Qt::AlignLeft, 28, 28, 30, 2, 6, 150};
const Style kNote{u"宋体", 10.5, false, QColor(70, 70, 70), Qt::AlignLeft, 12, 0, 0, 0, 3, 130};
const Style kProse{u"宋体", 12, false, QColor(0, 0, 0), Qt::AlignLeft, 0, 0, 24, 0, 6, 140};
const QColor kNoteMarkColor(0, 80, 150);

QTextBlockFormat blockFormat(const Style& s)
{
    QTextBlockFormat f;
    f.setAlignment(s.alignment);
    f.setLeftMargin(s.left);
    f.setRightMargin(s.right);
    f.setTextIndent(s.firstLine);
    f.setTopMargin(s.above);
    f.setBottomMargin(s.below);
    if (s.lineHeight != 100)
        f.setLineHeight(s.lineHeight, QTextBlockFormat::ProportionalHeight);
    return f;
}

QTextCharFormat charFormat(const Style& s)
{
    QTextCharFormat f;
    f.setFontFamilies({QString::fromUtf16(s.font)});
    f.setFontPointSize(s.points);
    f.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
    f.setForeground(s.color);
    return f;
}

const Style& paragraphStyle(const QString& heading)
{
    if (heading == kSectionOriginal)
        return kOriginal;
    if (heading == kSectionNotes)
        return kNote;
    return kProse;
}

class Writer {
public:
    explicit Writer(QTextDocument* target) : cursor_(target) {}

    QTextCursor& paragraph(const Style& s)
    {
        // The document starts with one empty block: the first paragraph takes it.
        if (first_) {
            cursor_.setBlockFormat(blockFormat(s));
            cursor_.setBlockCharFormat(charFormat(s));
            first_ = false;
        } else {
            cursor_.insertBlock(blockFormat(s), charFormat(s));
        }
        return cursor_;
    }

    void text(const Style& s, const QString& text) { paragraph(s).insertText(text, charFormat(s)); }

    // "〔3〕校（jiào）：比较。": the number stands out from the note.
    void note(const QString& text)
    {
        QTextCursor& c = paragraph(kNote);
        const int close = text.indexOf(QChar(0x3015));
        if (text.startsWith(QChar(0x3014)) && close > 0) {
            QTextCharFormat mark = charFormat(kNote);
            mark.setForeground(kNoteMarkColor);
            c.insertText(text.left(close + 1), mark);
            c.insertText(text.mid(close + 1), charFormat(kNote));
        } else {
            c.insertText(text, charFormat(kNote));
        }
    }

private:
    QTextCursor cursor_;
    bool first_ = true;
};

} // namespace

void renderBookDocument(const BookDocument& book, QTextDocument* target)
{
    if (!target)
        return;
    target->clear();
    Writer out(target);
    if (!book.title.isEmpty())
        out.text(kTitle, book.title);
    for (const QString& byline : book.bylines)
        out.text(kByline, byline);
    for (const BookSection& section : book.sections) {
        if (!section.heading.isEmpty())
            out.text(kHeading, section.heading);
        const bool notes = section.heading == kSectionNotes;
        const Style& style = paragraphStyle(section.heading);
        for (const QString& p : section.paragraphs) {
            if (notes)
                out.note(p);
            else
                out.text(style, p);
        }
    }
}

namespace {
// Our own files are a few dozen kilobytes; anything far beyond is not a book document.
constexpr qint64 kMaxDocumentBytes = 8 * 1024 * 1024;

bool readDocument(const QString& path, BookDocument* out)
{
    // Regular files only: a device or a pipe of that name would never end.
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *out = parseBookMarkup(QString::fromUtf8(file.read(kMaxDocumentBytes)));
    return true;
}
}

BuiltInBook loadBuiltInBook(const QString& folder)
{
    BuiltInBook book;
    const QDir dir(folder);
    readDocument(dir.filePath(QStringLiteral("intro.txt")), &book.introduction);
    for (int k = 1; k <= kMaxEntries; ++k) {
        BookDocument entry;
        if (!readDocument(dir.filePath(QStringLiteral("%1.txt").arg(k, 2, 10, QLatin1Char('0'))), &entry))
            break;
        book.entries.append(entry);
    }
    return book;
}

} // namespace books
