#pragma once
// The printer: a page drawn in twips from the top-left corner of the printable
// area, kept until the document ends. Then the zoom scales the whole page and
// it goes to the device the printer dialog chose (a printer, or a PDF file).
#include "platform/picture/picture.h"

#include <QImage>
#include <QRectF>
#include <memory>
#include <vector>

class QPrinter;

namespace platform {

class Printer {
public:
    Printer();
    ~Printer();
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    // Draws the picture at its size on paper: raster pictures by the resolution
    // their file declares (the screen's when they declare none, or one no picture
    // has), metafiles by their header. Throws platform::Error when there is no picture.
    void PaintPicture(const Picture& picture, double xTwips, double yTwips);

    // Percent; throws platform::Error for zero or less.
    void setZoom(int percent);
    int Zoom() const { return zoom_; }

    // Prints the page and forgets it. Throws platform::Error when the device
    // cannot take it (no printer, a PDF file that cannot be written).
    void EndDoc();
    // Forgets the page without printing it.
    void KillDoc();
    bool hasPendingPage() const { return !page_.empty(); }

    // The device the printer dialog sets up; made on first use, since looking
    // for printers takes a moment the program need not spend at start.
    QPrinter& device();

private:
    struct Drawing {
        Picture picture;
        QRectF twips;
    };
    std::vector<Drawing> page_;
    int zoom_ = 100;
    std::unique_ptr<QPrinter> device_;
};

} // namespace platform
