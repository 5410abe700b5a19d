#pragma once
// What holds for any bytes read as text, whatever they are. The text fuzzer
// checks it on every input it makes, and a test on every input it kept.
#include "platform/text/ansi_text.h"
#include "platform/text/codepage.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <cstring>
#include <limits>

namespace text_invariants {

// UTF-8 cannot carry a lone surrogate: text that went through it has
// something else there. (U+FEFF at the start is text, and stays.)
inline QString withoutLoneSurrogates(const QString& text)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder(text.toUtf8());
}

// Lines as a reader of the whole text finds them: CR LF, LF and CR end a line,
// and a break at the very end starts no further line. At most `most` of them.
inline QStringList linesOf(const QString& text, qsizetype most = std::numeric_limits<qsizetype>::max())
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size() && lines.size() < most; ++i) {
        if (text.at(i) != u'\r' && text.at(i) != u'\n')
            continue;
        lines << text.mid(start, i - start);
        if (text.at(i) == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size() && lines.size() < most)
        lines << text.mid(start);
    return lines;
}

inline QString quoted(const QString& text)
{
    QString out;
    for (QChar c : text)
        out += c.unicode() >= 0x20 && c.unicode() < 0x7f ? QString(c) : QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    return out;
}

// Empty when everything holds, otherwise what broke.
inline QString check(const QByteArray& bytes)
{
    // Read line by line, a file says what it says read whole.
    const QStringList whole = linesOf(withoutLoneSurrogates(platform::decodeTextFile(bytes)));
    QStringList read;
    platform::AnsiTextReader reader = platform::AnsiTextReader::fromBytes(bytes);
    while (!reader.atEnd() && read.size() <= whole.size())
        read << reader.readLine();
    if (read != whole)
        return QStringLiteral("line by line: [%1], whole: [%2]")
            .arg(quoted(read.join(u'|')), quoted(whole.join(u'|')));

    // Half a UTF-16 code unit at the end is no character.
    if ((bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff")) && bytes.size() % 2 != 0
        && platform::decodeTextFile(bytes) != platform::decodeTextFile(bytes.chopped(1)))
        return QStringLiteral("odd last byte read as [%1]").arg(quoted(platform::decodeTextFile(bytes)));

    // GBK's table is a faster iconv: both read the same bytes alike, but for
    // CP936's euro sign, which GB18030 lacks.
    const QString fast = platform::codepage::decode(bytes, platform::codepage::Ansi);
    const QString slow = platform::codepage::decode(bytes, 54936);
    bool same = fast.size() == slow.size();
    for (qsizetype i = 0; same && i < fast.size(); ++i)
        same = fast.at(i) == slow.at(i) || (fast.at(i) == QChar(0x20ac) && slow.at(i) == QChar(0xfffd) && bytes.contains('\x80'));
    if (!same)
        return QStringLiteral("table: [%1], iconv: [%2]").arg(quoted(fast), quoted(slow));

    // What was read, written back, reads the same; so does any text at all
    // (here the bytes taken as UTF-16), but for the few private-use
    // characters that GB18030 has no code for, which are written as "?".
    QString units(bytes.size() / 2, Qt::Uninitialized);
    std::memcpy(units.data(), bytes.constData(), size_t(units.size()) * 2);
    for (const QString& text : {fast, withoutLoneSurrogates(units)}) {
        const QString again = platform::decodeAnsi(platform::encodeAnsi(text));
        bool kept = again.size() == text.size();
        for (qsizetype i = 0; kept && i < text.size(); ++i)
            kept = again.at(i) == text.at(i)
                   || (again.at(i) == u'?' && text.at(i).category() == QChar::Other_PrivateUse
                       && platform::encodeAnsi(QString(text.at(i))) == "?");
        if (!kept)
            return QStringLiteral("written [%1], read back [%2]").arg(quoted(text), quoted(again));
    }
    return {};
}

} // namespace text_invariants
