#include "bench_util.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>

namespace bench {

bool writePhoto(const QString& path, const QSize& size, int seed, const PhotoDetail& detail)
{
    QImage img(size, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, size.width(), size.height());
    g.setColorAt(0, QColor::fromHsv(seed * 7 % 360, 120, 230));
    g.setColorAt(1, QColor::fromHsv(seed * 13 % 360, 200, 90));
    p.fillRect(img.rect(), g);
    QRandomGenerator rng(seed);
    for (int i = 0; i < detail.ellipses; ++i) {
        p.setBrush(QColor::fromRgb(rng.generate()));
        p.drawEllipse(rng.bounded(size.width()), rng.bounded(size.height()), rng.bounded(detail.largestEllipse),
                      rng.bounded(detail.largestEllipse));
    }
    p.end();
    return img.save(path, "JPG", detail.quality);
}

} // namespace bench
