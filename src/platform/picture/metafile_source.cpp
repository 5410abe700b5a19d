#include "platform/core/error.h"
#include "platform/core/program.h"
#include "platform/picture/metafile_protocol.h"
#include "platform/picture/picture_source.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

namespace platform::detail {

namespace {

[[noreturn]] void invalidPicture()
{
    throw Error(errc::InvalidPicture);
}

struct Drawing {
    QImage image;
    QSizeF naturalTwips;
};

// The reply's pixels, when there are exactly as many as its header says.
std::optional<Drawing> readReply(const QByteArray& reply)
{
    const std::optional<metafile::ReplyHeader> header = metafile::decodeReplyHeader(reply);
    if (!header)
        return std::nullopt;
    const QSize size = header->pixels;
    if (reply.size() != metafile::kReplyHeaderBytes + qint64(size.width()) * size.height() * 4)
        return std::nullopt;
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return std::nullopt;
    const char* pixels = reply.constData() + metafile::kReplyHeaderBytes;
    const qsizetype rowBytes = qsizetype(size.width()) * 4;
    for (int y = 0; y < size.height(); ++y) {
        const char* row = pixels + y * rowBytes;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        std::memcpy(image.scanLine(y), row, size_t(rowBytes));
#else
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qFromLittleEndian<quint32>(row + 4 * x);
#endif
    }
    return Drawing{image, header->naturalTwips};
}

// The window waits while the helper draws, so a drawing gets this long: real
// metafiles draw in a fifth of it, even under a sanitizer. One that takes
// longer is no picture to show when it loads, and is stretched from the
// drawing before when zoomed.
constexpr int kWindowWaitMs = std::min(800, metafile::kTimeoutMs);

// One run of the helper, started directly (no shell). Empty when it cannot
// be started, fails, crashes, runs past its time or replies with anything
// but a picture.
std::optional<Drawing> drawInHelper(const QByteArray& metafile, const char* mode, const QSize& size)
{
    // Started in an empty folder of its own, not in the book: no name the
    // helper meets can lead to a file of the book.
    const QTemporaryDir emptyFolder;
    QProcess helper;
    if (emptyFolder.isValid())
        helper.setWorkingDirectory(emptyFolder.path());
    helper.setProgram(helperProgramPath(QString::fromLatin1(metafile::kHelperName)));
    helper.setArguments({QString::fromLatin1(mode), QString::number(size.width()), QString::number(size.height())});
    helper.setStandardErrorFile(QProcess::nullDevice());
    const QDeadlineTimer deadline(kWindowWaitMs);
    helper.start(QIODevice::ReadWrite);
    if (!helper.waitForStarted(int(deadline.remainingTime())))
        return std::nullopt;
    helper.write(metafile);
    helper.closeWriteChannel();

    constexpr qint64 kLongestReply = metafile::kReplyHeaderBytes + metafile::kMaxReplyPixels * 4;
    QByteArray reply;
    while (helper.state() != QProcess::NotRunning && reply.size() <= kLongestReply && !deadline.hasExpired()) {
        helper.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        reply += helper.readAllStandardOutput();
    }
    if (helper.state() != QProcess::NotRunning) {
        helper.kill();
        helper.waitForFinished(-1);
        return std::nullopt;
    }
    reply += helper.readAllStandardOutput();
    if (helper.exitStatus() != QProcess::NormalExit || helper.exitCode() != 0)
        return std::nullopt;
    return readReply(reply);
}

class MetafileSource final : public PictureSource {
public:
    MetafileSource(const QByteArray& bytes, PictureFormat format, const QSize& firstShowing)
        : bytes_(bytes), format_(format)
    {
        // One start draws the picture for its first showing and tells its
        // size; a file the helper cannot draw is no picture.
        std::optional<Drawing> first = drawInHelper(bytes_, "fit", firstShowing);
        if (!first)
            invalidPicture();
        natural_ = first->naturalTwips;
        first_ = first->image;
    }

    PictureFormat format() const override { return format_; }
    bool isVector() const override { return true; }
    QSizeF naturalTwips() const override { return natural_; }
    bool rendersCheaperWhenSmaller() const override { return true; }
    QImage takeFirstPixels() override { return std::exchange(first_, QImage()); }

    QImage render(const QSize& size) const override
    {
        if (size.isEmpty() || qint64(size.width()) * size.height() > metafile::kMaxReplyPixels)
            return {};
        const std::optional<Drawing> drawn = drawInHelper(bytes_, "size", size);
        return drawn ? drawn->image : QImage();
    }

private:
    QByteArray bytes_;
    PictureFormat format_;
    QSizeF natural_;
    QImage first_;
};

} // namespace

std::unique_ptr<PictureSource> openMetafile(const QByteArray& bytes, PictureFormat format, const QSize& firstShowing)
{
    return std::make_unique<MetafileSource>(bytes, format, firstShowing);
}

} // namespace platform::detail
