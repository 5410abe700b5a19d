// libFuzzer target: any bytes as a page's picture file, loaded, fitted,
// zoomed and shrunk. Metafiles go to the metafile helper of the build, as
// they do in the reader; what happens inside it is metafile_fuzz's part.
#include "fuzz_app.h"
#include "platform/core/program.h"
#include "platform/picture/picture_exercise.h"

#include <QFile>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz_app::start(argc, argv);
    platform::setHelperProgramFolder(QStringLiteral(AURELIS_HELPER_DIR));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzz_app::scratch(QStringLiteral("page.pic"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        fuzz_app::fail(QStringLiteral("cannot write %1").arg(path));
    file.close();
    if (const QString broken = picture_exercise::exercise(path); !broken.isEmpty())
        fuzz_app::fail(broken);
    return 0;
}
