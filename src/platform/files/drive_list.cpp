#include "platform/files/drive_list.h"

#include "platform/core/error.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QStorageInfo>

namespace platform {

namespace {
constexpr int kMountPointRole = Qt::UserRole + 1;

bool isMediaMount(const QString& root)
{
    for (const char* prefix : {"/media/", "/run/media/", "/mnt/"})
        if (root.startsWith(QLatin1String(prefix)))
            return true;
    return false;
}

bool holds(const QString& root, const QString& folder)
{
    if (root == QLatin1String("/"))
        return folder.startsWith(QLatin1Char('/'));
    return folder == root || folder.startsWith(root + QLatin1Char('/'));
}
}

QList<Drive> mountedDrives()
{
    QList<Drive> drives{{QStringLiteral("/"), QStringLiteral("/")}};
    const QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo& v : volumes) {
        const QString root = v.rootPath();
        if (!v.isValid() || !isMediaMount(root))
            continue;
        const QString name = v.displayName();
        drives.append({root, name.isEmpty() || name == root ? root : QStringLiteral("%1 [%2]").arg(root, name), true});
    }
    const QString home = QDir::homePath();
    if (home != QLatin1String("/"))
        drives.append({home, QStringLiteral("%1 [主文件夹]").arg(home)});
    return drives;
}

DriveList::DriveList(QWidget* parent) : QComboBox(parent), source_(&mountedDrives)
{
    setEditable(false);
    // Only a choice the user makes is a change; filling the list is not.
    connect(this, &QComboBox::activated, this, &DriveList::change);
    refresh();
}

void DriveList::setSource(Source source)
{
    source_ = std::move(source);
    refresh();
}

void DriveList::refresh()
{
    const QString chosen = drive();
    const QSignalBlocker quiet(this);
    clear();
    for (const Drive& d : source_()) {
        addItem(d.caption, d.root);
        setItemData(count() - 1, d.mountPoint, kMountPointRole);
    }
    const int again = findData(chosen);
    setCurrentIndex(again >= 0 ? again : 0);
}

QString DriveList::drive() const { return currentData().toString(); }

void DriveList::checkReady() const
{
    const QString root = drive();
    const QFileInfo info(root);
    const bool readable = !root.isEmpty() && info.isDir() && info.isReadable() && info.isExecutable();
    const bool mounted = !currentData(kMountPointRole).toBool() || QStorageInfo(root).rootPath() == root;
    if (!readable || !mounted)
        throw Error(errc::DeviceUnavailable, QStringLiteral("设备未准备好: %1").arg(root));
}

void DriveList::showDriveOf(const QString& folder)
{
    int best = -1;
    int bestLength = -1;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i).toString();
        if (holds(root, folder) && root.size() > bestLength) {
            best = i;
            bestLength = static_cast<int>(root.size());
        }
    }
    const QSignalBlocker quiet(this);
    if (best >= 0)
        setCurrentIndex(best);
}

void DriveList::showPopup()
{
    // Media plugged in while the window was open show up when the list is opened.
    refresh();
    QComboBox::showPopup();
}

} // namespace platform
