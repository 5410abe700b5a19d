#include "reader/picture_prefetch.h"

#include "platform/core/error.h"
#include "platform/picture/picture_format.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <limits>

namespace reader {

QSize fittedDevicePixels(const QSizeF& naturalTwips, const ShowTarget& target)
{
    const ImageBoxState natural{0, 0, static_cast<float>(naturalTwips.width()),
                                static_cast<float>(naturalTwips.height()), false};
    const ImageBoxState fit = fitPicture(natural, target.pane);
    // The image control is placed in whole pixels and paints at its device size.
    auto pixels = [&](float twips) { return static_cast<int>(std::lround(twips / target.twipsPerPixel)); };
    const QSize widget(pixels(fit.width), pixels(fit.height));
    return (QSizeF(widget) * target.devicePixelRatio).toSize();
}

namespace {

// The file as it is on disk now: a picture read from it stays good while this does.
QString fileIdentity(const QString& absolutePath)
{
    const QFileInfo info(absolutePath);
    if (!info.isFile())
        return {};
    return absolutePath + QLatin1Char('\n') + QString::number(info.size()) + QLatin1Char('\n')
           + QString::number(info.lastModified().toMSecsSinceEpoch());
}

// A metafile is drawn by the helper program for the box it is first fitted
// into, which only the page change knows: it is not drawn ahead.
bool isMetafile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const platform::PictureFormat format = platform::sniffPictureFormat(file.read(platform::kPictureHeadBytes));
    return format == platform::PictureFormat::Wmf || format == platform::PictureFormat::Emf;
}

qint64 area(const QSize& s) { return qint64(s.width()) * s.height(); }

} // namespace

PicturePrefetcher::PicturePrefetcher(QObject* parent) : QObject(parent), ready_(kBudgetKb)
{
    // One decode at a time: the window's thread keeps the other core.
    pool_.setMaxThreadCount(1);
    timer_.setSingleShot(true);
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (enabled_ && wantedSource_)
            prefetch(wantedSource_());
    });
}

PicturePrefetcher::~PicturePrefetcher()
{
    for (const auto& cancelled : std::as_const(pending_))
        cancelled->store(true);
    pool_.clear();
    pool_.waitForDone();
}

QString PicturePrefetcher::keyOf(const QString& absolutePath, const ShowTarget& target)
{
    const QString identity = fileIdentity(absolutePath);
    if (identity.isEmpty())
        return {};
    auto number = [](double v) { return QString::number(v, 'g', 17); };
    return identity + QLatin1Char('\n') + number(target.pane.width) + QLatin1Char('x') + number(target.pane.height)
           + QLatin1Char('/') + number(target.pane.scaleWidth) + QLatin1Char('x') + number(target.pane.scaleHeight)
           + QLatin1Char('@') + number(target.twipsPerPixel) + QLatin1Char('*') + number(target.devicePixelRatio);
}

void PicturePrefetcher::schedule()
{
    if (enabled_)
        timer_.start();
}

void PicturePrefetcher::prefetch(const Wanted& wanted)
{
    if (!enabled_)
        return;
    QStringList keys, paths;
    for (const QString& file : wanted.files) {
        if (file.isEmpty())
            continue;
        const QString path = QFileInfo(file).absoluteFilePath();
        const QString key = keyOf(path, wanted.target);
        if (!key.isEmpty() && !keys.contains(key)) {
            keys << key;
            paths << path;
        }
    }
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (keys.contains(it.key())) {
            ++it;
        } else {
            it.value()->store(true);
            it = pending_.erase(it);
        }
    }
    for (const QString& key : ready_.keys())
        if (!keys.contains(key) && key != lastTaken_)
            ready_.remove(key);
    for (auto it = skipped_.begin(); it != skipped_.end();)
        it = keys.contains(*it) ? std::next(it) : skipped_.erase(it);
    for (int i = 0; i < keys.size(); ++i)
        if (!ready_.contains(keys[i]) && !pending_.contains(keys[i]) && !skipped_.contains(keys[i]))
            start(keys[i], paths[i], wanted.target);
}

void PicturePrefetcher::start(const QString& key, const QString& absolutePath, const ShowTarget& target)
{
    auto cancelled = std::make_shared<std::atomic_bool>(false);
    pending_.insert(key, cancelled);
    ++running_;
    // The job owns what it works on; it hands the picture over to the window's
    // thread and never touches it again.
    pool_.start([this, key, absolutePath, target, cancelled] {
        std::optional<platform::Picture> picture;
        qint64 cost = 0;
        if (!cancelled->load() && !isMetafile(absolutePath)) {
            try {
                platform::Picture loaded = platform::Picture::load(absolutePath);
                const bool decodedWhole = loaded.decodeCount() > 0;
                const QSize shownSize = fittedDevicePixels(loaded.naturalTwips(), target);
                const qint64 shownBytes = loaded.image(shownSize).sizeInBytes();
                if (shownBytes > 0) {
                    // What the picture holds: the file, the pixels shown and, unless
                    // the decoder scaled while reading, the whole decoded picture.
                    const QSize natural = loaded.naturalPixels();
                    const bool scaledWhileReading =
                        shownSize.width() * 2 <= natural.width() && shownSize.height() * 2 <= natural.height();
                    cost = QFileInfo(absolutePath).size() + shownBytes
                           + (decodedWhole || !scaledWhileReading ? area(natural) * 4 : 0);
                    picture = std::move(loaded);
                }
            } catch (const platform::Error&) {
                // The page change reads it again and handles the failure as always.
            } catch (const std::exception&) {
            }
        }
        const int costKb = static_cast<int>(std::min<qint64>(cost / 1024 + 1, std::numeric_limits<int>::max()));
        // The picture goes over whole: from here on only the window's thread touches it.
        QMetaObject::invokeMethod(
            this,
            [this, key, absolutePath, picture = std::move(picture), costKb] {
                finished(key, absolutePath, picture, costKb);
            },
            Qt::QueuedConnection);
    });
}

void PicturePrefetcher::finished(const QString& key, const QString& absolutePath,
                                 std::optional<platform::Picture> picture, int costKb)
{
    --running_;
    // A result nobody waits for any more (the page moved on, the pane changed) is dropped.
    if (!pending_.contains(key))
        return;
    pending_.remove(key);
    if (!enabled_)
        return;
    if (picture && ready_.insert(key, new Entry{*picture}, costKb))
        emit pictureReady(absolutePath);
    else
        skipped_.insert(key);
}

std::optional<platform::Picture> PicturePrefetcher::take(const QString& file, const ShowTarget& target)
{
    if (!enabled_ || file.isEmpty())
        return std::nullopt;
    const QString key = keyOf(QFileInfo(file).absoluteFilePath(), target);
    if (key.isEmpty())
        return std::nullopt;
    const Entry* entry = ready_.object(key);
    if (!entry)
        return std::nullopt;
    lastTaken_ = key;
    ++hits_;
    return entry->picture;
}

void PicturePrefetcher::setEnabled(bool on)
{
    enabled_ = on;
    if (on)
        return;
    timer_.stop();
    for (const auto& cancelled : std::as_const(pending_))
        cancelled->store(true);
    pending_.clear();
    ready_.clear();
    skipped_.clear();
    lastTaken_.clear();
}

} // namespace reader
