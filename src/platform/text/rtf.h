#pragma once
// Our own RTF reader and writer, to and from QTextDocument.
#include <QByteArray>

class QTextDocument;

namespace platform {

// Best effort: malformed input gives whatever could be read, never a crash or hang.
// The document is cleared first.
void readRtf(const QByteArray& rtf, QTextDocument* document);

// RTF that WordPad-style readers open (\ansi\ansicpg936, CJK fonts with \fcharset134).
QByteArray writeRtf(const QTextDocument* document);

// True when the bytes start with "{\rtf".
bool looksLikeRtf(const QByteArray& bytes);

} // namespace platform
