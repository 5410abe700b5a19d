#include "platform/core/error.h"
#include "platform/files/file_ops.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using testing_support::TempWorkDir;

namespace {
QByteArray pattern(qsizetype size)
{
    QByteArray b(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        b[i] = static_cast<char>((i * 7 + i / 4096) & 0xFF);
    return b;
}

// Files left beside the target by a copy (a half-written temporary one).
QStringList leftovers(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".part"));
}
}

TEST(CopyFile, NewAndReplacedTargetsGetTheSourceBytes)
{
    TempWorkDir dir;
    dir.write("small.jpg", pattern(1000));
    dir.write("empty.txt", QByteArray());
    // Larger than one piece of the kernel copy, so the copy pauses in between.
    const QByteArray big = pattern((32 << 20) + 12345);
    dir.write("big.bmp", big);
    ::chmod(QFile::encodeName(dir.file("small.jpg")).constData(), 0640);

    int pauses = 0;
    platform::copyFile(dir.file("small.jpg"), dir.file("new.jpg"));
    platform::copyFile(dir.file("empty.txt"), dir.file("new.txt"));
    platform::copyFile(dir.file("big.bmp"), dir.file("new.bmp"), [&] { ++pauses; });
    EXPECT_EQ(dir.read("new.jpg"), pattern(1000));
    EXPECT_TRUE(QFileInfo::exists(dir.file("new.txt")));
    EXPECT_EQ(dir.read("new.txt"), QByteArray());
    EXPECT_EQ(dir.read("new.bmp"), big);
    EXPECT_GE(pauses, 1);
    EXPECT_EQ(QFileInfo(dir.file("new.jpg")).permissions() & (QFile::ReadGroup | QFile::ReadOther),
              QFile::ReadGroup);

    // Replacing a longer file leaves nothing of it behind.
    dir.write("old.jpg", pattern(5000));
    platform::copyFile(dir.file("small.jpg"), dir.file("old.jpg"));
    EXPECT_EQ(dir.read("old.jpg"), pattern(1000));
    EXPECT_TRUE(leftovers(dir.path()).isEmpty());
}

TEST(CopyFile, FailuresLeaveTheTargetAsItWas)
{
    TempWorkDir dir;
    dir.write("keep.jpg", "old picture");
    QDir(dir.path()).mkdir("folder");
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.file("pipe")).constData(), 0600), 0);

    const struct {
        const char* source;
        int number;
    } cases[] = {
        {"missing.jpg", platform::errc::FileNotFound},
        {"folder", platform::errc::General},   // not a file
        {"pipe", platform::errc::General},     // must not hang waiting for a writer
        {"/dev/zero", platform::errc::General} // endless
    };
    for (const auto& c : cases) {
        const QString source = QString::fromUtf8(c.source).startsWith('/') ? QString::fromUtf8(c.source)
                                                                           : dir.file(QString::fromUtf8(c.source));
        try {
            platform::copyFile(source, dir.file("keep.jpg"));
            ADD_FAILURE() << c.source << ": no error";
        } catch (const platform::Error& e) {
            EXPECT_EQ(e.number(), c.number) << c.source;
        }
        EXPECT_EQ(dir.read("keep.jpg"), "old picture") << c.source;
    }

    // A folder in the target's place: the copy fails and leaves no half-written file.
    dir.write("src.jpg", "new picture");
    EXPECT_THROW(platform::copyFile(dir.file("src.jpg"), dir.file("folder")), platform::Error);
    EXPECT_TRUE(QFileInfo(dir.file("folder")).isDir());
    EXPECT_THROW(platform::copyFile(dir.file("src.jpg"), dir.file("nowhere/x.jpg")), platform::Error);
    EXPECT_TRUE(leftovers(dir.path()).isEmpty());
}

TEST(FileNames, SameFileThroughAnyName)
{
    TempWorkDir dir;
    dir.write("a.jpg", "a");
    dir.write("b.jpg", "a");
    QDir(dir.path()).mkdir("sub");
    QFile::link(dir.file("a.jpg"), dir.file("link.jpg"));
    QFile::link(dir.file("gone.jpg"), dir.file("broken.jpg"));
    ASSERT_EQ(::link(QFile::encodeName(dir.file("a.jpg")).constData(), QFile::encodeName(dir.file("hard.jpg")).constData()), 0);

    EXPECT_TRUE(platform::isSameFile(dir.file("a.jpg"), dir.file("sub/../a.jpg")));
    EXPECT_TRUE(platform::isSameFile(dir.file("a.jpg"), dir.file("link.jpg")));
    EXPECT_TRUE(platform::isSameFile(dir.file("a.jpg"), dir.file("hard.jpg")));
    EXPECT_FALSE(platform::isSameFile(dir.file("a.jpg"), dir.file("b.jpg")));  // equal bytes, another file
    EXPECT_FALSE(platform::isSameFile(dir.file("a.jpg"), dir.file("missing.jpg")));

    EXPECT_TRUE(platform::pathTaken(dir.file("broken.jpg")));
    EXPECT_TRUE(platform::pathTaken(dir.file("sub")));
    EXPECT_FALSE(platform::pathTaken(dir.file("missing.jpg")));
}
