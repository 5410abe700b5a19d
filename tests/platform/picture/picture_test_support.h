#pragma once
// Pictures made on the spot for the picture tests.
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

namespace picture_testing {

// A picture with distinct quadrants (red, green, blue, yellow from the top
// left, clockwise) so orientation and stretching can be checked.
QImage quadrants(int width, int height);

// Encodes an image in a format Qt writes ("PNG", "JPEG", "BMP").
QByteArray encode(const QImage& image, const char* format, int quality = 90);

// A JPEG whose EXIF block carries the given orientation (1..8).
QByteArray jpegWithOrientation(const QImage& image, int orientation);

// Whether a pixel is close to a colour.
bool near(QRgb pixel, const QColor& colour, int tolerance = 40);

QString corpusFile(const QString& relative);

} // namespace picture_testing
