#include "builder/book_plan.h"

#include <QSet>

namespace builder {

QString catalogueSafe(QString name)
{
    for (QChar& c : name)
        if (c == QLatin1Char('-') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char('_');
    return name;
}

QString entryName(const QString& fileName)
{
    const qsizetype dot = fileName.indexOf(QLatin1Char('.'));
    return catalogueSafe(dot < 0 ? fileName : fileName.left(dot));
}

QString withNumber(const QString& fileName, int k)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString suffix = QStringLiteral("_%1").arg(k);
    // A leading dot starts the name, not an extension.
    if (dot <= 0)
        return fileName + suffix;
    return fileName.left(dot) + suffix + fileName.mid(dot);
}

QHash<QString, QString> workingNames(const QStringList& sources, const NameIsFree& isFree)
{
    QHash<QString, QString> out;
    QSet<QString> taken;
    for (const QString& s : sources)
        if (catalogueSafe(s) == s)
            taken.insert(s);
    for (const QString& s : sources) {
        if (out.contains(s))
            continue;
        const QString safe = catalogueSafe(s);
        if (safe == s) {
            out.insert(s, s);
            continue;
        }
        QString name = safe;
        for (int k = 2; taken.contains(name) || (isFree && !isFree(name, s)); ++k)
            name = withNumber(safe, k);
        taken.insert(name);
        out.insert(s, name);
    }
    return out;
}

QVector<RowPlan> planBook(const QVector<PairRow>& rows, EntryNames names, const NameIsFree& isFree)
{
    QStringList sources;
    for (const PairRow& r : rows) {
        sources << r.picture;
        if (!r.text.isEmpty())
            sources << r.text;
    }
    const QHash<QString, QString> working = workingNames(sources, isFree);

    QVector<RowPlan> plan;
    plan.reserve(rows.size());
    for (const PairRow& r : rows) {
        RowPlan p;
        p.pictureTarget = working.value(r.picture);
        p.textTarget = r.text.isEmpty() ? QString() : working.value(r.text);
        const bool fromText = names == EntryNames::FromText && !r.text.isEmpty();
        const QString entry = entryName(fromText ? r.text : r.picture);
        p.line = entry + QLatin1Char('-') + p.pictureTarget + QLatin1Char('-') + p.textTarget;
        plan.append(p);
    }
    return plan;
}

} // namespace builder
