#pragma once
// Small helpers for the text tests: read RTF into a document and look at it.
#include "platform/text/rtf.h"
#include "support/test_support.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QStringList>

namespace text_test {

using testing_support::blockTexts;

// A file of the shared real-world RTF, by its path below their rtf folder; empty when missing.
inline QByteArray corpusRtf(const QString& relative)
{
    return testing_support::corpusBytes(QStringLiteral("rtf/") + relative);
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
