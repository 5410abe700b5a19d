#include "platform/speech/voice_names.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <QSet>

namespace platform {

namespace {

QString fromIcu(const icu::UnicodeString& s)
{
    return QString(reinterpret_cast<const QChar*>(s.getBuffer()), s.length());
}

const icu::Locale& chinese()
{
    static const icu::Locale zh("zh");
    return zh;
}

// The language alone, in ICU's canonical spelling (espeak's "cmn" is "zh").
icu::Locale canonicalLanguage(const QString& tag)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale locale = icu::Locale::forLanguageTag(tag.section(QLatin1Char('-'), 0, 0).toStdString(), status);
    if (U_FAILURE(status))
        return icu::Locale::getRoot();
    locale.canonicalize(status);
    return U_FAILURE(status) ? icu::Locale::getRoot() : locale;
}

struct IcuName {
    QString full;      // language, script, region and variant
    QString language;  // the language alone
    bool whole = false;  // every part of the tag is in it
};

// ICU's Chinese name for the longest front part of the tag that it knows,
// private use ("-x-...") left out; nothing when it has no Chinese name for
// the language.
IcuName icuName(const QString& tag)
{
    const QStringList subtags = tag.split(QLatin1Char('-'));
    int known = static_cast<int>(subtags.size());
    for (int i = 0; i < subtags.size(); ++i)
        if (subtags[i].compare(QLatin1String("x"), Qt::CaseInsensitive) == 0)
            known = i;
    for (int n = known; n > 0; --n) {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Locale locale =
            icu::Locale::forLanguageTag(subtags.mid(0, n).join(QLatin1Char('-')).toStdString(), status);
        if (U_FAILURE(status) || locale.isBogus())
            continue;
        icu::UnicodeString language, full;
        locale.getDisplayLanguage(chinese(), language);
        // Without a name ICU gives the code back.
        if (fromIcu(language) == QString::fromLatin1(locale.getLanguage()))
            return {};
        locale.getDisplayName(chinese(), full);
        return {fromIcu(full), fromIcu(language), n == subtags.size()};
    }
    return {};
}

// What espeak's name says beyond the language: "English (Lancaster)" gives
// "Lancaster"; a name without brackets is all distinction.
QString espeakDistinction(const QString& espeakName)
{
    const QString name = espeakName.trimmed();
    const int open = static_cast<int>(name.lastIndexOf(QLatin1Char('(')));
    if (open < 0 || !name.endsWith(QLatin1Char(')')))
        return name;
    return name.mid(open + 1, name.size() - open - 2).trimmed();
}

// "英语（英国）" with "Lancaster" gives "英语（英国，Lancaster）".
QString withDistinction(const QString& name, const QString& distinction)
{
    if (distinction.isEmpty())
        return name;
    if (name.endsWith(u'）'))
        return name.left(name.size() - 1) + u'，' + distinction + u'）';
    return name + u'（' + distinction + u'）';
}

QString describe(const VoiceFacts& v)
{
    const IcuName name = icuName(v.language);
    if (name.full.isEmpty())
        return v.espeakName.trimmed();
    if (writtenInChineseCharacters(v.language)) {
        // ICU's 中文 names the writing; the voice speaks 普通话. Script and
        // romanisation say how it reads Latin letters, which matters less
        // than how it reads Chinese.
        const QString language = isMandarin(v.language) ? QStringLiteral("普通话") : name.language;
        if (v.readsChineseThrough.isEmpty())
            return language;
        const IcuName through = icuName(v.readsChineseThrough);
        return language + u'（' + (through.language.isEmpty() ? v.readsChineseThrough : through.language) +
               QStringLiteral("拼读）");
    }
    return name.whole ? name.full : withDistinction(name.full, espeakDistinction(v.espeakName));
}

} // namespace

bool writtenInChineseCharacters(const QString& language)
{
    icu::Locale likely = canonicalLanguage(language);
    UErrorCode status = U_ZERO_ERROR;
    likely.addLikelySubtags(status);
    const QString script = QString::fromLatin1(likely.getScript());
    return U_SUCCESS(status) && (script == QLatin1String("Hans") || script == QLatin1String("Hant"));
}

bool isMandarin(const QString& language)
{
    return QString::fromLatin1(canonicalLanguage(language).getLanguage()) == QLatin1String("zh");
}

QStringList describeVoices(const QList<VoiceFacts>& voices)
{
    QStringList names;
    QSet<QString> taken;
    for (const VoiceFacts& v : voices) {
        QString name = describe(v);
        if (taken.contains(name)) {
            // Two voices of one language: espeak's identifier usually says
            // what the second one does differently, else its name does.
            const QString tag = v.identifier.section(QLatin1Char('/'), -1);
            const IcuName own = icuName(tag);
            if (own.whole && !taken.contains(own.full))
                name = own.full;
            else
                name = withDistinction(name, espeakDistinction(v.espeakName));
        }
        const QString distinct = name;
        for (int n = 2; taken.contains(name); ++n)
            name = withDistinction(distinct, QString::number(n));
        taken.insert(name);
        names << name;
    }
    return names;
}

} // namespace platform
