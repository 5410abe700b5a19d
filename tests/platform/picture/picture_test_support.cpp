#include "picture_test_support.h"

#include "support/test_support.h"

#include <QBuffer>
#include <QImageWriter>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QtEndian>
#include <cstdlib>

namespace picture_testing {

QImage quadrants(int width, int height, QImage::Format kind)
{
    QImage image(width, height, QImage::Format_ARGB32);
    QPainter painter(&image);
    const int w = width / 2;
    const int h = height / 2;
    const bool alpha = QImage(1, 1, kind).hasAlphaChannel();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(0, 0, w, h, Qt::red);
    painter.fillRect(w, 0, width - w, h, QColor(0, 255, 0, alpha ? 128 : 255));
    painter.fillRect(w, h, width - w, height - h, QColor(0, 0, 255, alpha ? 0 : 255));
    painter.fillRect(0, h, w, height - h, Qt::yellow);
    painter.end();
    if (kind == QImage::Format_Mono)
        return image.convertToFormat(kind, {qRgb(255, 0, 0), qRgb(0, 0, 128)});
    QList<QRgb> table{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)};
    table.resize(256, qRgb(128, 128, 128));
    return kind == QImage::Format_Indexed8 ? image.convertToFormat(kind, table) : image.convertToFormat(kind);
}

QByteArray encode(const QImage& image, const char* format, int quality, bool progressive)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

QByteArray convertWithImageMagick(const QByteArray& png, const QStringList& arguments)
{
    // The program scripts/deps installs, not whatever else is on the path.
    const QString convert = QStringLiteral("/usr/bin/convert");
    if (!QFileInfo(convert).isExecutable())
        return {};
    QProcess process;
    process.start(convert, QStringList{QStringLiteral("png:-")} + arguments);
    process.write(png);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

QByteArray jpegWithOrientation(const QImage& image, int orientation)
{
    const QByteArray jpeg = encode(image, "JPEG");
    // TIFF block, little-endian: header, one IFD with the Orientation tag.
    QByteArray tiff("II*\0", 4);
    auto put16 = [&tiff](quint16 v) { char b[2]; qToLittleEndian(v, b); tiff.append(b, 2); };
    auto put32 = [&tiff](quint32 v) { char b[4]; qToLittleEndian(v, b); tiff.append(b, 4); };
    put32(8);              // first IFD right after the header
    put16(1);              // one entry
    put16(0x0112);         // Orientation
    put16(3);              // SHORT
    put32(1);              // one value
    put16(quint16(orientation));
    put16(0);              // padding of the 4-byte value field
    put32(0);              // no next IFD
    QByteArray app1 = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    char length[2];
    qToBigEndian(quint16(app1.size() + 2), length);
    segment.append(length, 2);
    segment.append(app1);
    // Right after the start-of-image marker.
    return jpeg.left(2) + segment + jpeg.mid(2);
}

bool near(QRgb pixel, const QColor& colour, int tolerance)
{
    return std::abs(qRed(pixel) - colour.red()) <= tolerance && std::abs(qGreen(pixel) - colour.green()) <= tolerance
           && std::abs(qBlue(pixel) - colour.blue()) <= tolerance;
}

} // namespace picture_testing
