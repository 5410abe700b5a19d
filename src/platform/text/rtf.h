#pragma once
// Our own RTF reader and writer, to and from QTextDocument.
#include <QByteArray>
#include <QString>

class QTextDocument;

namespace platform {

// A page shows at most this many characters: far beyond any real page, and
// few enough that laying them out does not hold up the window.
constexpr qsizetype kMaxShownChars = qsizetype(1) << 18;

// What reading left out of a file too demanding to show whole; the reader
// tells the user so.
struct RtfCuts {
    bool nesting = false; // tables nested deeper than shown, flattened
    bool fonts = false;   // more fonts in use than shown: the rest in the default font
    bool text = false;    // characters beyond kMaxShownChars, left out
    bool any() const { return nesting || fonts || text; }
};

// Best effort: malformed input gives whatever could be read, never a crash or hang.
// The document is cleared first.
RtfCuts readRtf(const QByteArray& rtf, QTextDocument* document);

// The text readRtf gives a document, as QTextDocument::toPlainText has it (paragraphs
// and line breaks as "\n"), less its pictures; quick, as no document is built.
QString rtfPlainText(const QByteArray& rtf);

// RTF that WordPad-style readers open (\ansi\ansicpg936, CJK fonts with \fcharset134).
QByteArray writeRtf(const QTextDocument* document);

// True when the bytes start with "{\rtf".
bool looksLikeRtf(const QByteArray& bytes);

} // namespace platform
