#include "platform/speech/mandarin_numbers.h"

namespace platform {

namespace {

const char16_t kDigitWords[] = u"零一二三四五六七八九";
const char16_t* const kUnits[] = {u"", u"十", u"百", u"千"};

// Up to 99,999,999 a number is read in words; a longer string of digits is
// rather a telephone or serial number.
constexpr int kLongestCount = 8;

int digitValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19)  // full-width digits
        return c.unicode() - 0xFF10;
    return -1;
}

// ① to ⑳.
int circledValue(QChar c)
{
    return c.unicode() >= 0x2460 && c.unicode() <= 0x2473 ? c.unicode() - 0x2460 + 1 : 0;
}

bool isPoint(QChar c) { return c == u'.' || c == QChar(0xFF0E); }
bool isPercent(QChar c) { return c == u'%' || c == QChar(0xFF05); }

class Speller {
public:
    explicit Speller(const QString& in) : in_(in) {}

    SpokenText run()
    {
        int i = 0;
        while (i < in_.size()) {
            if (const int circled = circledValue(in_[i])) {
                const QString digits = QString::number(circled);
                integer(QVector<int>(digits.size(), i), digits);
                ++i;
            } else if (digitValue(in_[i]) >= 0) {
                i = number(i);
            } else {
                put(in_[i], i);
                ++i;
            }
        }
        out_.origin << static_cast<int>(in_.size());
        return std::move(out_);
    }

private:
    struct Part {
        QString digits;     // '0'..'9'
        QVector<int> at;    // where each digit stands in the original
    };

    // A number from `start`: digits, perhaps parted by points, perhaps followed
    // by a percent sign. Returns where the text goes on.
    int number(int start)
    {
        QVector<Part> parts;
        QVector<int> points;
        int i = start;
        for (;;) {
            Part part;
            for (; i < in_.size() && digitValue(in_[i]) >= 0; ++i) {
                part.digits += QChar(u'0' + digitValue(in_[i]));
                part.at << i;
            }
            parts << part;
            if (i + 1 < in_.size() && isPoint(in_[i]) && digitValue(in_[i + 1]) >= 0)
                points << i++;
            else
                break;
        }
        const bool percent = i < in_.size() && isPercent(in_[i]);
        if (percent)
            put(QStringLiteral("百分之"), start);

        const Part& whole = parts.first();
        const bool year = parts.size() == 1 && whole.digits.size() == 4 && i < in_.size() && in_[i] == u'年';
        if (parts.size() == 2) {
            // A decimal: the whole part as a count, the fraction digit by digit.
            integer(whole.at, whole.digits);
            put(u'点', points.first());
            oneByOne(parts.last());
        } else if (parts.size() == 1 && !year) {
            integer(whole.at, whole.digits);
        } else {
            // A year, a version or a date written with points: digit by digit.
            for (int p = 0; p < parts.size(); ++p) {
                if (p > 0)
                    put(u'点', points[p - 1]);
                oneByOne(parts[p]);
            }
        }
        return percent ? i + 1 : i;
    }

    void oneByOne(const Part& part)
    {
        for (int k = 0; k < part.digits.size(); ++k)
            put(kDigitWords[part.digits[k].unicode() - u'0'], part.at[k]);
    }

    // Reads a string of digits as a count: 千百十 within each four digits, 万
    // above them, and one 零 for every run of zeros inside the lower four
    // digits (or before them) that has figures on both sides.
    void integer(const QVector<int>& at, const QString& digits)
    {
        if (digits.size() > kLongestCount || (digits.size() > 1 && digits[0] == u'0')) {
            oneByOne({digits, at});
            return;
        }
        if (digits == QLatin1String("0")) {
            put(kDigitWords[0], at[0]);
            return;
        }
        const int first = static_cast<int>(out_.text.size());
        const int n = static_cast<int>(digits.size());
        int pendingZero = -1;  // where the zero stands that a 零 would stand for
        bool groupHasFigure = false;  // of the digits above 万
        for (int k = 0; k < n; ++k) {
            const int d = digits[k].unicode() - u'0';
            const int place = n - 1 - k;
            if (d == 0) {
                if (out_.text.size() > first && pendingZero < 0)
                    pendingZero = at[k];
            } else {
                if (pendingZero >= 0)
                    put(kDigitWords[0], pendingZero);
                pendingZero = -1;
                put(kDigitWords[d], at[k]);
                put(QString::fromUtf16(kUnits[place % 4]), at[k]);
                groupHasFigure = true;
            }
            if (place == 4) {
                if (groupHasFigure)
                    put(u'万', at[k]);
                // Zeros that end the upper four digits are said by 万 itself.
                pendingZero = -1;
            }
        }
        // 十五, 十万: a count that starts with ten says no "one" before it.
        if (out_.text.mid(first, 2) == QStringLiteral("一十")) {
            out_.text.remove(first, 1);
            out_.origin.remove(first);
        }
    }

    void put(QChar c, int origin)
    {
        out_.text += c;
        out_.origin << origin;
    }
    void put(const QString& s, int origin)
    {
        for (QChar c : s)
            put(c, origin);
    }

    const QString& in_;
    SpokenText out_;
};

} // namespace

SpokenText spellNumbersForMandarin(const QString& text) { return Speller(text).run(); }

} // namespace platform
