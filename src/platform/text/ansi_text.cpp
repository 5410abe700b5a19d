#include "platform/text/ansi_text.h"

#include "platform/core/error.h"
#include "platform/text/codepage.h"
#include "platform/text/file_errors.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace platform {

QString decodeAnsi(const QByteArray& bytes)
{
    return codepage::decode(bytes, codepage::Ansi);
}

QByteArray encodeAnsi(const QString& text)
{
    return codepage::encodeGb18030(text);
}

namespace {

bool hasNonAscii(const QByteArray& bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

} // namespace

namespace {
// Chinese in UTF-8 takes three bytes a character, so its lead bytes are 0xE0 or above.
bool hasLongUtf8Sequence(const QByteArray& bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0xE0)
            return true;
    return false;
}

// Every byte pair a well-formed GBK double-byte character.
bool isWellFormedGbk(const QByteArray& bytes)
{
    const int n = static_cast<int>(bytes.size());
    for (int i = 0; i < n; ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80)
            continue;
        if (b == 0x80 || b == 0xFF || i + 1 >= n)
            return false;
        const unsigned char t = static_cast<unsigned char>(bytes[++i]);
        if (t < 0x40 || t == 0x7F || t == 0xFF)
            return false;
    }
    return true;
}
}

QString decodeTextFile(const QByteArray& bytes)
{
    if (bytes.startsWith("\xef\xbb\xbf"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (hasNonAscii(bytes)) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8.decode(bytes);
        // Short GBK text can be valid UTF-8 by accident ("页" is D2 B3, a two-byte
        // sequence): such text, with no three-byte sequence, stays GBK when it is valid GBK.
        if (!utf8.hasError() && (hasLongUtf8Sequence(bytes) || !isWellFormedGbk(bytes)))
            return text;
    }
    return decodeAnsi(bytes);
}

QByteArray readFileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw fileOpenError(path, false);
    if (QFileInfo(path).isDir())
        throw fileOpenError(path, false);
    return file.readAll();
}

AnsiTextReader::AnsiTextReader(const QString& decodedText) : text_(decodedText) {}

AnsiTextReader AnsiTextReader::open(const QString& path, bool createIfMissing)
{
    if (createIfMissing && !QFileInfo::exists(path)) {
        QFile file(path);
        // NewOnly: a file that appeared meanwhile is left as it is.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && !QFileInfo::exists(path))
            throw fileOpenError(path, true);
    }
    // A catalogue saved by a UTF-8 editor reads as well as one in GBK.
    return AnsiTextReader(decodeTextFile(readFileBytes(path)));
}

bool AnsiTextReader::atEnd() const
{
    return pos_ >= text_.size();
}

bool AnsiTextReader::atEndOfLine() const
{
    if (atEnd())
        return true;
    const QChar c = text_.at(pos_);
    return c == u'\r' || c == u'\n';
}

QString AnsiTextReader::readLine()
{
    const qsizetype size = text_.size();
    qsizetype end = pos_;
    while (end < size && text_.at(end) != u'\r' && text_.at(end) != u'\n')
        ++end;
    QString line = text_.mid(pos_, end - pos_);
    if (end < size) {
        if (text_.at(end) == u'\r' && end + 1 < size && text_.at(end + 1) == u'\n')
            end += 2;
        else
            end += 1;
    }
    pos_ = static_cast<int>(end);
    return line;
}

void writeAnsiLines(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += encodeAnsi(line);
        bytes += "\r\n";
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw fileOpenError(path, true);
    if (file.write(bytes) != bytes.size())
        throw Error(errc::General, QStringLiteral("写文件出错: %1").arg(path));
}

} // namespace platform
