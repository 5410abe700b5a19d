// libFuzzer target: any bytes as a text file (encoding guess, GBK table and
// iconv, UTF-8 and UTF-16, line reading) and as GBK written back.
#include "fuzz_app.h"
#include "platform/text/text_invariants.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz_app::start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const QString broken = text_invariants::check(bytes); !broken.isEmpty())
        fuzz_app::fail(broken);
    return 0;
}
