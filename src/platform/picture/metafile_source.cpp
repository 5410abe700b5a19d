#include "platform/core/error.h"
#include "platform/picture/metafile_helpers.h"
#include "platform/picture/metafile_protocol.h"
#include "platform/picture/picture_source.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace platform::detail {

namespace {

[[noreturn]] void invalidPicture()
{
    throw Error(errc::InvalidPicture);
}

// The window waits while the helper draws, so a drawing gets this long: real
// metafiles draw in a fifth of it, even under a sanitizer. One that takes
// longer is no picture to show when it loads, and is stretched from the
// drawing before when zoomed.
constexpr int kWindowWaitMs = std::min(800, metafile::kTimeoutMs);

class MetafileSource final : public PictureSource {
public:
    MetafileSource(const QByteArray& bytes, PictureFormat format, const QSize& firstShowing)
        : bytes_(bytes), format_(format)
    {
        // One drawing for its first showing tells the picture's size too; a
        // file the helper cannot draw is no picture.
        std::optional<MetafileDrawing> first = drawInMetafileHelper(bytes_, true, firstShowing, kWindowWaitMs);
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
        const std::optional<MetafileDrawing> drawn = drawInMetafileHelper(bytes_, false, size, kWindowWaitMs);
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
