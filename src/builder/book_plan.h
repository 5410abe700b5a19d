#pragma once
// What confirming the builder writes, worked out before anything is touched:
// the catalogue lines and the name each chosen file gets in the working folder.
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

namespace builder {

// One row of the pairing list: bare names in the chosen folder; the text may be empty.
struct PairRow {
    QString picture;
    QString text;
};

// Where the entry names come from: the answer to the naming question.
enum class EntryNames { FromText, FromPicture };

// The reader cuts every catalogue line at "-", and a line break would start a
// new page: no name written into the catalogue may hold either.
QString catalogueSafe(QString name);

// The part of a file name before its first ".", made safe for the catalogue.
QString entryName(const QString& fileName);

// "name.ext" with "_k" before the extension ("a_b.jpg", 2 -> "a_b_2.jpg").
QString withNumber(const QString& fileName, int k);

// Whether a new name may be given to a source file in the working folder:
// nothing stands there yet, or a file with the same bytes (the same book built
// again) that the copy may as well reuse. Without one, every name is free.
using NameIsFree = std::function<bool(const QString& name, const QString& source)>;

// The name each source file is copied under: its own when the catalogue can
// carry it; otherwise the safe name, numbered on when another file of the book
// already has that name or the working folder holds another file under it.
// Names map to themselves when they need no change.
QHash<QString, QString> workingNames(const QStringList& sources, const NameIsFree& isFree = {});

struct RowPlan {
    QString line;           // entry-picture-text, without the line end
    QString pictureTarget;  // name in the working folder
    QString textTarget;     // empty when the row has no text
};

// One line per row, in row order. A row without a text file takes its entry
// name from its picture whatever the answer, so no page is dropped.
QVector<RowPlan> planBook(const QVector<PairRow>& rows, EntryNames names, const NameIsFree& isFree = {});

} // namespace builder
