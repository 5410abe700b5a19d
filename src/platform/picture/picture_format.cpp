#include "platform/picture/picture_format.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace platform {

namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kTwipsPerMillimetre = kTwipsPerInch / 25.4;

bool startsWith(const QByteArray& head, const char* magic, int length)
{
    return head.size() >= length && std::equal(magic, magic + length, head.constData());
}

quint16 u16At(const QByteArray& head, int offset)
{
    return qFromLittleEndian<quint16>(head.constData() + offset);
}

qint16 s16At(const QByteArray& head, int offset)
{
    return qFromLittleEndian<qint16>(head.constData() + offset);
}

quint32 u32At(const QByteArray& head, int offset)
{
    return qFromLittleEndian<quint32>(head.constData() + offset);
}

qint32 s32At(const QByteArray& head, int offset)
{
    return qFromLittleEndian<qint32>(head.constData() + offset);
}

constexpr quint32 kPlaceableKey = 0x9AC6CDD7;
constexpr quint32 kEmfHeaderRecord = 1;
constexpr quint32 kEmfSignature = 0x464D4520; // " EMF"

bool isPlaceableWmf(const QByteArray& head)
{
    return head.size() >= 22 && u32At(head, 0) == kPlaceableKey;
}

// The header of a metafile without the placeable prefix: type (memory or
// disk), header size in words (always 9), version 1.0 or 3.0.
bool isStandardWmf(const QByteArray& head)
{
    if (head.size() < 18)
        return false;
    const quint16 type = u16At(head, 0);
    const quint16 headerWords = u16At(head, 2);
    const quint16 version = u16At(head, 4);
    return (type == 1 || type == 2) && headerWords == 9 && (version == 0x0100 || version == 0x0300);
}

bool isEmf(const QByteArray& head)
{
    return head.size() >= 44 && u32At(head, 0) == kEmfHeaderRecord && u32At(head, 40) == kEmfSignature;
}

// Icons and cursors: reserved 0, type 1 or 2, at least one entry.
bool isIco(const QByteArray& head)
{
    if (head.size() < 6)
        return false;
    const quint16 type = u16At(head, 2);
    return u16At(head, 0) == 0 && (type == 1 || type == 2) && u16At(head, 4) > 0;
}

std::optional<QSizeF> positive(double width, double height)
{
    if (!(width > 0) || !(height > 0) || !std::isfinite(width) || !std::isfinite(height))
        return std::nullopt;
    return QSizeF(width, height);
}

} // namespace

PictureFormat sniffPictureFormat(const QByteArray& head)
{
    if (startsWith(head, "\xFF\xD8\xFF", 3))
        return PictureFormat::Jpeg;
    if (startsWith(head, "\x89PNG\r\n\x1A\n", 8))
        return PictureFormat::Png;
    if (startsWith(head, "GIF87a", 6) || startsWith(head, "GIF89a", 6))
        return PictureFormat::Gif;
    if (startsWith(head, "BM", 2))
        return PictureFormat::Bmp;
    if (isPlaceableWmf(head) || isStandardWmf(head))
        return PictureFormat::Wmf;
    if (isEmf(head))
        return PictureFormat::Emf;
    if (isIco(head))
        return PictureFormat::Ico;
    return PictureFormat::Unknown;
}

QByteArray pictureFormatName(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Bmp: return "bmp";
    case PictureFormat::Gif: return "gif";
    case PictureFormat::Jpeg: return "jpeg";
    case PictureFormat::Png: return "png";
    case PictureFormat::Ico: return "ico";
    case PictureFormat::Wmf: return "wmf";
    case PictureFormat::Emf: return "emf";
    case PictureFormat::Unknown: break;
    }
    return {};
}

std::optional<QSizeF> placeableWmfTwips(const QByteArray& head)
{
    if (!isPlaceableWmf(head))
        return std::nullopt;
    const int left = s16At(head, 6);
    const int top = s16At(head, 8);
    const int right = s16At(head, 10);
    const int bottom = s16At(head, 12);
    const int unitsPerInch = u16At(head, 14);
    if (unitsPerInch == 0)
        return std::nullopt;
    const double scale = kTwipsPerInch / unitsPerInch;
    return positive(std::abs(right - left) * scale, std::abs(bottom - top) * scale);
}

std::optional<EmfLayout> emfLayout(const QByteArray& head)
{
    if (!isEmf(head) || head.size() < 88)
        return std::nullopt;
    // Bounds: device pixels at offset 8; frame: 0.01 mm at 24; the reference
    // device's size in pixels at 72 and in millimetres at 80.
    const QRectF bounds(QPointF(s32At(head, 8), s32At(head, 12)), QPointF(s32At(head, 16), s32At(head, 20)));
    const QRectF frameMm(QPointF(s32At(head, 24) / 100.0, s32At(head, 28) / 100.0),
                         QPointF(s32At(head, 32) / 100.0, s32At(head, 36) / 100.0));
    const double pixelsPerMmX = double(s32At(head, 72)) / s32At(head, 80);
    const double pixelsPerMmY = double(s32At(head, 76)) / s32At(head, 84);
    const bool deviceKnown = s32At(head, 72) > 0 && s32At(head, 76) > 0 && s32At(head, 80) > 0
                             && s32At(head, 84) > 0;

    if (!deviceKnown) {
        if (auto twips = positive(frameMm.width() * kTwipsPerMillimetre, frameMm.height() * kTwipsPerMillimetre))
            return EmfLayout{*twips, QRectF()};
        return std::nullopt;
    }

    const QRectF frame(frameMm.left() * pixelsPerMmX, frameMm.top() * pixelsPerMmY,
                       frameMm.width() * pixelsPerMmX, frameMm.height() * pixelsPerMmY);
    const auto area = [](const QRectF& r) { return r.isValid() ? r.width() * r.height() : 0.0; };
    const bool frameHoldsDrawing = frame.isValid()
                                   && (area(bounds) == 0 || area(frame & bounds) >= 0.5 * area(bounds));
    const QRectF picture = frameHoldsDrawing ? frame : bounds;
    const auto twips = positive(picture.width() / pixelsPerMmX * kTwipsPerMillimetre,
                                picture.height() / pixelsPerMmY * kTwipsPerMillimetre);
    if (!twips)
        return std::nullopt;
    const QPointF origin = bounds.isValid() ? bounds.topLeft() : QPointF(0, 0);
    return EmfLayout{*twips, picture.translated(-origin)};
}

} // namespace platform
