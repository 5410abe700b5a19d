#include "platform/text/encoding_guess.h"

#include "platform/text/codepage.h"

#include <QChar>
#include <QString>
#include <vector>

namespace platform {

namespace {

// A character's weight in a Chinese text. Common must be the largest and
// Known above zero: a GBK text of GB2312 hanzi that is also valid UTF-8 reads,
// as UTF-8, at best as common characters where the GBK reading has as many
// first-level hanzi and one second-level hanzi more (see looksLikeUtf8), so
// GBK wins or ties. The gap between Common and Known makes real UTF-8 of
// common characters beat its GBK reading, in which every other character
// starts with a UTF-8 lead byte: a second-level hanzi or a rarer one.
enum Weight : signed char {
    Implausible = -8, // private use, unassigned, C1 controls, U+FFFD
    Rare = -2,        // CJK beyond the basic block: extension A and up, compatibility ideographs
    Uncommon = -1,    // hanzi of the basic block that GB2312 lacks (GBK's extensions)
    Neutral = 0,      // any other letter or sign
    Known = 1,        // GB2312's second level, its letters and symbols
    Common = 4,       // GB2312's first level (its 3,755 common hanzi), punctuation and full-width forms
};

class CharacterWeights {
public:
    static const CharacterWeights& instance()
    {
        static const CharacterWeights weights;
        return weights;
    }

    int of(char32_t c) const
    {
        if (c < 0x10000)
            return bmp_[c];
        if (c >= 0x20000 && c < 0x40000)
            return Rare;
        const QChar::Category category = QChar::category(c);
        return category == QChar::Other_NotAssigned || category == QChar::Other_PrivateUse ? Implausible : Neutral;
    }

private:
    CharacterWeights() : bmp_(0x10000, Neutral)
    {
        for (char32_t c = 0x80; c < 0x10000; ++c) {
            const QChar::Category category = QChar::category(c);
            if (category == QChar::Other_NotAssigned || category == QChar::Other_PrivateUse
                || category == QChar::Other_Surrogate || category == QChar::Other_Control || c == 0xfffd)
                bmp_[c] = Implausible;
            else if ((c >= 0x3400 && c < 0x4e00) || (c >= 0xf900 && c < 0xfb00))
                bmp_[c] = Rare;
            else if (c >= 0x4e00 && c < 0xa000)
                bmp_[c] = Uncommon; // GB2312's are set below
        }
        // GB2312 from the GBK decoder itself: rows A1-A9 are signs, B0-D7 the
        // first level of hanzi, D8-F7 the second.
        for (int lead = 0xa1; lead <= 0xf7; ++lead) {
            if (lead > 0xa9 && lead < 0xb0)
                continue;
            const bool common = lead == 0xa1 || lead == 0xa3 || (lead >= 0xb0 && lead <= 0xd7);
            for (int trail = 0xa1; trail <= 0xfe; ++trail) {
                const char pair[] = {char(lead), char(trail)};
                const QString c = codepage::decode(pair, 2, codepage::Ansi);
                // Cells GB2312 leaves empty come out as private use and keep that weight.
                if (c.size() == 1 && bmp_[c.at(0).unicode()] != Implausible)
                    bmp_[c.at(0).unicode()] = common ? Common : Known;
            }
        }
    }

    std::vector<signed char> bmp_;
};

long long chinesePlausibility(const QString& text)
{
    const CharacterWeights& weights = CharacterWeights::instance();
    long long sum = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i).unicode(), text.at(i + 1).unicode());
            ++i;
        }
        sum += weights.of(c);
    }
    return sum;
}

// Enough text to judge by, read in well under a millisecond either way.
constexpr qsizetype kSampleBytes = 64 * 1024;

// The bytes that decide, cut where both readings agree a character ends.
QByteArrayView sampleOf(QByteArrayView bytes)
{
    // What comes before the first byte above ASCII reads alike either way; that
    // byte starts a character in both readings.
    qsizetype first = 0;
    while (first < bytes.size() && static_cast<unsigned char>(bytes[first]) < 0x80)
        ++first;
    QByteArrayView sample = bytes.sliced(first);
    if (sample.size() <= kSampleBytes)
        return sample;
    // No byte below '0' is part of a longer character in GBK, GB18030 or UTF-8.
    qsizetype cut = kSampleBytes;
    while (cut > 0 && static_cast<unsigned char>(sample[cut - 1]) >= 0x30)
        --cut;
    if (cut == 0) {
        // Text without a space or line end: at least UTF-8's characters stay whole.
        cut = kSampleBytes;
        while (cut > 0 && (static_cast<unsigned char>(sample[cut]) & 0xc0) == 0x80)
            --cut;
    }
    return sample.first(cut);
}

} // namespace

// Why GB2312 text never loses: as UTF-8, GBK bytes in GB2312 hanzi (leads
// B0-F7, trails A1-FE) either keep to the GBK characters' bounds (a lead
// C2-DF and its trail make one two-byte character, U+00A1-U+07FF, which weighs
// no more than the hanzi it replaces; F0-F3 start a four-byte character past
// the basic plane, which weighs nothing against the two hanzi it spans) or
// leave them: a lead E0-EF, necessarily a second-level hanzi, starts a
// three-byte character that ends on the next hanzi's lead, and the reading
// stays off the bounds until a trail starts a three-byte character again. By
// then n + 1 hanzi have made at most n characters, each weighing at most one
// first-level hanzi, while all but the first of those hanzi had their lead
// read as a continuation byte, below C0: the first level (or punctuation,
// which weighs as much). ASCII never falls inside such a stretch.
bool looksLikeUtf8(QByteArrayView bytes)
{
    const QByteArrayView sample = sampleOf(bytes);
    if (sample.isEmpty() || !bytes.isValidUtf8())
        return false;
    return chinesePlausibility(QString::fromUtf8(sample))
           > chinesePlausibility(codepage::decode(sample.data(), sample.size(), codepage::Ansi));
}

} // namespace platform
