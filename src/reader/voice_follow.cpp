#include "reader/voice_follow.h"

#include <QTextBlock>
#include <QTextDocument>

namespace reader {

PlainTextMap mapPlainText(const QTextDocument& document)
{
    PlainTextMap map;
    auto put = [&map](QChar c, int position) {
        map.text += c;
        map.positions.append(position);
    };
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin()) {
            // The paragraph end before this block.
            const int end = block.previous().position() + block.previous().length() - 1;
            put(u'\r', end);
            put(u'\n', end);
        }
        const QString line = block.text();
        for (int i = 0; i < line.size(); ++i) {
            const int position = block.position() + i;
            if (line[i] == QChar::ObjectReplacementCharacter)
                continue;
            if (line[i] == QChar::LineSeparator) {
                put(u'\r', position);
                put(u'\n', position);
            } else {
                put(line[i], position);
            }
        }
    }
    return map;
}

std::optional<DocumentRange> documentRangeOf(const PlainTextMap& map, speech::TextSpan span)
{
    if (span.start < 0 || span.length <= 0 || span.start + span.length > map.text.size())
        return std::nullopt;
    int first = span.start;
    int last = span.start + span.length - 1;
    while (first <= last && map.text[first].isSpace())
        ++first;
    while (last >= first && map.text[last].isSpace())
        --last;
    if (first > last)
        return std::nullopt;
    return DocumentRange{map.positions[first], map.positions[last] + 1};
}

} // namespace reader
