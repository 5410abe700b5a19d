#include "reader/catalogue.h"

#include "platform/core/listview.h"
#include "platform/files/file_ops.h"
#include "platform/text/ansi_text.h"
#include "platform/core/error.h"
#include "platform/core/int16.h"

#include <QFile>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace reader {

const QString kColumnNumber = QStringLiteral("N");
const QString kColumnTitle = QStringLiteral("    目  录");
const QString kColumnTextFile = QStringLiteral("文字文件名.扩展名");
const QString kColumnPictureFile = QStringLiteral("图像文件名.扩展名");

CatalogueLine parseCatalogueLine(const QString& line)
{
    // Only the first three pieces are cut out: a line of a million hyphens
    // is not cut a million times.
    QString pieces[3];
    qsizetype start = 0;
    for (QString& piece : pieces) {
        if (start > line.size())
            break;
        qsizetype end = line.indexOf(QLatin1Char('-'), start);
        if (end < 0)
            end = line.size();
        qsizetype length = std::min<qsizetype>(end - start, kMaxCataloguePieceChars);
        if (length < end - start && line.at(start + length - 1).isHighSurrogate())
            --length;
        piece = line.mid(start, length);
        start = end + 1;
    }
    return {pieces[0], pieces[1], pieces[2]};
}

namespace {

struct FreeCString {
    void operator()(char* p) const { std::free(p); }
};
using CanonicalPath = std::unique_ptr<char, FreeCString>;

// A book is a folder someone else made: a link in it, to a file or to a
// folder on the way, may lead anywhere on the disk. What the name leads to
// with every link followed must lie in the working folder, itself taken with
// its links followed, so a book reached through a link reads as any other.
// A name that leads nowhere is left to the reading, which reports it missing
// as it reports any missing file. The disk may change between this look and
// the reading; a book is not expected to be rewritten under the reader.
bool resolvesInsideWorkingFolder(const QString& relative)
{
    const CanonicalPath target(::realpath(QFile::encodeName(relative).constData(), nullptr));
    if (!target)
        return true;
    const CanonicalPath book(::realpath(".", nullptr));
    if (!book)
        return false;
    const std::string_view folder(book.get());
    const std::string_view found(target.get());
    if (folder == "/")
        return true;
    return found.size() > folder.size() && found.compare(0, folder.size(), folder) == 0 && found[folder.size()] == '/';
}

} // namespace

QString pageFilePath(const QString& name)
{
    const auto outsideTheBook = [] {
        return platform::Error(platform::errc::FileNotFound);
    };
    QString path = name;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const bool driveLetter = path.size() >= 2 && path.at(1) == u':' && path.at(0).unicode() < 0x80
                             && path.at(0).isLetter();
    if (path.startsWith(QLatin1Char('/')) || driveLetter)
        throw outsideTheBook();
    QStringList parts;
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == u"..")
            throw outsideTheBook();
        if (part != u".")
            parts << part;
    }
    if (parts.isEmpty())
        throw outsideTheBook();
    const QString relative = parts.join(QLatin1Char('/'));
    if (!resolvesInsideWorkingFolder(relative))
        throw outsideTheBook();
    return relative;
}

QString findCatalogueFile(const QString& folder)
{
    return platform::findFileIgnoringCase(folder, QString::fromUtf16(kCatalogueName));
}

void readCatalogueRows(platform::ListView& list, const QString& catalogueFile)
{
    auto file = std::make_shared<platform::AnsiTextReader>(platform::AnsiTextReader::open(catalogueFile, true, kMaxCatalogueBytes));
    auto lines = std::make_shared<QVector<std::pair<int, int>>>();
    while (!file->atEndOfLine() && lines->size() < kMaxCatalogueRows)
        lines->append(file->readLineSpan());
    // Lines are decoded and cut into cells only when a row is first looked at,
    // so a long catalogue costs little at start-up.
    platform::ListView::LazyRows rows;
    rows.count = lines->size();
    rows.subItems = [file, lines](int k) {
        const CatalogueLine c = parseCatalogueLine(file->decodeSpan(lines->at(k)));
        // Sub-items 1, 2, 3 are the title, the text file and the picture file.
        return std::array<QString, 3>{c.title, c.textFile, c.pictureFile};
    };
    list.addLazyRows(std::move(rows));
}

ColumnWidths catalogueColumnWidths(double listWidthTwips, double titleFactor)
{
    const int W = static_cast<int>(platform::roundHalfEven(listWidthTwips)) / 10;
    return {1.5 * W, titleFactor * W, 0.1 * W, 0.1 * W};
}

} // namespace reader
