#pragma once
// What the helper does with one metafile, apart from reading the request and
// writing the reply: so that the drawing can also run inside a fuzzer.
#include <QByteArray>
#include <QByteArrayList>
#include <QImage>
#include <QSize>
#include <QSizeF>

namespace metafile_helper {

struct Request {
    bool fit = false; // fit into size, keeping the aspect; otherwise stretch to it
    QSize size;
};

struct Drawing {
    QImage image;
    QSizeF naturalTwips;
};

enum class Outcome { Drawn, NotAMetafile, Undrawable };

// Opens what drawing these bytes needs beyond the bytes themselves: for an
// EMF, Qt's GUI module with its fonts and the picture readers for embedded
// bitmaps. Returns the folders drawing still reads afterwards, the fonts'
// (libwmf, libemf2svg and Qt open a font file when text first needs it).
QByteArrayList prepareToDraw(const QByteArray& bytes);

// Draws a WMF or EMF as asked; prepares it first when that was not done.
Outcome drawMetafile(const QByteArray& bytes, const Request& request, Drawing* out);

} // namespace metafile_helper
