#pragma once
// Pictures made on the spot for the picture tests.
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>

#include "support/test_support.h"

namespace picture_testing {

// A picture with distinct quadrants (red, green, blue, yellow from the top
// left, clockwise) so orientation and stretching can be checked, in any pixel
// kind: the four colours in a table of 256 (Format_Indexed8) or red and navy
// (Format_Mono); with alpha, green is half and blue fully transparent.
QImage quadrants(int width, int height, QImage::Format kind = QImage::Format_RGB32);

// Encodes an image in a format Qt writes ("PNG", "JPEG", "BMP", "ICO").
QByteArray encode(const QImage& image, const char* format, int quality = 90, bool progressive = false);

// A PNG as ImageMagick's convert rewrites it with `arguments`, e.g.
// {"-colorspace", "CMYK", "JPEG:-"}, for the kinds Qt cannot write; empty
// when convert is not installed or fails.
QByteArray convertWithImageMagick(const QByteArray& png, const QStringList& arguments);

// A JPEG whose EXIF block carries the given orientation (1..8).
QByteArray jpegWithOrientation(const QImage& image, int orientation);

// Whether a pixel is close to a colour.
bool near(QRgb pixel, const QColor& colour, int tolerance = 40);

using testing_support::corpusFile;

} // namespace picture_testing
