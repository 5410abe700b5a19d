#pragma once
// What holds for any catalogue file, whatever it holds. The catalogue fuzzer
// checks it on every input it makes, and a test on every input it kept.
#include "platform/core/error.h"
#include "platform/core/listview.h"
#include "platform/text/text_invariants.h"
#include "reader/catalogue.h"

#include <QFile>
#include <algorithm>

namespace catalogue_invariants {

// The catalogue a fuzzer's input stands for. An input that starts with 0x01
// is repeated about as many times as a catalogue has rows, one that starts
// with 0x02 to just below or past the catalogue's size bound (the next byte
// says how far): the reading loop then meets its row limit, or the bound.
inline QByteArray catalogueFor(const QByteArray& input)
{
    if (input.size() < 3 || (input.at(0) != '\x01' && input.at(0) != '\x02'))
        return input;
    const int step = static_cast<unsigned char>(input.at(1)) % 16;
    const QByteArray unit = input.mid(2);
    qint64 length = reader::kMaxCatalogueBytes - 8 + step;
    if (input.at(0) == '\x01') {
        const qint64 lines = std::max<qint64>(1, unit.count('\n') + unit.count('\r') - unit.count("\r\n"));
        const qint64 times = (reader::kMaxCatalogueRows - 8 + step + lines - 1) / lines;
        length = std::min<qint64>(unit.size() * times, 4 * 1024 * 1024);
    }
    return unit.repeated(length / unit.size() + 1).left(length);
}

// The catalogue `bytes` written to `path` and read into a list: empty when
// everything holds, otherwise what broke.
inline QString check(const QByteArray& bytes, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return QStringLiteral("cannot write %1").arg(path);
    file.close();

    platform::ListView list;
    try {
        reader::readCatalogueRows(list, path);
    } catch (const platform::Error& e) {
        // Past its bound a file is no catalogue, as if it were missing.
        if (bytes.size() > reader::kMaxCatalogueBytes && e.number() == platform::errc::FileNotFound)
            return {};
        return QStringLiteral("refused (%1): %2").arg(e.number()).arg(e.description());
    }
    if (bytes.size() > reader::kMaxCatalogueBytes)
        return QStringLiteral("read %1 bytes, past the bound").arg(bytes.size());

    // One row per line up to the first empty one, as the whole text has them.
    QStringList lines = text_invariants::linesOf(
        text_invariants::withoutLoneSurrogates(platform::decodeTextFile(bytes)), reader::kMaxCatalogueRows);
    const qsizetype empty = lines.indexOf(QString());
    if (empty >= 0)
        lines = lines.mid(0, empty);
    if (list.count() != lines.size())
        return QStringLiteral("%1 rows for %2 lines").arg(list.count()).arg(lines.size());
    // Of a long list, its two ends: the rows between hold nothing the ends do not.
    for (int position = 1; position <= list.count(); position = position == 100 && list.count() > 200 ? list.count() - 99 : position + 1) {
        const reader::CatalogueLine line = reader::parseCatalogueLine(lines.at(position - 1));
        const QStringList row = {list.rowText(position), list.subItem(position, 1), list.subItem(position, 2),
                                 list.subItem(position, 3)};
        const QStringList want = {QString::number(position), line.title, line.textFile, line.pictureFile};
        for (const QString& cell : row)
            if (cell.size() > reader::kMaxCataloguePieceChars)
                return QStringLiteral("row %1 holds a cell of %2 characters").arg(position).arg(cell.size());
        if (row != want)
            return QStringLiteral("row %1: [%2], line: [%3]")
                .arg(position)
                .arg(text_invariants::quoted(row.join(u'|')), text_invariants::quoted(want.join(u'|')));
        // A page file named by the book lies inside it, or is no file at all.
        for (const QString& name : {line.pictureFile, line.textFile}) {
            try {
                const QString inside = reader::pageFilePath(name);
                if (inside.isEmpty() || inside.startsWith(u'/') || inside.contains(u'\\')
                    || inside.split(u'/').contains(QStringLiteral("..")))
                    return QStringLiteral("page file [%1] leads to [%2]")
                        .arg(text_invariants::quoted(name), text_invariants::quoted(inside));
            } catch (const platform::Error& e) {
                if (e.number() != platform::errc::FileNotFound)
                    return QStringLiteral("page file [%1]: error %2").arg(text_invariants::quoted(name)).arg(e.number());
            }
        }
    }
    return {};
}

} // namespace catalogue_invariants
