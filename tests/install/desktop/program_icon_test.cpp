// The programs' window icons: the small sizes are drawn apart, not scaled down.
#include "desktop/program_icon.h"

#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

namespace {

TEST(ProgramIcon, SmallSizesAreDrawnOnWholePixelsNotTheDrawingScaledDown)
{
    for (const char* id : {"org.aurelis.corvane", "org.aurelis.varnholt", "org.aurelis.meriton"}) {
        SCOPED_TRACE(id);
        const QIcon icon = desktop::programIcon(QString::fromLatin1(id));
        ASSERT_FALSE(icon.isNull());
        // A scaled-down drawing is a blur of half-covered pixels; the small
        // variants keep to whole pixels, each fully drawn or empty.
        for (const int size : {16, 24}) {
            SCOPED_TRACE(size);
            const QImage image = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
            const QImage blur = icon.pixmap(128, 128).toImage().scaled(size, size, Qt::IgnoreAspectRatio,
                                                                        Qt::SmoothTransformation);
            EXPECT_EQ(image.size(), QSize(size, size));
            EXPECT_NE(image, blur.convertToFormat(QImage::Format_ARGB32));
            int partial = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x) {
                    const int alpha = qAlpha(image.pixel(x, y));
                    partial += alpha != 0 && alpha != 255;
                }
            EXPECT_EQ(partial, 0);
        }
    }
    EXPECT_TRUE(desktop::programIcon(QStringLiteral("org.aurelis.unknown")).isNull());
}

} // namespace
