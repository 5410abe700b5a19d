#pragma once
// Small helpers for the text tests: read RTF into a document and look at it.
#include "platform/text/rtf.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QStringList>

namespace text_test {

inline QStringList blockTexts(const QTextDocument& document)
{
    QStringList blocks;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next())
        blocks << b.text();
    return blocks;
}

// The characters as read (toPlainText would turn no-break spaces into spaces), one line a paragraph.
inline QString plainText(const QByteArray& rtf)
{
    QTextDocument document;
    platform::readRtf(rtf, &document);
    return blockTexts(document).join(QLatin1Char('\n'));
}

// The character format of the first character of the first occurrence of needle.
inline QTextCharFormat formatOf(const QTextDocument& document, const QString& needle)
{
    const QTextCursor found = document.find(needle);
    if (found.isNull())
        return QTextCharFormat();
    QTextCursor c(const_cast<QTextDocument*>(&document));
    c.setPosition(found.selectionStart() + 1);
    return c.charFormat();
}

inline QTextBlockFormat blockFormatOf(const QTextDocument& document, const QString& needle)
{
    const QTextCursor found = document.find(needle);
    return found.isNull() ? QTextBlockFormat() : found.block().blockFormat();
}

inline QString familyOf(const QTextCharFormat& format)
{
    return format.fontFamilies().toStringList().value(0);
}

} // namespace text_test
