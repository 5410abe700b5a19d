#include "reader/catalogue.h"

#include "platform/core/error.h"
#include "reader/vbmath.h"

#include <QDir>

namespace reader {

const QString kColumnNumber = QStringLiteral("N");
const QString kColumnTitle = QStringLiteral("    目  录");
const QString kColumnTextFile = QStringLiteral("文字文件名.扩展名");
const QString kColumnPictureFile = QStringLiteral("图像文件名.扩展名");

CatalogueLine parseCatalogueLine(const QString& line)
{
    const QStringList pieces = line.split(QLatin1Char('-'));
    CatalogueLine out;
    out.title = pieces.value(0);
    out.pictureFile = pieces.value(1);
    out.textFile = pieces.value(2);
    return out;
}

QString pageFilePath(const QString& name)
{
    const auto outsideTheBook = [] {
        return platform::Error(platform::errc::FileNotFound, QStringLiteral("文件未找到"));
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
    return parts.join(QLatin1Char('/'));
}

QString findCatalogueFile(const QString& folder)
{
    const QString wanted = QString::fromUtf16(kCatalogueName);
    QDir dir(folder);
    if (dir.exists(wanted))
        return dir.filePath(wanted);
    QStringList matches;
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& name : entries)
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            matches << name;
    return dir.filePath(matches.isEmpty() ? wanted : matches.first());
}

ColumnWidths catalogueColumnWidths(double listWidthTwips, double titleFactor)
{
    const int W = static_cast<int>(roundHalfEven(listWidthTwips)) / 10;
    return {1.5 * W, titleFactor * W, 0.1 * W, 0.1 * W};
}

} // namespace reader
