// libFuzzer target: the metafile helper's drawing (libwmf, libemf2svg and
// Qt's SVG renderer) in the fuzzer's own process, where a crash is seen; in
// the reader such a crash only ends the helper. Run it with the helper's
// limits (see README): allocations past its address space fail instead of
// succeeding, and an input may take as long as the helper may run.
#include "fuzz_app.h"
#include "platform/core/windows_fonts.h"
#include "platform/picture/helper/metafile_draw.h"
#include "platform/picture/metafile_protocol.h"

#include <cstddef>
#include <cstdint>

// libemf2svg ends fontconfig after text drawn by glyph index, under Qt's
// feet: the teardown is left out here, as in the helper.
extern "C" void FcFini(void) {}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz_app::start(argc, argv);
    platform::substituteWindowsFonts();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // The request the reader makes first: fit into a window's picture box.
    const metafile_helper::Request request{true, QSize(320, 240)};
    // One drawer for both drawings, as the helper keeps what it made of a
    // file for the next size.
    metafile_helper::Drawer drawer;
    drawer.setFile(bytes);
    metafile_helper::Drawing drawing;
    if (drawer.draw(request, &drawing) == metafile_helper::Outcome::Drawn) {
        if (drawing.image.isNull() || drawing.image.width() > request.size.width()
            || drawing.image.height() > request.size.height())
            fuzz_app::fail(QStringLiteral("drew %1 x %2 to fit 320 x 240")
                               .arg(drawing.image.width())
                               .arg(drawing.image.height()));
        // What the reader receives: the header either reads back or is refused.
        const auto header = platform::metafile::decodeReplyHeader(
            platform::metafile::encodeReplyHeader({drawing.image.size(), drawing.naturalTwips}));
        if (header && header->pixels != drawing.image.size())
            fuzz_app::fail(QStringLiteral("reply header changed the size"));
        // Then the reader asks for sizes of its own (zoom, stretch): any shape.
        const QSize stretched(1 + int(size * 7 % 1024), 1 + int(size * 13 % 768));
        metafile_helper::Drawing again;
        if (drawer.draw({false, stretched}, &again) == metafile_helper::Outcome::Drawn
            && again.image.size() != stretched)
            fuzz_app::fail(QStringLiteral("asked for %1 x %2, drew %3 x %4")
                               .arg(stretched.width())
                               .arg(stretched.height())
                               .arg(again.image.width())
                               .arg(again.image.height()));
    }
    return 0;
}
