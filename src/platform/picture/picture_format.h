#pragma once
// What kind of picture a file holds, told from its first bytes rather than
// its name (books carry pictures renamed by hand), and the natural size that
// metafile headers declare.
#include <QByteArray>
#include <QRectF>
#include <QSizeF>
#include <optional>

namespace platform {

enum class PictureFormat { Unknown, Bmp, Gif, Jpeg, Png, Ico, Wmf, Emf };

// Enough leading bytes for every test below (the EMF header's device sizes end at 88).
constexpr int kPictureHeadBytes = 88;

PictureFormat sniffPictureFormat(const QByteArray& head);

// Lower-case short name ("bmp", "gif", "jpeg", "png", "ico", "wmf", "emf"); empty for Unknown.
QByteArray pictureFormatName(PictureFormat format);

// A WMF with the placeable header: its bounding box in twips, from the box and
// the header's units per inch. Empty without such a header or for a degenerate box.
std::optional<QSizeF> placeableWmfTwips(const QByteArray& head);

// Where an EMF's picture lies and how large it is meant to be.
struct EmfLayout {
    QSizeF twips;
    // The picture's rectangle in device pixels, relative to the top-left
    // corner of the header's bounds (the origin libemf2svg draws from).
    // Empty when the header has no usable reference device.
    QRectF picture;
};

// The frame (hundredths of a millimetre) is the picture, as the platform
// that made the file shows it. Some writers store a frame that misses most
// of what they drew (a flipped axis); then the bounds, the drawing's own
// extent in device pixels, are the picture. Empty when neither is usable.
std::optional<EmfLayout> emfLayout(const QByteArray& head);

} // namespace platform
