#include "platform/text/ansi_text.h"

#include "platform/core/error.h"
#include "platform/core/file_write.h"
#include "platform/core/regular_file.h"
#include "platform/text/codepage.h"
#include "platform/text/encoding_guess.h"
#include "platform/text/file_errors.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <optional>

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
constexpr char kUtf8Mark[] = "\xef\xbb\xbf";

// What Windows Notepad saves as "Unicode": UTF-16 behind its byte-order mark.
std::optional<QStringConverter::Encoding> utf16Mark(const QByteArray& bytes)
{
    if (bytes.startsWith("\xff\xfe"))
        return QStringConverter::Utf16LE;
    if (bytes.startsWith("\xfe\xff"))
        return QStringConverter::Utf16BE;
    return std::nullopt;
}

// Stateless: a cut-off UTF-8 sequence becomes a replacement character
// instead of vanishing (half a UTF-16 unit is dropped before: see below).
// The mark is only the file's first bytes: U+FEFF after it (Qt would drop it
// at the start of every piece it decodes, such as a line) is text.
QString decodeText(QByteArrayView bytes, QStringConverter::Encoding encoding)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    return decoder(bytes);
}

// A file cut short by one byte (a copy that stopped, an editor that appended
// a stray byte) ends in half a code unit: that half is no character, and
// showing it as "\uFFFD" would add a whole row to a catalogue.
QString decodeUtf16(const QByteArray& bytes, QStringConverter::Encoding encoding)
{
    QByteArrayView units = QByteArrayView(bytes).sliced(2);
    if (units.size() % 2 != 0)
        units.chop(1);
    return decodeText(units, encoding);
}

// Whether the bytes (after any byte-order mark) are to be read as UTF-8.
bool readAsUtf8(const QByteArray& bytes)
{
    return bytes.startsWith(kUtf8Mark) || looksLikeUtf8(bytes);
}
}

QString decodeTextFile(const QByteArray& bytes)
{
    if (const auto encoding = utf16Mark(bytes))
        return decodeUtf16(bytes, *encoding);
    if (bytes.startsWith(kUtf8Mark))
        return decodeText(QByteArrayView(bytes).sliced(3), QStringConverter::Utf8);
    return readAsUtf8(bytes) ? decodeText(bytes, QStringConverter::Utf8) : decodeAnsi(bytes);
}

QByteArray readFileBytes(const QString& path, qint64 maxBytes)
{
    RegularFileRead file = readRegularFile(path, maxBytes);
    if (file.status == RegularFileRead::Read)
        return std::move(file.bytes);
    if (file.status == RegularFileRead::CannotOpen)
        throw fileOpenError(path, false);
    throw Error::about(errc::FileNotFound, path);
}

AnsiTextReader::AnsiTextReader(const QString& decodedText) : bytes_(decodedText.toUtf8()), utf8_(true) {}

AnsiTextReader AnsiTextReader::fromBytes(const QByteArray& bytes)
{
    // CR and LF are two bytes each in UTF-16, so such a file is read as its UTF-8 equivalent.
    if (const auto encoding = utf16Mark(bytes))
        return AnsiTextReader(decodeUtf16(bytes, *encoding));
    AnsiTextReader r;
    r.bytes_ = bytes;
    r.utf8_ = readAsUtf8(bytes);
    if (bytes.startsWith(kUtf8Mark))
        r.pos_ = 3;
    return r;
}

AnsiTextReader AnsiTextReader::open(const QString& path, bool createIfMissing, qint64 maxBytes)
{
    if (createIfMissing && !QFileInfo::exists(path)) {
        QFile file(path);
        // NewOnly: a file that appeared meanwhile is left as it is.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && !QFileInfo::exists(path))
            throw fileOpenError(path, true);
    }
    // A catalogue saved by a UTF-8 editor reads as well as one in GBK.
    return fromBytes(readFileBytes(path, maxBytes));
}

bool AnsiTextReader::atEnd() const
{
    return pos_ >= bytes_.size();
}

bool AnsiTextReader::atEndOfLine() const
{
    if (atEnd())
        return true;
    const char c = bytes_.at(pos_);
    return c == '\r' || c == '\n';
}

std::pair<int, int> AnsiTextReader::readLineSpan()
{
    const qsizetype size = bytes_.size();
    const qsizetype start = pos_;
    const char* data = bytes_.constData();
    qsizetype end = pos_;
    while (end < size && data[end] != '\r' && data[end] != '\n')
        ++end;
    const std::pair<int, int> span(static_cast<int>(start), static_cast<int>(end - start));
    if (end < size) {
        if (data[end] == '\r' && end + 1 < size && data[end + 1] == '\n')
            end += 2;
        else
            end += 1;
    }
    pos_ = static_cast<int>(end);
    return span;
}

QString AnsiTextReader::decodeSpan(std::pair<int, int> span) const
{
    if (span.first < 0 || span.second <= 0 || span.first > bytes_.size() - span.second)
        return QString();
    const QByteArray piece = QByteArray::fromRawData(bytes_.constData() + span.first, span.second);
    return utf8_ ? decodeText(piece, QStringConverter::Utf8) : decodeAnsi(piece);
}

QString AnsiTextReader::readLine()
{
    return decodeSpan(readLineSpan());
}

void writeAnsiLines(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += encodeAnsi(line);
        bytes += "\r\n";
    }
    writeFileReplacing(path, bytes);
}

} // namespace platform
