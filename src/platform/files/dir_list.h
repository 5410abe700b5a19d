#pragma once
// A folder list: the folder's path from the root down, one line per folder,
// then its subfolders one step further in. A click only marks a line; a
// double click (or Enter) moves the list to that folder.
#include <QListWidget>

namespace platform {

class DirList : public QListWidget {
    Q_OBJECT
public:
    explicit DirList(QWidget* parent = nullptr);

    QString path() const { return path_; }
    // Moves to the folder and raises change when the folder differs. Throws
    // platform::Error (device unavailable) when it is not a folder that can be read;
    // the list then stays where it was.
    void setPath(const QString& folder);

    // The folder each line stands for, from the top.
    QStringList lineFolders() const;

signals:
    void change();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void moveTo(QListWidgetItem* item);
    void fill();

    QString path_;
};

} // namespace platform
