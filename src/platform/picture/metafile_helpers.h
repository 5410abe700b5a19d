#pragma once
// The metafile helpers the reader keeps running (see metafile_protocol.h).
// A helper is started when a metafile is first drawn, serves one drawing
// after another, and ends with the program; one that fails, runs past its
// time or has drawn its share is ended and the next drawing gets a fresh
// one. Internal to the picture library.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QSizeF>
#include <optional>

namespace platform::detail {

struct MetafileDrawing {
    QImage image;
    QSizeF naturalTwips; // the size its author meant
};

// `metafile` drawn by a helper, fitted into `size` with its aspect or
// stretched to it, within `waitMs`. Empty when no helper can be started, or
// the helper fails, ends, runs past the wait or replies with anything but a
// picture. Any thread may ask: each drawing has a helper of its own while it
// runs, so no drawing waits behind another thread's.
std::optional<MetafileDrawing> drawInMetafileHelper(const QByteArray& metafile, bool fit, const QSize& size,
                                                    int waitMs);

} // namespace platform::detail
