#include "platform/core/error.h"
#include "platform/core/messagebox.h"
#include "platform/files/dir_list.h"
#include "platform/files/drive_list.h"
#include "platform/files/file_list.h"
#include "support/test_support.h"

#include <QDir>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTest>
#include <gtest/gtest.h>

using testing_support::TempWorkDir;

namespace {
void touch(const TempWorkDir& dir, const char* name) { dir.write(QString::fromUtf8(name), "x"); }

int indentOf(const QListWidgetItem* line)
{
    const QString t = line->text();
    return static_cast<int>(t.size() - t.trimmed().size());
}

void clickLine(QListWidget& list, int row, bool twice = false)
{
    list.scrollToItem(list.item(row));
    const QPoint at = list.visualItemRect(list.item(row)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
}
}

TEST(FileListControl, MatchesPatternsWithoutRegardToCaseSortedByName)
{
    TempWorkDir dir;
    for (const char* name : {"b.jpg", "A.JPG", "c.Gif", "d.jpeg", "e.png", "f.rtf", "G.TXT", ".hidden.jpg", "jpg"})
        touch(dir, name);
    QDir(dir.path()).mkdir("folder.jpg");

    platform::FileList pictures, texts;
    pictures.setPattern("*.bmp;*.gif;*.jpg;*.jpeg;*.ico;*.wmf;*.emf");
    texts.setPattern("*.rtf;*.txt");
    pictures.setPath(dir.path());
    texts.setPath(dir.path());
    EXPECT_EQ(platform::matchingFiles(dir.path(), pictures.pattern()),
              (QStringList{"A.JPG", "b.jpg", "c.Gif", "d.jpeg"}));
    ASSERT_EQ(pictures.listCount(), 4);
    EXPECT_EQ(pictures.fileNameAt(1), "b.jpg");
    EXPECT_EQ(pictures.fileNameAt(4), "");
    EXPECT_EQ(texts.listCount(), 2);
    EXPECT_EQ(texts.fileNameAt(1), "G.TXT");
    EXPECT_TRUE(platform::matchingFiles(dir.file("missing"), "*.jpg").isEmpty());
}

TEST(FileListControl, EveryClickCountsAlsoOnTheChosenName)
{
    TempWorkDir dir;
    touch(dir, "a.jpg");
    touch(dir, "b.jpg");
    platform::FileList list;
    list.setPattern("*.jpg");
    list.setPath(dir.path());
    list.resize(200, 200);
    list.show();
    QSignalSpy clicks(&list, &platform::FileList::click);
    EXPECT_TRUE(list.fileName().isEmpty());
    clickLine(list, 1);
    EXPECT_EQ(list.fileName(), "b.jpg");
    clickLine(list, 1);
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 3);
}

TEST(DirListControl, ShowsThePathDownAndTheSubfoldersAndMovesOnDoubleClick)
{
    TempWorkDir dir;
    QDir(dir.path()).mkpath("book/b");
    QDir(dir.path()).mkpath("book/A");
    QDir(dir.path()).mkpath("book/.hidden");
    platform::DirList list;
    list.resize(300, 400);
    list.show();
    QSignalSpy changes(&list, &platform::DirList::change);

    const QString book = QDir(dir.path()).filePath("book");
    list.setPath(book);
    EXPECT_EQ(changes.count(), 1);
    QStringList expected;
    for (QDir d(book);; ) {
        expected.prepend(d.absolutePath());
        if (!d.cdUp())
            break;
    }
    EXPECT_EQ(expected.first(), "/");
    expected << book + "/A" << book + "/b";
    EXPECT_EQ(list.lineFolders(), expected);
    const int bookLine = static_cast<int>(expected.size()) - 3;
    EXPECT_LT(indentOf(list.item(bookLine - 1)), indentOf(list.item(bookLine)));
    EXPECT_LT(indentOf(list.item(bookLine)), indentOf(list.item(bookLine + 1))) << "subfolders stand further in";
    EXPECT_EQ(indentOf(list.item(bookLine + 1)), indentOf(list.item(bookLine + 2)));
    EXPECT_EQ(list.item(bookLine + 1)->text().trimmed(), "A");

    clickLine(list, static_cast<int>(expected.size()) - 1);
    EXPECT_EQ(list.path(), book) << "a click only marks the line";
    clickLine(list, static_cast<int>(expected.size()) - 1, true);
    EXPECT_EQ(list.path(), book + "/b");
    EXPECT_EQ(changes.count(), 2);

    list.setPath(book + "/b");  // the same folder: no change
    EXPECT_EQ(changes.count(), 2);

    // A folder that went away since it was listed: a message, and the list stays.
    list.setPath(book);
    QDir(book).rmdir("A");
    platform::MessageBoxRecorder boxes;
    clickLine(list, static_cast<int>(list.lineFolders().indexOf(book + "/A")), true);
    EXPECT_EQ(list.path(), book);
    EXPECT_EQ(boxes.shown().size(), 1);
    EXPECT_FALSE(list.lineFolders().contains(book + "/A"));
    EXPECT_THROW(list.setPath(dir.file("missing")), platform::Error);
    EXPECT_EQ(list.path(), book);
}

TEST(DriveListControl, VolumesAndHomeFolder)
{
    const QList<platform::Drive> real = platform::mountedDrives();
    ASSERT_FALSE(real.isEmpty());
    EXPECT_EQ(real.first().root, "/");
    bool home = false;
    for (const platform::Drive& d : real) {
        home = home || d.root == QDir::homePath();
        if (d.mountPoint) {
            EXPECT_EQ(QStorageInfo(d.root).rootPath(), d.root) << "only mounted volumes";
        }
    }
    EXPECT_TRUE(home || QDir::homePath() == "/");

    TempWorkDir dir;
    QDir(dir.path()).mkpath("usb/book");
    const QString usb = dir.file("usb");
    platform::DriveList drives;
    drives.setSource([&] {
        return QList<platform::Drive>{{"/", "/"}, {usb, "usb"}, {dir.file("gone"), "gone"}, {usb, "usb", true}};
    });
    EXPECT_EQ(drives.count(), 4);
    drives.showDriveOf(usb + "/book");
    EXPECT_EQ(drives.currentIndex(), 1) << "the deepest drive holding the folder";
    EXPECT_NO_THROW(drives.checkReady());
    drives.setCurrentIndex(2);
    EXPECT_THROW(drives.checkReady(), platform::Error) << "a folder that is not there";
    drives.setCurrentIndex(3);
    EXPECT_THROW(drives.checkReady(), platform::Error) << "a volume no longer mounted";
}
