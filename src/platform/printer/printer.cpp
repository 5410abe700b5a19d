#include "platform/printer/printer.h"

#include "platform/core/error.h"
#include "platform/core/program.h"
#include "platform/picture/picture.h"

#include <QPainter>
#include <QPrinter>
#include <algorithm>

namespace platform {

namespace {

// The picture as the screen shows it with stretching off: its pixels at the
// screen's twips a pixel (a metafile at its own frame). The resolution a file
// declares is ignored here as on screen, so the print matches what the reader
// sees, times the print scale.
QSizeF sizeOnPaperTwips(const Picture& picture)
{
    const QSizeF natural = picture.naturalTwips();
    if (natural.isEmpty())
        throw Error(errc::InvalidPicture);
    return natural;
}

QString cannotPrint(const QPrinter& printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        if (printer.outputFileName().isEmpty())
            return QStringLiteral("没有选择打印机");
        return QStringLiteral("无法写入打印文件 %1").arg(printer.outputFileName());
    }
    return QStringLiteral("打印机 %1 无法打印").arg(printer.printerName());
}

} // namespace

Printer::Printer() = default;
Printer::~Printer() = default;

QPrinter& Printer::device()
{
    if (!device_)
        device_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *device_;
}

void Printer::PaintPicture(const Picture& picture, double xTwips, double yTwips)
{
    if (picture.isNull())
        throw Error(errc::InvalidPicture);
    page_.push_back(Drawing{picture, QRectF(QPointF(xTwips, yTwips), sizeOnPaperTwips(picture))});
}

void Printer::setZoom(int percent)
{
    if (percent <= 0)
        throw Error(errc::InvalidPropertyValue);
    zoom_ = percent;
}

void Printer::KillDoc() { page_.clear(); }

void Printer::EndDoc()
{
    if (page_.empty())
        return;
    const std::vector<Drawing> page = std::move(page_);
    page_.clear();

    QPrinter& printer = device();
    QPainter painter;
    if (!painter.begin(&printer))
        throw Error(errc::PrinterError, cannotPrint(printer));

    // The zoom scales the page as a whole, the position of each drawing included.
    const double scale = zoom_ / 100.0;
    const double xUnits = printer.logicalDpiX() / kTwipsPerInch * scale;
    const double yUnits = printer.logicalDpiY() / kTwipsPerInch * scale;
    const QRectF area(0, 0, printer.width() / xUnits, printer.height() / yUnits);
    // A device that cannot make copies itself (a PDF file) gets one page per copy.
    const int sheets = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    for (int sheet = 0; sheet < sheets; ++sheet) {
        if (sheet > 0 && !printer.newPage())
            break;
        painter.save();
        painter.scale(xUnits, yUnits);
        painter.setClipRect(area);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        // What runs past the page is cut off there, never squeezed onto the paper;
        // only the part on the page is decoded, at the printer's size.
        for (const Drawing& d : page)
            d.picture.draw(painter, d.twips);
        painter.restore();
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        throw Error(errc::PrinterError, cannotPrint(printer));
}

} // namespace platform
