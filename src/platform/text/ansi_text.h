#pragma once
// Text files in the system ANSI code page (GBK, read through its superset
// GB18030 so nothing is lost), with CR LF lines.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform {

QString decodeAnsi(const QByteArray& bytes);
// Characters GBK cannot encode are written in GB18030, which equals GBK wherever GBK can encode.
QByteArray encodeAnsi(const QString& text);

// A text file as the user's editor left it: a UTF-8 byte-order mark, or valid
// UTF-8 that holds non-ASCII bytes, means UTF-8; anything else is GBK.
QString decodeTextFile(const QByteArray& bytes);

// Reads a file's bytes; throws platform::Error (file not found, permission denied).
QByteArray readFileBytes(const QString& path);

// Line-by-line reading of a whole text file. Lines end with CR LF, a lone LF or a lone CR.
class AnsiTextReader {
public:
    explicit AnsiTextReader(const QString& decodedText);
    // Opens a file for reading; with createIfMissing an absent file is created empty first.
    // Throws platform::Error when the file cannot be opened or created.
    static AnsiTextReader open(const QString& path, bool createIfMissing);

    bool atEnd() const;
    // True when the reading position is at the end of a line: the next line is empty or the file is exhausted.
    bool atEndOfLine() const;
    QString readLine();

private:
    QString text_;
    int pos_ = 0;
};

// Writes the lines, each followed by CR LF, in GBK; creates or truncates. Throws platform::Error.
void writeAnsiLines(const QString& path, const QStringList& lines);

} // namespace platform
