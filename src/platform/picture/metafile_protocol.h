#pragma once
// How the reader and its metafile helper talk. The foreign WMF and EMF
// decoders run in a process of their own (aurelis-metafile): a crash, a
// runaway allocation or an endless loop there is a picture that failed to
// load, never the reader's end.
//
// One helper draws one picture after another, for as long as its standard
// input stays open; it ends when its input ends.
//
// Request, on the helper's standard input: a header of kRequestHeaderBytes,
// five little-endian 32-bit words
//   "AMQ1", flags, W, H, length
// then `length` bytes of the metafile. The flags:
//   kFit        draw at the largest size with the picture's aspect within
//               W x H; without it, at exactly W x H pixels (stretched)
//   kSameBytes  draw the metafile of the request before once more: no bytes
//               follow (length 0), and the helper may use what it made of
//               them then
// Reply, on standard output: a status word (little-endian 32 bits). When it
// is Drawn, a header of kReplyHeaderBytes follows, then width x height
// pixels, premultiplied ARGB32, rows top to bottom, each pixel a
// little-endian 32-bit word. After BadRequest the helper ends; after the
// other statuses it waits for the next request. Anything else (a status
// this reader does not know, an end of the helper, a short or long reply)
// means the picture cannot be drawn and that helper is not asked again.
#include <QByteArray>
#include <QSize>
#include <QSizeF>
#include <QtEndian>
#include <algorithm>
#include <optional>

namespace platform::metafile {

constexpr char kHelperName[] = "aurelis-metafile";

// Metafiles bigger than this are not pictures a book holds.
constexpr qint64 kMaxInputBytes = qint64(64) * 1024 * 1024;
// No reply holds more pixels than this (64 MB of ARGB32).
constexpr qint64 kMaxReplyPixels = qint64(4096) * 4096;

// What the helper may use. The address space covers Qt, the fonts and the
// decoders with room to spare; the processor time is for one drawing, and
// the reader waits kTimeoutMs at most for one, then ends the helper.
constexpr qint64 kAddressSpaceBytes = qint64(1536) * 1024 * 1024;
constexpr int kCpuSeconds = 5;
constexpr int kTimeoutMs = 5000;

// A helper draws at most this many pictures; the reader then ends it and
// starts another. Whatever the foreign decoders fail to give back (and Qt's
// and fontconfig's caches) piles up no further than this, far below the
// address space even at a megabyte a drawing. Starting a helper costs some
// tens of milliseconds (Qt and the fonts set up), once in 64 drawings about
// a millisecond a drawing, and the next one starts while the reader reads.
constexpr int kDrawingsPerHelper = 64;

constexpr int kRequestHeaderBytes = 20;
constexpr char kRequestMagic[] = "AMQ1";
constexpr quint32 kFit = 1;
constexpr quint32 kSameBytes = 2;

struct RequestHeader {
    quint32 flags = 0;
    QSize size;
    quint32 length = 0;
};

enum class ReplyStatus : quint32 { Drawn = 0, BadRequest = 2, NotAMetafile = 3, Undrawable = 4 };
constexpr int kReplyStatusBytes = 4;

constexpr int kReplyHeaderBytes = 24;
constexpr char kReplyMagic[] = "AMF1";

struct ReplyHeader {
    QSize pixels;        // the picture drawn
    QSizeF naturalTwips; // the size its author meant
};

inline QByteArray encodeRequestHeader(const RequestHeader& h)
{
    QByteArray out(kRequestHeaderBytes, '\0');
    char* p = out.data();
    std::copy(kRequestMagic, kRequestMagic + 4, p);
    qToLittleEndian<quint32>(h.flags, p + 4);
    qToLittleEndian<quint32>(quint32(h.size.width()), p + 8);
    qToLittleEndian<quint32>(quint32(h.size.height()), p + 12);
    qToLittleEndian<quint32>(h.length, p + 16);
    return out;
}

// Empty when the header asks for nothing the helper may draw: a size it may
// not reply with, a metafile larger than any a book holds, or bytes both
// sent and not sent.
inline std::optional<RequestHeader> decodeRequestHeader(const QByteArray& bytes)
{
    if (bytes.size() != kRequestHeaderBytes || !bytes.startsWith(kRequestMagic))
        return std::nullopt;
    const char* p = bytes.constData();
    RequestHeader h;
    h.flags = qFromLittleEndian<quint32>(p + 4);
    const quint32 width = qFromLittleEndian<quint32>(p + 8);
    const quint32 height = qFromLittleEndian<quint32>(p + 12);
    h.length = qFromLittleEndian<quint32>(p + 16);
    if ((h.flags & ~(kFit | kSameBytes)) != 0 || width == 0 || height == 0 || width > 65535 || height > 65535)
        return std::nullopt;
    if (!(h.flags & kFit) && qint64(width) * height > kMaxReplyPixels)
        return std::nullopt;
    if ((h.flags & kSameBytes) ? h.length != 0 : (h.length == 0 || h.length > kMaxInputBytes))
        return std::nullopt;
    h.size = QSize(int(width), int(height));
    return h;
}

inline QByteArray encodeReplyStatus(ReplyStatus status)
{
    QByteArray out(kReplyStatusBytes, '\0');
    qToLittleEndian<quint32>(quint32(status), out.data());
    return out;
}

// Twips travel as whole thousandths.
inline QByteArray encodeReplyHeader(const ReplyHeader& h)
{
    QByteArray out(kReplyHeaderBytes, '\0');
    char* p = out.data();
    std::copy(kReplyMagic, kReplyMagic + 4, p);
    qToLittleEndian<quint32>(quint32(h.pixels.width()), p + 4);
    qToLittleEndian<quint32>(quint32(h.pixels.height()), p + 8);
    qToLittleEndian<quint32>(0, p + 12);
    qToLittleEndian<quint32>(quint32(qBound(0.0, h.naturalTwips.width() * 1000, 4e9)), p + 16);
    qToLittleEndian<quint32>(quint32(qBound(0.0, h.naturalTwips.height() * 1000, 4e9)), p + 20);
    return out;
}

// Empty when the bytes are no header this reader understands.
inline std::optional<ReplyHeader> decodeReplyHeader(const QByteArray& bytes)
{
    if (bytes.size() < kReplyHeaderBytes || !bytes.startsWith(kReplyMagic))
        return std::nullopt;
    const char* p = bytes.constData();
    const quint32 width = qFromLittleEndian<quint32>(p + 4);
    const quint32 height = qFromLittleEndian<quint32>(p + 8);
    if (width == 0 || height == 0 || width > 65535 || height > 65535 || qint64(width) * height > kMaxReplyPixels)
        return std::nullopt;
    const QSizeF natural(qFromLittleEndian<quint32>(p + 16) / 1000.0, qFromLittleEndian<quint32>(p + 20) / 1000.0);
    if (natural.isEmpty())
        return std::nullopt;
    return ReplyHeader{QSize(int(width), int(height)), natural};
}

// The size `fit W H` draws at: the aspect of `natural`, as large as fits.
inline QSize fittedSize(const QSizeF& natural, const QSize& box)
{
    if (natural.isEmpty() || box.isEmpty())
        return {};
    const QSizeF fitted = natural.scaled(QSizeF(box), Qt::KeepAspectRatio);
    return QSize(qMax(1, qRound(fitted.width())), qMax(1, qRound(fitted.height())));
}

} // namespace platform::metafile
