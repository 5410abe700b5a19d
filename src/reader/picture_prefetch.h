#pragma once
// Pictures of the pages around the one on display, read and decoded on a
// worker thread at the size they will be shown, so that turning the page
// shows a ready picture. A picture is ready only for the file as it is on
// disk now and for the pane it was decoded for; anything else is read again.
#include "platform/picture/picture.h"
#include "reader/picture_view.h"

#include <QCache>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

namespace reader {

// How a page picture will be shown: fitted into this pane, on this screen.
struct ShowTarget {
    PaneSize pane;
    double twipsPerPixel = 15;
    double devicePixelRatio = 1;
    bool operator==(const ShowTarget& o) const
    {
        return pane.width == o.pane.width && pane.height == o.pane.height && pane.scaleWidth == o.pane.scaleWidth
               && pane.scaleHeight == o.pane.scaleHeight && twipsPerPixel == o.twipsPerPixel
               && devicePixelRatio == o.devicePixelRatio;
    }
};

// The device pixels a picture of this natural size takes once fitted, as the
// image control will ask for them when it paints.
QSize fittedDevicePixels(const QSizeF& naturalTwips, const ShowTarget& target);

class PicturePrefetcher : public QObject {
    Q_OBJECT
public:
    struct Wanted {
        QStringList files;
        ShowTarget target;
    };

    explicit PicturePrefetcher(QObject* parent = nullptr);
    ~PicturePrefetcher() override;

    // Where the wanted pictures come from when a prefetch is due.
    void setWantedSource(std::function<Wanted()> source) { wantedSource_ = std::move(source); }
    // A prefetch once the window has handled what is waiting, so that a burst
    // of page changes and resizes asks once.
    void schedule();
    // Keeps these pictures ready (decoding the missing ones in the background)
    // and lets go of every other, except the one last handed out.
    void prefetch(const Wanted& wanted);

    // The ready picture of this file for this target; nothing when it is not
    // ready, or the file changed on disk since it was read. A decode of it
    // already under way is waited for rather than repeated; one still queued
    // is dropped, as the caller decodes sooner than the queue would.
    std::optional<platform::Picture> take(const QString& file, const ShowTarget& target);

    // Off: nothing is kept or decoded, take() finds nothing.
    void setEnabled(bool on);
    bool isEnabled() const { return enabled_; }
    // No prefetch due, none waiting for a decode.
    bool isIdle() const { return !timer_.isActive() && running_ == 0; }
    int readyCount() const { return ready_.count(); }
    int hits() const { return hits_; }
    // Of the hits, those that waited for a decode under way.
    int adopted() const { return adopted_; }

    // The budget of decoded pictures and file data kept, in kilobytes.
    static constexpr int kBudgetKb = 128 * 1024;

signals:
    void pictureReady(const QString& file);

private:
    struct Entry {
        platform::Picture picture;
    };
    struct Job;
    static QString keyOf(const QString& absolutePath, const ShowTarget& target);
    void start(const QString& key, const QString& absolutePath, const ShowTarget& target);
    void finished(const QString& key, const QString& absolutePath, const std::shared_ptr<Job>& job);
    std::optional<platform::Picture> adopt(const QString& key);
    static void cancel(Job& job);

    std::function<Wanted()> wantedSource_;
    QTimer timer_;
    QThreadPool pool_;
    QCache<QString, Entry> ready_;
    // Decodes still wanted, by key.
    QHash<QString, std::shared_ptr<Job>> pending_;
    // Not to be tried again while the file is unchanged: no picture, a
    // metafile, or more than the whole budget.
    QSet<QString> skipped_;
    QString lastTaken_;
    int running_ = 0;  // jobs queued or running, wanted or not
    int hits_ = 0;
    int adopted_ = 0;
    bool enabled_ = true;
};

} // namespace reader
