#pragma once
// A drive list: the volumes a user keeps books on (the root file system, mounted
// media) and the home folder, as a drop-down. Choosing one raises change.
#include <QComboBox>
#include <QList>
#include <functional>

namespace platform {

struct Drive {
    QString root;     // the folder the drive opens on
    QString caption;  // what the list shows
    bool mountPoint = false;  // ready only while something is mounted there
};

// The root file system, the media mounted under /media, /run/media and /mnt, and the home folder.
QList<Drive> mountedDrives();

class DriveList : public QComboBox {
    Q_OBJECT
public:
    using Source = std::function<QList<Drive>()>;
    explicit DriveList(QWidget* parent = nullptr);

    // Where the drives come from (tests give their own); the list is read again at once.
    void setSource(Source source);
    // Reads the drives again, keeping the chosen one when it is still there.
    void refresh();

    QString drive() const;
    // Throws platform::Error (device unavailable) when the chosen drive cannot be
    // read now: its medium was taken out, its folder is gone or closed to us.
    void checkReady() const;
    // Chooses the drive that holds the folder (the deepest one), without raising change.
    void showDriveOf(const QString& folder);

    void showPopup() override;

signals:
    void change();

private:
    Source source_;
};

} // namespace platform
