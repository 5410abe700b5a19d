#pragma once
// What the helper does with the metafiles it is given, apart from reading the
// requests and writing the replies: so that the drawing can also run inside
// a fuzzer.
#include <QByteArray>
#include <QByteArrayList>
#include <QImage>
#include <QSize>
#include <QSizeF>
#include <memory>

struct WmfDrawing;

namespace metafile_helper {

class EmfDrawing;

struct Request {
    bool fit = false; // fit into size, keeping the aspect; otherwise stretch to it
    QSize size;
};

struct Drawing {
    QImage image;
    QSizeF naturalTwips;
};

enum class Outcome { Drawn, NotAMetafile, Undrawable };

// Opens what drawing any metafile needs beyond its bytes: Qt's GUI module
// with its fonts and the picture readers for an EMF's embedded bitmaps, and
// the converters for an EMF's text. Returns the folders drawing still reads
// afterwards, the fonts' (libwmf, libemf2svg and Qt open a font file when
// text first needs it).
QByteArrayList prepareToDraw();

// Draws one metafile after another, keeping what it made of the last one for
// the next drawing of the same file at another size: libwmf's reading of a
// WMF, an EMF's SVG as Qt read it.
class Drawer {
public:
    Drawer();
    ~Drawer();
    Drawer(const Drawer&) = delete;
    Drawer& operator=(const Drawer&) = delete;

    // The file every drawing from now on is of.
    void setFile(const QByteArray& bytes);
    bool hasFile() const { return hasFile_; }
    // Draws the WMF or EMF as asked; prepares first when that was not done.
    Outcome draw(const Request& request, Drawing* out);

private:
    struct CloseWmf {
        void operator()(WmfDrawing* drawing) const;
    };
    Outcome drawWmfAgain(const Request& request, Drawing* out);

    QByteArray bytes_;
    bool hasFile_ = false;
    std::unique_ptr<WmfDrawing, CloseWmf> wmf_;
    std::unique_ptr<EmfDrawing> emf_;
    bool emfOpened_ = false; // emf_ holds what opening the file gave, nothing included
};

} // namespace metafile_helper
