// aurelis-metafile: draws one WMF or EMF for the reader, in a process of its
// own, under limits on memory and processor time. The request and the reply
// are described in metafile_protocol.h.
#include "metafile_draw.h"
#include "platform/picture/metafile_protocol.h"
#include "sandbox.h"

#include <QImage>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>

// Built with AddressSanitizer (gcc says so by a macro, clang by a feature).
#if defined(__SANITIZE_ADDRESS__)
#define AURELIS_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define AURELIS_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

using namespace platform::metafile;
using metafile_helper::Request;

enum Exit { Drawn = 0, BadRequest = 2, NotAMetafile = 3, Undrawable = 4, WriteFailed = 5 };
// The answers to probe-open.
enum Probe { ProbeRefused = 0, ProbeOpened = 7, ProbeNoSandbox = 8, ProbeSanitized = 9 };

void limitResources()
{
    const rlimit cpu{rlim_t(kCpuSeconds), rlim_t(kCpuSeconds + 1)};
    const rlimit noCore{0, 0};
#ifndef AURELIS_ADDRESS_SANITIZER
    // Under AddressSanitizer the shadow memory alone reserves terabytes of
    // address space; its allocator keeps the bound instead (see below).
    const rlimit memory{rlim_t(kAddressSpaceBytes), rlim_t(kAddressSpaceBytes)};
    setrlimit(RLIMIT_AS, &memory);
#endif
    setrlimit(RLIMIT_CPU, &cpu);
    setrlimit(RLIMIT_CORE, &noCore);
}

std::optional<Request> parseRequest(int argc, char** argv)
{
    if (argc != 4)
        return std::nullopt;
    Request r;
    if (std::strcmp(argv[1], "fit") == 0)
        r.fit = true;
    else if (std::strcmp(argv[1], "size") != 0)
        return std::nullopt;
    bool okW = false;
    bool okH = false;
    r.size = QSize(QByteArray(argv[2]).toInt(&okW), QByteArray(argv[3]).toInt(&okH));
    if (!okW || !okH || r.size.isEmpty() || r.size.width() > 65535 || r.size.height() > 65535)
        return std::nullopt;
    if (!r.fit && qint64(r.size.width()) * r.size.height() > kMaxReplyPixels)
        return std::nullopt;
    return r;
}

// The metafile, or empty when it is larger than any metafile a book holds.
QByteArray readInput()
{
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n == 0)
            return bytes;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return {};
        }
        bytes.append(buffer, n);
        if (bytes.size() > kMaxInputBytes)
            return {};
    }
}

bool writeAll(const char* data, qint64 length)
{
    while (length > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, size_t(qMin<qint64>(length, 1 << 20)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        length -= n;
    }
    return true;
}

int reply(const QImage& drawn, const QSizeF& natural)
{
    if (drawn.isNull())
        return Undrawable;
    const QImage image = drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QByteArray header = encodeReplyHeader({image.size(), natural});
    if (!writeAll(header.constData(), header.size()))
        return WriteFailed;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    // The words are little-endian already, and the rows lie end to end.
    if (!writeAll(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()))
        return WriteFailed;
#else
    QByteArray row(qsizetype(image.width()) * 4, Qt::Uninitialized);
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            qToLittleEndian<quint32>(line[x], row.data() + 4 * x);
        if (!writeAll(row.constData(), row.size()))
            return WriteFailed;
    }
#endif
    return Drawn;
}

} // namespace

#ifdef AURELIS_ADDRESS_SANITIZER
// The sanitizer's allocator in place of the address-space limit: what a
// limited malloc would refuse comes back null, as it does in the release
// build, instead of ending the helper with an out-of-memory report.
static_assert(kAddressSpaceBytes == qint64(1536) * 1024 * 1024, "the options below repeat the limit");
extern "C" const char* __asan_default_options()
{
    return "allocator_may_return_null=1:max_allocation_size_mb=1536:soft_rss_limit_mb=1536";
}
#endif

namespace {

// Everything the helper opens, it opens before it reads the metafile with a
// foreign decoder; from then on it can read fonts and nothing else. Under
// the sanitizers it stays open: their runtime writes its reports to files
// and runs a symbolizer, and a report it cannot write would be lost.
metafile_helper::Sandbox prepareAndForbidOpening(const QByteArray& bytes)
{
    const QByteArrayList readable = metafile_helper::prepareToDraw(bytes);
#ifdef AURELIS_ADDRESS_SANITIZER
    Q_UNUSED(readable);
    return metafile_helper::Sandbox::Unavailable;
#else
    return metafile_helper::forbidOpeningFiles(readable);
#endif
}

// For the tests only, and never asked for by the reader: "probe-open FILE"
// sets up as for the metafile on the standard input, then tries to read FILE.
int probeOpening(const char* file)
{
    const metafile_helper::Sandbox sandbox = prepareAndForbidOpening(readInput());
#ifdef AURELIS_ADDRESS_SANITIZER
    return ProbeSanitized;
#endif
    if (sandbox != metafile_helper::Sandbox::Applied)
        return ProbeNoSandbox;
    const int fd = ::open(file, O_RDONLY | O_CLOEXEC);
    if (fd >= 0)
        return ProbeOpened;
    return errno == EACCES ? ProbeRefused : ProbeOpened;
}

} // namespace

// libemf2svg ends fontconfig after its text, while Qt, set up before it,
// still holds fontconfig's fonts. The process ends after one picture, so
// the teardown is left out.
extern "C" void FcFini(void) {}

int main(int argc, char** argv)
{
    limitResources();
    if (argc == 3 && std::strcmp(argv[1], "probe-open") == 0)
        ::_exit(probeOpening(argv[2]));
    const std::optional<Request> request = parseRequest(argc, argv);
    if (!request)
        return BadRequest;
    const QByteArray bytes = readInput();
    prepareAndForbidOpening(bytes);
    metafile_helper::Drawing drawing;
    int result = NotAMetafile;
    switch (metafile_helper::drawMetafile(bytes, *request, &drawing)) {
    case metafile_helper::Outcome::Drawn:
        result = reply(drawing.image, drawing.naturalTwips);
        break;
    case metafile_helper::Outcome::Undrawable:
        result = Undrawable;
        break;
    case metafile_helper::Outcome::NotAMetafile:
        break;
    }
    // Nothing is left to tidy: the reply is written, and the decoders' and
    // Qt's teardown would only cost time.
    ::_exit(result);
}
