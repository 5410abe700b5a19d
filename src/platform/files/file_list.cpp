#include "platform/files/file_list.h"

#include <QDir>
#include <QKeyEvent>

namespace platform {

QStringList matchingFiles(const QString& folder, const QString& pattern)
{
    if (folder.isEmpty())
        return {};
    QDir dir(folder);
    // Without QDir::CaseSensitive the patterns ignore letter case: "*.jpg" finds "A.JPG".
    dir.setNameFilters(pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts));
    dir.setFilter(QDir::Files);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    return dir.entryList();
}

FileList::FileList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemClicked, this, &FileList::click);
}

void FileList::setPattern(const QString& pattern)
{
    pattern_ = pattern;
    refresh();
}

void FileList::setPath(const QString& folder)
{
    path_ = folder;
    refresh();
}

void FileList::refresh()
{
    clear();
    addItems(matchingFiles(path_, pattern_));
}

QString FileList::fileNameAt(int index) const
{
    const QListWidgetItem* line = item(index);
    return line ? line->text() : QString();
}

QString FileList::fileName() const
{
    const QListWidgetItem* line = currentItem();
    return line && line->isSelected() ? line->text() : QString();
}

void FileList::setListIndex(int index) { setCurrentRow(index); }

void FileList::keyPressEvent(QKeyEvent* event)
{
    // The keyboard chooses a name as a click does: Space or Enter on the marked line.
    if ((event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        currentItem()) {
        currentItem()->setSelected(true);
        emit click();
        return;
    }
    QListWidget::keyPressEvent(event);
}

} // namespace platform
