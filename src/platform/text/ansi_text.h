#pragma once
// Text files in the system ANSI code page (GBK, read through its superset
// GB18030 so nothing is lost), with CR LF lines.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <utility>

namespace platform {

QString decodeAnsi(const QByteArray& bytes);
// Characters GBK cannot encode are written in GB18030, which equals GBK wherever GBK can encode.
QByteArray encodeAnsi(const QString& text);

// A text file as the user's editor left it: a UTF-16 byte-order mark (either
// order) means UTF-16; a UTF-8 byte-order mark means UTF-8; without a mark,
// bytes that are valid UTF-8 and read as more plausible Chinese that way than
// as GBK (looksLikeUtf8) are UTF-8; anything else is GBK.
QString decodeTextFile(const QByteArray& bytes);

// The largest text file read: no page text comes near it.
constexpr qint64 kMaxTextFileBytes = qint64(64) * 1024 * 1024;

// Reads a regular file's bytes; throws platform::Error (file not found, permission
// denied). Anything but a regular file, or a file past maxBytes, is not found.
QByteArray readFileBytes(const QString& path, qint64 maxBytes = kMaxTextFileBytes);

// Line-by-line reading of a whole text file. Lines end with CR LF, a lone LF or a lone CR.
// The file is kept as bytes and each line decoded when it is read: CR and LF never
// occur inside a GBK or UTF-8 character, so lines are found without decoding.
class AnsiTextReader {
public:
    explicit AnsiTextReader(const QString& decodedText);
    // The bytes of a text file, in the encoding decodeTextFile would choose.
    static AnsiTextReader fromBytes(const QByteArray& bytes);
    // Opens a file for reading; with createIfMissing an absent file is created empty first.
    // Throws platform::Error when the file cannot be opened or created, or is no
    // regular file of at most maxBytes (see readFileBytes).
    static AnsiTextReader open(const QString& path, bool createIfMissing, qint64 maxBytes = kMaxTextFileBytes);

    bool atEnd() const;
    // True when the reading position is at the end of a line: the next line is empty or the file is exhausted.
    bool atEndOfLine() const;
    QString readLine();
    // The same line as a start and length in the file's bytes; decodeSpan gives its text.
    std::pair<int, int> readLineSpan();
    QString decodeSpan(std::pair<int, int> span) const;

private:
    AnsiTextReader() = default;
    QByteArray bytes_;
    int pos_ = 0;
    bool utf8_ = false;
};

// Writes the lines, each followed by CR LF, in GBK, replacing the file only once
// all is written (see platform/core/file_write.h). Throws platform::Error.
void writeAnsiLines(const QString& path, const QStringList& lines);

} // namespace platform
