#pragma once
// Our own RTF reader and writer, to and from QTextDocument.
#include <QByteArray>
#include <QString>

class QTextDocument;

namespace platform {

// Best effort: malformed input gives whatever could be read, never a crash or hang.
// The document is cleared first.
void readRtf(const QByteArray& rtf, QTextDocument* document);

// The text readRtf gives a document, as QTextDocument::toPlainText has it (paragraphs
// and line breaks as "\n"), less its pictures; quick, as no document is built.
QString rtfPlainText(const QByteArray& rtf);

// RTF that WordPad-style readers open (\ansi\ansicpg936, CJK fonts with \fcharset134).
QByteArray writeRtf(const QTextDocument* document);

// True when the bytes start with "{\rtf".
bool looksLikeRtf(const QByteArray& bytes);

} // namespace platform
