#pragma once
// Following the voice in the page text: the reading run counts in the box's
// plain text (CR LF between paragraphs, pictures left out), the highlight in
// document positions (one position per paragraph end, one per picture).
#include "speech/read_aloud.h"

#include <QString>
#include <QVector>
#include <optional>

class QTextDocument;

namespace reader {

struct PlainTextMap {
    QString text;             // as the rich text box gives its plain text
    QVector<int> positions;   // document position of each character of `text`
};

PlainTextMap mapPlainText(const QTextDocument& document);

struct DocumentRange {
    int from = 0;
    int to = 0;  // one past the last character
};

// The document range of a span of the plain text, without the white space and
// line breaks at its ends; nothing for a span of white space only or one
// that lies outside the text.
std::optional<DocumentRange> documentRangeOf(const PlainTextMap& map, speech::TextSpan span);

} // namespace reader
