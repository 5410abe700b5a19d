#include "reader/catalogue.h"

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
