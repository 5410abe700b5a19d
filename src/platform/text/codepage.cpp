#include "platform/text/codepage.h"

#include <cerrno>
#include <iconv.h>
#include <map>
#include <utility>
#include <vector>

namespace platform::codepage {

namespace {

const char* iconvName(int codePage)
{
    switch (codePage) {
    case 936: return "GB18030";
    case 950: return "CP950";
    case 932: return "CP932";
    case 949: return "CP949";
    case 1361: return "JOHAB";
    case 874: return "CP874";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1252: return "CP1252";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    case 10000: return "MACINTOSH";
    case 437: return "CP437";
    case 850: return "CP850";
    case 20936: return "GB2312";
    case 54936: return "GB18030";
    case 65001: return "UTF-8";
    default: return nullptr;
    }
}

// Opening a converter loads a gconv module; keep them per thread for the life of the thread.
class Converters {
public:
    ~Converters()
    {
        for (auto& entry : handles_)
            if (entry.second != reinterpret_cast<iconv_t>(-1))
                iconv_close(entry.second);
    }
    iconv_t get(const char* to, const char* from)
    {
        const auto key = std::make_pair(std::string(to), std::string(from));
        auto it = handles_.find(key);
        if (it == handles_.end())
            it = handles_.emplace(key, iconv_open(to, from)).first;
        iconv_t cd = it->second;
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        return cd;
    }

private:
    std::map<std::pair<std::string, std::string>, iconv_t> handles_;
};

iconv_t converter(const char* to, const char* from)
{
    thread_local Converters converters;
    return converters.get(to, from);
}

bool allAscii(const char* data, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i)
        if (static_cast<unsigned char>(data[i]) >= 0x80)
            return false;
    return true;
}

QString decodeSlow(const char* data, qsizetype size, int codePage);

// GBK's two-byte characters, looked up in a table made once from iconv: text
// files are decoded at memory speed, and only the rare four-byte GB18030
// sequences and bad bytes go through iconv one by one.
class GbkTable {
public:
    static const GbkTable& instance()
    {
        static const GbkTable table;
        return table;
    }
    // 0 when the pair is not a GBK two-byte character.
    char16_t lookup(unsigned char lead, unsigned char trail) const
    {
        if (lead < 0x81 || lead > 0xfe || trail < 0x40 || trail > 0xfe || trail == 0x7f)
            return 0;
        return units_[(lead - 0x81) * kTrails + (trail - 0x40)];
    }

private:
    static constexpr int kTrails = 0xff - 0x40;
    GbkTable() : units_(static_cast<size_t>(0xfe - 0x81 + 1) * kTrails, 0)
    {
        for (int lead = 0x81; lead <= 0xfe; ++lead) {
            QByteArray pairs;
            for (int trail = 0x40; trail <= 0xfe; ++trail) {
                if (trail == 0x7f)
                    continue;
                pairs.append(static_cast<char>(lead));
                pairs.append(static_cast<char>(trail));
            }
            const QString text = decodeSlow(pairs.constData(), pairs.size(), 936);
            if (text.size() != pairs.size() / 2)
                continue; // a row that does not map one to one stays with iconv
            int k = 0;
            for (int trail = 0x40; trail <= 0xfe; ++trail) {
                if (trail == 0x7f)
                    continue;
                const char16_t u = text.at(k++).unicode();
                if (u != 0xfffd && !QChar::isSurrogate(u))
                    units_[(lead - 0x81) * kTrails + (trail - 0x40)] = u;
            }
        }
    }
    std::vector<char16_t> units_;
};

QString decodeGbk(const char* data, qsizetype size)
{
    const GbkTable& table = GbkTable::instance();
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    QString out(size, Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    qsizetype n = 0;
    qsizetype i = 0;
    while (i < size) {
        const unsigned char b = bytes[i];
        if (b < 0x80) {
            dst[n++] = b;
            ++i;
            continue;
        }
        if (i + 1 < size) {
            if (const char16_t u = table.lookup(b, bytes[i + 1])) {
                dst[n++] = u;
                i += 2;
                continue;
            }
        }
        // A four-byte sequence (digit second byte) or a pair the table lacks: iconv decides.
        const unsigned char next = i + 1 < size ? bytes[i + 1] : 0;
        qsizetype len = 1;
        if (i + 3 < size && next >= 0x30 && next <= 0x39) {
            // Four bytes have the form lead, digit, lead, digit, and their number
            // lies where GB18030 puts the rest of the first plane or, in order,
            // the planes above it; otherwise they are none.
            const unsigned char third = bytes[i + 2];
            const unsigned char fourth = bytes[i + 3];
            const int number = ((b - 0x81) * 10 + (next - 0x30)) * 1260 + (third - 0x81) * 10 + (fourth - 0x30);
            constexpr int kLastOfFirstPlane = 39419;
            constexpr int kFirstAbove = 189000;
            const bool form = third >= 0x81 && third <= 0xfe && fourth >= 0x30 && fourth <= 0x39;
            if (form && number >= kFirstAbove && number <= kFirstAbove + 0xfffff) {
                const char32_t u = 0x10000 + char32_t(number - kFirstAbove);
                dst[n++] = QChar::highSurrogate(u);
                dst[n++] = QChar::lowSurrogate(u);
                i += 4;
                continue;
            }
            if (form && number <= kLastOfFirstPlane)
                len = 4;
        } else if (b != 0x80 && b != 0xff && next >= 0x40 && next != 0x7f && next != 0xff)
            len = 2;
        if (len > 1) {
            const QString piece = decodeSlow(data + i, len, 936);
            // Unless the bytes make one character, their first is a bad byte, and
            // decoding goes on right after it, as iconv does on the whole text.
            // (The replacement character has a four-byte code of its own.)
            const bool oneCharacter =
                (piece.size() == 1
                 && (piece.at(0) != QChar(0xfffd) || QByteArrayView(data + i, len) == QByteArrayView("\x84\x31\xa4\x37", 4)))
                || (piece.size() == 2 && piece.at(0).isHighSurrogate() && piece.at(1).isLowSurrogate());
            if (oneCharacter) {
                // Never more units than bytes: the text fits where it was made.
                for (QChar c : piece)
                    dst[n++] = c.unicode();
                i += len;
                continue;
            }
        }
        // No character starts with this byte here. iconv would say so too, at
        // twenty times the cost of a table lookup: a file of bad bytes would
        // decode that much slower than Chinese text.
        dst[n++] = b == 0x80 ? u'\u20ac' : u'\ufffd'; // CP936's euro sign
        ++i;
    }
    out.truncate(n);
    return out;
}

} // namespace

QString decode(const char* data, qsizetype size, int codePage)
{
    if (size > 0 && codePage == 936 && !allAscii(data, size))
        return decodeGbk(data, size);
    return decodeSlow(data, size, codePage);
}

namespace {

QString decodeSlow(const char* data, qsizetype size, int codePage)
{
    if (size <= 0)
        return QString();
    if (allAscii(data, size))
        return QString::fromLatin1(data, size);
    const char* name = iconvName(codePage);
    if (codePage == 65001)
        return QString::fromUtf8(data, size);
    iconv_t cd = converter("UTF-16LE", name ? name : "CP1252");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return QString::fromLatin1(data, size);

    // No code page yields more UTF-16 units than it has bytes, and a bad byte yields one U+FFFD.
    QString out(size + 2, Qt::Uninitialized);
    char* in = const_cast<char*>(data);
    size_t inLeft = static_cast<size_t>(size);
    char* const outStart = reinterpret_cast<char*>(out.data());
    char* outPtr = outStart;
    size_t outLeft = static_cast<size_t>(out.size()) * 2;
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL)
            break; // cannot happen with the room given; keep what was converted
        // Windows' CP936 has the euro sign at 0x80, which GB18030 does not.
        const unsigned char bad = static_cast<unsigned char>(*in);
        const char16_t replacement = (codePage == 936 && bad == 0x80) ? u'\u20ac' : u'\ufffd';
        if (outLeft < 2)
            break;
        *reinterpret_cast<char16_t*>(outPtr) = replacement;
        outPtr += 2;
        outLeft -= 2;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.truncate(static_cast<qsizetype>((outPtr - outStart) / 2));
    return out;
}

} // namespace

QByteArray encodeGb18030(const QString& text)
{
    if (text.isEmpty())
        return QByteArray();
    iconv_t cd = converter("GB18030", "UTF-16LE");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return text.toLatin1();

    QByteArray out;
    out.reserve(text.size() * 2);
    char buffer[4096];
    const char16_t* units = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype count = text.size();
    qsizetype start = 0;
    while (start < count) {
        // The euro sign goes out as CP936 writes it; everything else through iconv in pieces.
        qsizetype end = start;
        while (end < count && units[end] != u'\u20ac')
            ++end;
        char* in = reinterpret_cast<char*>(const_cast<char16_t*>(units + start));
        size_t inLeft = static_cast<size_t>(end - start) * 2;
        while (inLeft > 0) {
            char* outPtr = buffer;
            size_t outLeft = sizeof buffer;
            const size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
            out.append(buffer, outPtr - buffer);
            if (result != static_cast<size_t>(-1))
                break;
            if (errno == E2BIG)
                continue;
            // A lone surrogate: one unit that no code page can hold.
            out.append('?');
            const size_t skip = inLeft >= 2 ? 2 : inLeft;
            in += skip;
            inLeft -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
        if (end < count) {
            out.append('\x80');
            ++end;
        }
        start = end;
    }
    return out;
}

QByteArray gbkDoubleByte(char16_t ch)
{
    if (ch < 0x80)
        return QByteArray();
    const QByteArray bytes = encodeGb18030(QString(QChar(ch)));
    if (bytes.size() != 2)
        return QByteArray();
    const auto lead = static_cast<unsigned char>(bytes[0]);
    const auto trail = static_cast<unsigned char>(bytes[1]);
    // GB18030's two-byte region is GBK; its four-byte codes have a digit second.
    if (lead < 0x81 || lead > 0xfe || trail < 0x40 || trail == 0x7f || trail > 0xfe)
        return QByteArray();
    return bytes;
}

int forCharset(int charset)
{
    switch (charset) {
    case 0: return 1252;   // ANSI
    case 2: return 1252;   // Symbol: its glyphs sit on the Latin bytes
    case 77: return 10000; // Mac Roman
    case 128: return 932;  // Shift-JIS
    case 129: return 949;  // Hangul
    case 130: return 1361; // Johab
    case 134: return 936;  // GB2312 / GBK
    case 136: return 950;  // Big5
    case 161: return 1253; // Greek
    case 162: return 1254; // Turkish
    case 163: return 1258; // Vietnamese
    case 177: return 1255; // Hebrew
    case 178: return 1256; // Arabic
    case 186: return 1257; // Baltic
    case 204: return 1251; // Cyrillic
    case 222: return 874;  // Thai
    case 238: return 1250; // Eastern European
    case 254: return 437;  // PC 437
    case 255: return 850;  // OEM
    default: return 0;
    }
}

bool isDoubleByte(int codePage)
{
    return codePage == 936 || codePage == 950 || codePage == 932 || codePage == 949 || codePage == 1361
        || codePage == 20936 || codePage == 54936;
}

bool isLeadByte(int codePage, unsigned char byte)
{
    switch (codePage) {
    case 932: return (byte >= 0x81 && byte <= 0x9f) || (byte >= 0xe0 && byte <= 0xfc);
    case 1361: return byte >= 0x84 && byte <= 0xf9;
    case 936:
    case 950:
    case 949:
    case 20936:
    case 54936: return byte >= 0x81 && byte <= 0xfe;
    default: return false;
    }
}

} // namespace platform::codepage
