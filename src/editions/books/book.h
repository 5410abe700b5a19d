#pragma once
// The book a title edition carries inside the program: an introduction and
// one document per entry, each written in a tiny UTF-8 markup
// ("# title", "> byline", "## section", one paragraph per line) and laid out
// here as formatted rich text.
#include <QList>
#include <QString>
#include <QStringList>

class QTextDocument;

namespace books {

struct BookSection {
    QString heading;
    QStringList paragraphs;
};

struct BookDocument {
    QString title;
    QStringList bylines;
    QList<BookSection> sections;
};

// Lenient: whatever the text holds gives a document, never an error. Line ends
// may be LF or CR LF, a byte-order mark is dropped, empty lines are ignored;
// paragraphs before the first section form a section without a heading.
BookDocument parseBookMarkup(const QString& text);

// Replaces the document's content: the title centred, large and coloured, the
// byline under it, section headings, the original text set apart from the notes
// and the translation, the notes smaller.
void renderBookDocument(const BookDocument& book, QTextDocument* target);

// The section headings of an entry document, in their order.
inline const QString kSectionOriginal = QStringLiteral("原文");
inline const QString kSectionNotes = QStringLiteral("注释");
inline const QString kSectionTranslation = QStringLiteral("译文");

struct BuiltInBook {
    BookDocument introduction;
    QList<BookDocument> entries;  // entry k (from 1) is entries[k - 1]
};

// Reads intro.txt and the entries 01.txt, 02.txt ... of a book folder (a
// resource folder in the programs); the entries end at the first number with
// no file. A missing folder gives an empty book.
BuiltInBook loadBuiltInBook(const QString& folder);

// The most entries a book may hold: the catalogue numbers its rows in 16 bits.
constexpr int kMaxEntries = 32767;

} // namespace books
