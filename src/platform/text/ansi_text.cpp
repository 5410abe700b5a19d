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

QString decodeTextFile(const QByteArray& bytes)
{
    if (bytes.startsWith("\xef\xbb\xbf"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (hasNonAscii(bytes)) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8.decode(bytes);
        if (!utf8.hasError())
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
