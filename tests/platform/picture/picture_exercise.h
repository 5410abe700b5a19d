#pragma once
// A picture file used as the reader uses one: loaded for a window, fitted,
// zoomed so that only a corner shows, shrunk. The picture fuzzer does this
// with every input it makes, and a test with every input it kept.
#include "platform/core/error.h"
#include "platform/picture/picture.h"

#include <QImage>
#include <QPainter>

namespace picture_exercise {

// Empty when the file loads and draws or is refused as an invalid picture;
// otherwise what went wrong.
inline QString exercise(const QString& path)
{
    try {
        const platform::Picture picture = platform::Picture::load(path, QSize(320, 240));
        const QSize natural = picture.naturalPixels();
        if (picture.isNull() || natural.isEmpty() || !(picture.naturalTwips().width() > 0)
            || !(picture.naturalTwips().height() > 0) || picture.format().isEmpty())
            return QStringLiteral("loaded as %1, %2 x %3 pixels")
                .arg(QString::fromLatin1(picture.format()))
                .arg(natural.width())
                .arg(natural.height());
        picture.image(QSize(160, 120));
        QImage canvas(64, 48, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        picture.draw(painter, QRectF(-40, -30, natural.width() * 3.0, natural.height() * 3.0));
        picture.draw(painter, QRectF(canvas.rect()));
    } catch (const platform::Error& e) {
        if (e.number() != platform::errc::InvalidPicture)
            return QStringLiteral("error %1: %2").arg(e.number()).arg(e.description());
    }
    return {};
}

} // namespace picture_exercise
