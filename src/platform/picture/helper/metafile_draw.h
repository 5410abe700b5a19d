#pragma once
// What the helper does with one metafile, apart from reading the request and
// writing the reply: so that the drawing can also run inside a fuzzer.
#include <QByteArray>
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

// Draws a WMF or EMF as asked. For an EMF it sets up a QGuiApplication when
// there is none yet, after libemf2svg has done its part (see emf_render.h).
Outcome drawMetafile(const QByteArray& bytes, const Request& request, Drawing* out);

} // namespace metafile_helper
