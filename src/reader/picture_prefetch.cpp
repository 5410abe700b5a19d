#include "reader/picture_prefetch.h"

#include "platform/core/error.h"
#include "platform/picture/picture_format.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <condition_variable>
#include <limits>
#include <mutex>

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

// One decode, shared by the worker that runs it and the window's thread,
// which may wait for it (take) or stop wanting it (cancelled).
struct PicturePrefetcher::Job {
    std::mutex mutex;
    std::condition_variable done;
    bool cancelled = false;
    bool started = false;
    bool finished = false;
    std::optional<platform::Picture> picture; // the worker's result, until the window's thread takes it
    int costKb = 0;
};

namespace {

// The picture of `path` as it will be shown on `target`, with what it holds
// in memory; nothing when it cannot be read or shown.
std::optional<platform::Picture> decodeForShowing(const QString& path, const ShowTarget& target, qint64* cost)
{
    *cost = 0;
    if (isMetafile(path))
        return std::nullopt;
    try {
        platform::Picture loaded = platform::Picture::load(path);
        const bool decodedWhole = loaded.decodeCount() > 0;
        const QSize shownSize = fittedDevicePixels(loaded.naturalTwips(), target);
        const qint64 shownBytes = loaded.image(shownSize).sizeInBytes();
        if (shownBytes <= 0)
            return std::nullopt;
        // What the picture holds: the file, the pixels shown and, unless
        // the decoder scaled while reading, the whole decoded picture.
        const QSize natural = loaded.naturalPixels();
        const bool scaledWhileReading =
            shownSize.width() * 2 <= natural.width() && shownSize.height() * 2 <= natural.height();
        *cost = QFileInfo(path).size() + shownBytes + (decodedWhole || !scaledWhileReading ? area(natural) * 4 : 0);
        return loaded;
    } catch (const platform::Error&) {
        // The page change reads it again and handles the failure as always.
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

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
    for (const auto& job : std::as_const(pending_))
        cancel(*job);
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
            cancel(*it.value());
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
    auto job = std::make_shared<Job>();
    pending_.insert(key, job);
    ++running_;
    // The job owns what it works on; the picture it makes is handed over
    // whole, under the job's lock, and never touched by the worker again.
    pool_.start([this, key, absolutePath, target, job] {
        {
            const std::lock_guard<std::mutex> lock(job->mutex);
            job->started = !job->cancelled;
        }
        std::optional<platform::Picture> picture;
        qint64 cost = 0;
        if (job->started)
            picture = decodeForShowing(absolutePath, target, &cost);
        {
            const std::lock_guard<std::mutex> lock(job->mutex);
            job->picture = std::move(picture);
            job->costKb = static_cast<int>(std::min<qint64>(cost / 1024 + 1, std::numeric_limits<int>::max()));
            job->finished = true;
        }
        job->done.notify_all();
        QMetaObject::invokeMethod(
            this, [this, key, absolutePath, job] { finished(key, absolutePath, job); }, Qt::QueuedConnection);
    });
}

void PicturePrefetcher::cancel(Job& job)
{
    const std::lock_guard<std::mutex> lock(job.mutex);
    job.cancelled = true;
}

void PicturePrefetcher::finished(const QString& key, const QString& absolutePath, const std::shared_ptr<Job>& job)
{
    --running_;
    // A result nobody waits for any more (the page moved on, the pane
    // changed, take() adopted it) is dropped.
    if (pending_.value(key) != job)
        return;
    pending_.remove(key);
    if (!enabled_)
        return;
    std::optional<platform::Picture> picture = std::move(job->picture);
    if (picture && ready_.insert(key, new Entry{*picture}, job->costKb))
        emit pictureReady(absolutePath);
    else
        skipped_.insert(key);
}

// The picture of a decode under way, once it is done. A decode still queued
// is given up: it would wait behind the others, and the caller reads the
// file at once.
std::optional<platform::Picture> PicturePrefetcher::adopt(const QString& key)
{
    const std::shared_ptr<Job> job = pending_.value(key);
    if (!job)
        return std::nullopt;
    pending_.remove(key);
    std::unique_lock<std::mutex> lock(job->mutex);
    if (!job->started) {
        job->cancelled = true;
        return std::nullopt;
    }
    job->done.wait(lock, [&] { return job->finished; });
    std::optional<platform::Picture> picture = std::move(job->picture);
    if (picture && ready_.insert(key, new Entry{*picture}, job->costKb))
        ++adopted_;
    return picture;
}

std::optional<platform::Picture> PicturePrefetcher::take(const QString& file, const ShowTarget& target)
{
    if (!enabled_ || file.isEmpty())
        return std::nullopt;
    const QString key = keyOf(QFileInfo(file).absoluteFilePath(), target);
    if (key.isEmpty())
        return std::nullopt;
    std::optional<platform::Picture> picture;
    if (const Entry* entry = ready_.object(key))
        picture = entry->picture;
    else
        picture = adopt(key);
    if (!picture)
        return std::nullopt;
    lastTaken_ = key;
    ++hits_;
    return picture;
}

void PicturePrefetcher::setEnabled(bool on)
{
    enabled_ = on;
    if (on)
        return;
    timer_.stop();
    for (const auto& job : std::as_const(pending_))
        cancel(*job);
    pending_.clear();
    ready_.clear();
    skipped_.clear();
    lastTaken_.clear();
}

} // namespace reader
