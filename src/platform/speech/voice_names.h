#pragma once
// Chinese names for the synthesizer's voices, from ICU's names of languages
// and regions, so that a reader who knows no English can choose one.
#include <QList>
#include <QString>
#include <QStringList>

namespace platform {

struct VoiceFacts {
    QString identifier;   // espeak's, e.g. "sit/yue-Latn-jyutping"
    QString language;     // a language tag, e.g. "en-gb-x-rp"
    QString espeakName;   // e.g. "English (Received Pronunciation)"
    // For a language written in Chinese characters: the language the voice
    // switches to when it reads them ("en"), empty when it reads them itself.
    QString readsChineseThrough;
};

// Whether the language is written in Chinese characters (Mandarin, Cantonese,
// Hakka ...): what such a voice does with them says more than its spelling.
bool writtenInChineseCharacters(const QString& language);

// Whether the language is Mandarin.
bool isMandarin(const QString& language);

// One description per voice, in the same order, no two alike: ICU's Chinese
// name of the language and region; the voice's own distinction where that
// name is not enough; espeak's own name where ICU has no Chinese name.
QStringList describeVoices(const QList<VoiceFacts>& voices);

} // namespace platform
