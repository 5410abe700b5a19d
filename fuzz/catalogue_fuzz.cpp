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
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // An input that starts with 0x01 is repeated to just below or past the
    // catalogue's size bound (the next byte says how far): the reading loop
    // then meets its row limit, and the bound itself.
    if (bytes.size() >= 3 && bytes.at(0) == '\x01') {
        const qint64 length = reader::kMaxCatalogueBytes - 8 + static_cast<unsigned char>(bytes.at(1)) % 16;
        const QByteArray unit = bytes.mid(2);
        bytes = unit.repeated(length / unit.size() + 1).left(length);
    }
    if (const QString broken = catalogue_invariants::check(bytes, fuzz_app::scratch(QStringLiteral("docitem.txt")));
        !broken.isEmpty())
        fuzz_app::fail(broken);
    return 0;
}
