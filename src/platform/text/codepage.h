#pragma once
// Windows code pages as rich-text files and ANSI text files use them,
// converted through glibc's iconv. Shared by the ANSI text helpers and the
// RTF reader and writer; not part of the public text API.
#include <QByteArray>
#include <QString>

namespace platform::codepage {

constexpr int Ansi = 936; // the system ANSI code page of the program (GBK)

// Decodes bytes of a Windows code page. Invalid or incomplete sequences become
// U+FFFD, one per offending byte; an unknown code page is read as Windows-1252.
// 936 is read through GB18030 so nothing GBK or GB18030 can hold is lost.
QString decode(const char* data, qsizetype size, int codePage);
inline QString decode(const QByteArray& bytes, int codePage)
{
    return decode(bytes.constData(), bytes.size(), codePage);
}

// Encodes in GB18030 (GBK wherever GBK can encode, the euro sign as the CP936 byte 0x80).
// Text iconv cannot take (a lone surrogate) becomes '?'.
QByteArray encodeGb18030(const QString& text);

// The bytes of one character in GBK proper, or empty when GBK has no two-byte code for it.
QByteArray gbkDoubleByte(char16_t ch);

// The code page a font's \fcharset stands for; 0 when the charset says nothing
// (DEFAULT_CHARSET and unknown values), so the document's code page applies.
int forCharset(int charset);

// Double-byte code pages: whether the byte starts a two-byte character.
bool isDoubleByte(int codePage);
bool isLeadByte(int codePage, unsigned char byte);

} // namespace platform::codepage
