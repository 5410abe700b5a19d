#include "support/gbk_rtf.h"

#include "platform/text/ansi_text.h"

namespace testing_support {

namespace {

QByteArray escapedGbk(const QString& text)
{
    QByteArray out;
    for (char c : platform::encodeAnsi(text)) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80)
            out += c;
        else
            out += "\\'" + QByteArray::number(b, 16).rightJustified(2, '0');
    }
    return out;
}

// `head` follows the font table; `afterFirst` follows the first paragraph's mark.
QByteArray gbkRtfFile(const QByteArray& head, const QString& body, const QByteArray& afterFirst)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}" + head;
    bool first = true;
    for (const QString& paragraph : body.split(u'\n')) {
        rtf += escapedGbk(paragraph) + "\\par\r\n";
        if (first)
            rtf += afterFirst;
        first = false;
    }
    return rtf + "}";
}

} // namespace

QByteArray gbkRtf(const QString& body) { return gbkRtfFile("\\viewkind4\\uc1\\pard\\f0\\fs24 ", body, QByteArray()); }

QByteArray gbkRtfWithTitle(const QString& body)
{
    return gbkRtfFile("{\\colortbl;\\red192\\green0\\blue0;}\\viewkind4\\uc1\\pard\\qc\\b\\cf1 ", body,
                      "\\pard\\b0\\cf0 ");
}

} // namespace testing_support
