#pragma once
// A file list: the files of one folder whose names match a pattern such as
// "*.bmp;*.jpg" (letter case aside), sorted by name. Every click on a name
// raises click, also on the name already chosen.
#include <QListWidget>

namespace platform {

class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);

    QString pattern() const { return pattern_; }
    void setPattern(const QString& pattern);
    QString path() const { return path_; }
    // Shows the folder's matching files; a folder that cannot be read shows none.
    void setPath(const QString& folder);
    void refresh();

    int listCount() const { return count(); }
    // The name at a 0-based index; empty outside the list.
    QString fileNameAt(int index) const;
    // The chosen name; empty when none is chosen.
    QString fileName() const;
    void setListIndex(int index);

signals:
    void click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString pattern_;
    QString path_;
};

// The names of a folder's files matching the pattern, in the order a file list shows them.
QStringList matchingFiles(const QString& folder, const QString& pattern);

} // namespace platform
