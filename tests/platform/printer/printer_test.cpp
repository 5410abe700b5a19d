// The printer measured on paper: each page goes to a PDF file, poppler draws
// it, and the picture's box is found on the drawn page.
#include "platform/core/error.h"
#include "platform/core/program.h"
#include "platform/picture/picture.h"
#include "platform/printer/printer.h"
#include "support/test_support.h"

#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <gtest/gtest.h>
#include <functional>

using platform::Picture;
using platform::Printer;

namespace {

constexpr int kDpi = 96;            // the drawn page: one pixel a 96th of an inch
constexpr double kMargin = 0.5;     // inches, on every side
constexpr double kA4Width = 210 / 25.4;

// A4 with half-inch margins into a PDF file, as the printer dialog leaves the device.
void toPdf(Printer& printer, const QString& file)
{
    QPrinter& device = printer.device();
    device.setOutputFormat(QPrinter::PdfFormat);
    device.setOutputFileName(file);
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(kMargin, kMargin, kMargin, kMargin), QPageLayout::Inch));
}

// Red left half, blue right half: a squeezed picture would show its blue half.
QImage halves(int width, int height, int dotsPerMetre)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height, Qt::red);
    painter.fillRect(width / 2, 0, width - width / 2, height, Qt::blue);
    painter.end();
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    return image;
}

QString save(const testing_support::TempWorkDir& dir, const QImage& image, const char* name)
{
    const QString path = dir.file(QString::fromLatin1(name));
    EXPECT_TRUE(image.save(path));
    return path;
}

int countBlue(const QImage& page)
{
    int n = 0;
    const QImage img = page.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            n += qBlue(p) > 180 && qRed(p) < 80;
        }
    return n;
}

} // namespace

TEST(Printer, PrintsPicturesAtTheirNaturalSizeTimesTheZoom)
{
    testing_support::TempWorkDir dir;
    const double screenInchesPerPixel = platform::twipsPerPixel() / platform::kTwipsPerInch;
    struct Case {
        const char* name;
        std::function<QString()> file;
        int zoom;
        QSizeF inches;  // on paper at 100 %: as on screen unstretched, whatever the file declares
        bool runsPastThePage = false;
    };
    const Case cases[] = {
        {"96 dpi png", [&] { return save(dir, halves(240, 120, 3780), "a.png"); }, 100,
         QSizeF(240, 120) * screenInchesPerPixel},
        {"96 dpi png at 150 %", [&] { return save(dir, halves(240, 120, 3780), "a.png"); }, 150,
         QSizeF(240, 120) * screenInchesPerPixel},
        {"72 dpi jpeg at 50 %", [&] { return save(dir, halves(144, 72, 2835), "b.jpg"); }, 50,
         QSizeF(144, 72) * screenInchesPerPixel},
        {"300 dpi bmp", [&] { return save(dir, halves(600, 300, 11811), "c.bmp"); }, 100,
         QSizeF(600, 300) * screenInchesPerPixel},
        {"bmp without a resolution",
         [&] {
             const QString path = save(dir, halves(192, 96, 3780), "d.bmp");
             QFile f(path);
             f.open(QIODevice::ReadWrite);
             f.seek(38);  // biXPelsPerMeter, biYPelsPerMeter
             f.write(QByteArray(8, '\0'));
             return path;
         },
         150, QSizeF(192, 96) * screenInchesPerPixel},
        {"png claiming one dot a metre", [&] { return save(dir, halves(192, 96, 1), "e.png"); }, 100,
         QSizeF(192, 96) * screenInchesPerPixel},
        {"wmf at 150 %",
         [&] { return testing_support::corpusDir() + QStringLiteral("/metafile/Pillow/drawing.wmf"); }, 150,
         QSizeF(1643, 1643) / platform::kTwipsPerInch},
        {"picture wider than the page at 150 %", [&] { return save(dir, halves(1500, 200, 3780), "f.png"); }, 150,
         {1500 / 96.0, 200 / 96.0}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString pdf = dir.file(QStringLiteral("out.pdf"));
        QFile::remove(pdf);
        Printer printer;
        toPdf(printer, pdf);
        printer.PaintPicture(Picture::load(c.file()), 10, 10);
        printer.setZoom(c.zoom);
        printer.EndDoc();
        EXPECT_FALSE(printer.hasPendingPage());

        const QImage page = testing_support::renderPdfPage(pdf, kDpi);
        ASSERT_FALSE(page.isNull()) << "pdftoppm could not draw the printed page";
        const QRect box = testing_support::inkBox(page);
        const double zoom = c.zoom / 100.0;
        // The zoom scales the whole page, the offset of 10 twips included.
        const double origin = (kMargin + 10 / platform::kTwipsPerInch * zoom) * kDpi;
        EXPECT_NEAR(box.left(), origin, 1.0);
        EXPECT_NEAR(box.top(), origin, 1.0);
        EXPECT_NEAR(box.height(), c.inches.height() * zoom * kDpi, 1.5);
        if (c.runsPastThePage) {
            // Cut at the printable area's right edge, not squeezed onto it.
            EXPECT_NEAR(box.right() + 1, (kA4Width - kMargin) * kDpi, 1.0);
            EXPECT_EQ(countBlue(page), 0);
        } else {
            EXPECT_NEAR(box.width(), c.inches.width() * zoom * kDpi, 1.5);
        }
    }
}

TEST(Printer, FailuresLeaveNoPageBehind)
{
    testing_support::TempWorkDir dir;
    const QString picture = dir.file(QStringLiteral("p.png"));
    ASSERT_TRUE(halves(40, 20, 3780).save(picture));

    Printer printer;
    try {
        printer.PaintPicture(Picture(), 10, 10);
        ADD_FAILURE() << "drawing no picture succeeded";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.number(), platform::errc::InvalidPicture);
        EXPECT_FALSE(e.description().isEmpty());
    }
    EXPECT_FALSE(printer.hasPendingPage());
    EXPECT_THROW(printer.setZoom(0), platform::Error);
    EXPECT_EQ(printer.Zoom(), 100);

    // A page dropped is not printed.
    const QString pdf = dir.file(QStringLiteral("out.pdf"));
    toPdf(printer, pdf);
    printer.PaintPicture(Picture::load(picture), 10, 10);
    printer.KillDoc();
    printer.EndDoc();
    EXPECT_FALSE(QFile::exists(pdf));

    // A file that cannot be written is reported, and the page is gone all the same.
    toPdf(printer, dir.file(QStringLiteral("no such folder/out.pdf")));
    printer.PaintPicture(Picture::load(picture), 10, 10);
    try {
        printer.EndDoc();
        ADD_FAILURE() << "printing into a missing folder succeeded";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.number(), platform::errc::PrinterError);
        EXPECT_TRUE(e.description().contains(QStringLiteral("out.pdf")));
    }
    EXPECT_FALSE(printer.hasPendingPage());

    // A device that cannot make copies gets a page for each.
    toPdf(printer, pdf);
    printer.device().setCopyCount(2);
    printer.PaintPicture(Picture::load(picture), 10, 10);
    printer.EndDoc();
    EXPECT_FALSE(testing_support::inkBox(testing_support::renderPdfPage(pdf, kDpi, 2)).isEmpty());
    EXPECT_TRUE(testing_support::renderPdfPage(pdf, kDpi, 3).isNull());
}
