#include "platform/files/dir_list.h"

#include "platform/core/error.h"
#include "platform/core/messagebox.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>

namespace platform {

namespace {
constexpr int kFolderRole = Qt::UserRole;
const QString kIndent = QStringLiteral("  ");
}

DirList::DirList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemDoubleClicked, this, &DirList::moveTo);
}

void DirList::setPath(const QString& folder)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir() || !info.isReadable() || !info.isExecutable() ||
        !QDir(folder).isReadable())
        throw Error(errc::DeviceUnavailable, QStringLiteral("设备不可用: %1").arg(folder));
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    const bool moved = clean != path_;
    path_ = clean;
    fill();
    if (moved)
        emit change();
}

QStringList DirList::lineFolders() const
{
    QStringList out;
    for (int i = 0; i < count(); ++i)
        out << item(i)->data(kFolderRole).toString();
    return out;
}

void DirList::fill()
{
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The path from the root down to the folder itself.
    QStringList chain;
    for (QDir d(path_);; ) {
        chain.prepend(d.absolutePath());
        if (d.isRoot() || !d.cdUp())
            break;
    }
    int depth = 0;
    for (const QString& folder : chain) {
        const QString name = QDir(folder).isRoot() ? folder : QFileInfo(folder).fileName();
        auto* line = new QListWidgetItem(open, kIndent.repeated(depth++) + name, this);
        line->setData(kFolderRole, folder);
    }
    setCurrentRow(count() - 1);

    const QDir here(path_);
    const QStringList subfolders = here.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : subfolders) {
        auto* line = new QListWidgetItem(closed, kIndent.repeated(depth) + name, this);
        line->setData(kFolderRole, here.filePath(name));
    }
}

void DirList::moveTo(QListWidgetItem* item)
{
    if (!item)
        return;
    try {
        setPath(item->data(kFolderRole).toString());
    } catch (const Error& e) {
        // A folder that went away or cannot be read: say so and stay.
        msgBox(e.description(), MsgButtons::OK, QString(), MsgIcon::Warning);
        fill();
    }
}

void DirList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        moveTo(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}

} // namespace platform
