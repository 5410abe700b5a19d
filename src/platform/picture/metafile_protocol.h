#pragma once
// How the reader and its metafile helper talk. The foreign WMF and EMF
// decoders run in a process of their own (aurelis-metafile): a crash, a
// runaway allocation or an endless loop there is a picture that failed to
// load, never the reader's end.
//
// Request: the helper's arguments are a mode and two numbers, and the
// metafile's bytes come on its standard input.
//   fit W H    draw at the largest size with the picture's aspect within W x H
//   size W H   draw at exactly W x H pixels (stretched)
// Reply, on standard output when the helper exits with status 0: a header of
// kReplyHeaderBytes, then width x height pixels, premultiplied ARGB32, rows
// top to bottom, each pixel a little-endian 32-bit word. Anything else (an
// exit status, a signal, a short or long reply) means the picture cannot be
// drawn.
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
// decoders with room to spare; the reader waits kTimeoutMs at most, then
// ends the helper.
constexpr qint64 kAddressSpaceBytes = qint64(1536) * 1024 * 1024;
constexpr int kCpuSeconds = 5;
constexpr int kTimeoutMs = 5000;

constexpr int kReplyHeaderBytes = 24;
constexpr char kReplyMagic[] = "AMF1";

struct ReplyHeader {
    QSize pixels;        // the picture drawn
    QSizeF naturalTwips; // the size its author meant
};

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
