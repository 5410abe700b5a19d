// libFuzzer target: any bytes as a book's catalogue file, read into the list
// the way the reader does, and the page files it names.
#include "fuzz_app.h"
#include "reader/catalogue_invariants.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz_app::start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QByteArray bytes = catalogue_invariants::catalogueFor(input);
    if (const QString broken = catalogue_invariants::check(bytes, fuzz_app::scratch(QStringLiteral("docitem.txt")));
        !broken.isEmpty())
        fuzz_app::fail(broken);
    return 0;
}
