// Books from anywhere: files in other encodings, names that point elsewhere,
// and files that are no files at all. The reader shows what belongs to the
// book and treats everything else as missing.
#include "reader_fixture.h"

#include "platform/core/listview.h"
#include "reader/frmfind.h"
#include "reader/catalogue.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include "support/test_support.h"
#include <functional>
#include <unistd.h>

TEST_F(ReaderTest, Utf16CatalogueAndPageTextInBothByteOrders)
{
    writePicture(QStringLiteral("图一.png"), 90, 40);
    const QString catalogue = QStringLiteral("第一页-图一.png-说明.txt\r\n第二页-b.png-c.txt\r\n");
    const QString text = QStringLiteral("园林说明\r\n第二行");
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
        w.reset();
        dir.write(QStringLiteral("docitem.txt"), testing_support::notepadUnicode(catalogue, bigEndian));
        dir.write(QStringLiteral("说明.txt"), testing_support::notepadUnicode(text, bigEndian));
        start();
        ASSERT_EQ(w->listVW->count(), 2);
        EXPECT_EQ(w->listVW->subItem(1, 1), QStringLiteral("第一页"));
        EXPECT_EQ(w->listVW->subItem(1, 3), QStringLiteral("图一.png"));
        EXPECT_EQ(w->listVW->subItem(2, 2), QStringLiteral("c.txt"));
        EXPECT_EQ(shownPictureWidth(), 90);
        EXPECT_EQ(shownText(), text);
    }
}

// Each start runs in a child process: a reader that blocks on a pipe or reads
// a device without end fails the test instead of stopping the run. The child
// loads the window without showing it: painting needs the parent's threads.
TEST_F(ReaderTest, DevicesPipesAndOversizedFilesAreMissingFiles)
{
    ASSERT_TRUE(testing_support::makeNamedPipe(dir.file(QStringLiteral("pipe.txt"))));
    ASSERT_TRUE(testing_support::makeNamedPipe(dir.file(QStringLiteral("pipe.png"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), dir.file(QStringLiteral("zero.png"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), dir.file(QStringLiteral("zero.txt"))));
    // What the window shows: rows, whether a picture, the page text.
    auto startAndLook = [&](int rows) {
        return testing_support::inChildProcess([&] {
            w = std::make_unique<reader::frmmain>(reader::generalEdition(),
                                                  [] { return std::unique_ptr<platform::SpVoice>(); });
            w->Form_Load();
            const bool helpShown = w->listVW->count() == 0 && shownText() == w->RTBoxShow[1]->Text();
            return (w->listVW->count() == rows ? 0 : 1) | (w->ImgPic->picture().isNull() ? 0 : 2)
                   | (rows == 0 ? (helpShown ? 0 : 4) : (shownText().isEmpty() ? 0 : 8));
        });
    };
    struct Case {
        const char* what;
        std::function<void()> prepare;
        int rows;
    };
    const auto catalogueIs = [&](const QString& target) {
        return [&, target] {
            QFile::remove(dir.file(QStringLiteral("docitem.txt")));
            ASSERT_TRUE(QFile::link(target, dir.file(QStringLiteral("docitem.txt"))));
        };
    };
    const Case cases[] = {
        {"pages named after a device and a pipe",
         [&] { writeCatalogue({QStringLiteral("一-zero.png-pipe.txt"), QStringLiteral("二-pipe.png-zero.txt")}); }, 2},
        {"catalogue is a named pipe", catalogueIs(dir.file(QStringLiteral("pipe.txt"))), 0},
        {"catalogue is a device", catalogueIs(QStringLiteral("/dev/zero")), 0},
        {"catalogue past its size limit",
         [&] {
             QFile::remove(dir.file(QStringLiteral("docitem.txt")));
             QFile file(dir.file(QStringLiteral("docitem.txt")));
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             file.write("一-a.png-b.txt\r\n");
             ASSERT_TRUE(file.resize(reader::kMaxCatalogueBytes + 1));
         },
         0},
    };
    for (const Case& c : cases) {
        c.prepare();
        EXPECT_EQ(startAndLook(c.rows), 0) << c.what;
    }
}

// Page files are named inside the book: a name that leads out of the working
// folder is a missing file, so the page shown before stays.
TEST_F(ReaderTest, PageFileNamesStayInsideTheBook)
{
    // The book lies in a folder of its own, with a picture and a text beside it.
    writePicture(QStringLiteral("outside.png"), 77, 40);
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("book/图片")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("book/文字")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("book/C:")));
    ASSERT_TRUE(QDir::setCurrent(dir.file(QStringLiteral("book"))));
    writePicture(QStringLiteral("book/图片/p1.png"), 91, 40);
    writeText(QStringLiteral("book/文字/t1.txt"), QStringLiteral("书里的文字"));
    writePicture(QStringLiteral("book/其他.png"), 55, 40);
    writePicture(QStringLiteral("book/C:/p1.png"), 66, 40);
    writeText(QStringLiteral("book/C:/t1.txt"), QStringLiteral("盘符"));
    writeCatalogue({QStringLiteral("里-图片\\p1.png-文字\\t1.txt"), QStringLiteral("里二-图片/p1.png-文字/t1.txt"),
                    QStringLiteral("绝对-/proc/self/cwd/其他.png-/etc/passwd"),
                    QStringLiteral("上级-..\\outside.png-../outside.txt"),
                    QStringLiteral("藏-图片/../../outside.png-文字\\..\\..\\outside.txt"),
                    QStringLiteral("盘符-C:\\p1.png-C:\\t1.txt"), QStringLiteral("进程-/proc/self/exe-/proc/self/environ")},
                   QStringLiteral("book/docitem.txt"));
    start();
    ASSERT_EQ(w->listVW->count(), 7);
    for (int row = 1; row <= 7; ++row) {
        SCOPED_TRACE(w->listVW->subItem(row, 1).toStdString());
        w->listVW_ItemClick(1);
        w->listVW_ItemClick(row);
        // Rows 1 and 2 show the files in the book's subfolders; the others leave them in place.
        EXPECT_EQ(shownPictureWidth(), 91);
        EXPECT_EQ(shownText(), QStringLiteral("书里的文字"));
        EXPECT_EQ(w->panelText(3), w->listVW->subItem(row, 3)); // the panels name what the row says
    }
}

// A link in the book may lead anywhere: what a page names is read only when
// it lies in the book with every link followed. Links that stay inside, and
// a book folder that is itself a link, read as before; find reads no more.
TEST_F(ReaderTest, LinksOutOfTheBookAreMissingFilesAndLinksInsideAreFollowed)
{
    writePicture(QStringLiteral("outside.png"), 77, 40);
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("book/图片")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("book/文字")));
    writePicture(QStringLiteral("book/图片/p1.png"), 91, 40);
    writePicture(QStringLiteral("book/图片/p2.png"), 93, 40);
    writeText(QStringLiteral("book/文字/t1.txt"), QStringLiteral("书里的文字"));
    writeText(QStringLiteral("book/文字/t2.txt"), QStringLiteral("链接里的文字"));
    const auto link = [&](const QString& target, const QString& name) {
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(dir.file(name)).constData()), 0)
            << name.toStdString();
    };
    link(QStringLiteral("book"), QStringLiteral("书"));
    link(QStringLiteral("/etc/passwd"), QStringLiteral("book/passwd.txt"));
    link(QStringLiteral("/etc"), QStringLiteral("book/etc"));
    link(QStringLiteral("../outside.png"), QStringLiteral("book/外图.png"));
    link(QStringLiteral("图片"), QStringLiteral("book/图链"));
    link(dir.file(QStringLiteral("书/文字/t2.txt")), QStringLiteral("book/文链.txt"));
    writeCatalogue({QStringLiteral("里-图片\\p1.png-文字\\t1.txt"), QStringLiteral("链内-图链\\p2.png-文链.txt"),
                    QStringLiteral("口令-外图.png-passwd.txt"), QStringLiteral("主机-外图.png-etc\\hostname")},
                   QStringLiteral("book/docitem.txt"));
    ASSERT_TRUE(QDir::setCurrent(dir.file(QStringLiteral("书"))));
    start();
    ASSERT_EQ(w->listVW->count(), 4);
    for (int row = 1; row <= 4; ++row) {
        SCOPED_TRACE(w->listVW->subItem(row, 1).toStdString());
        w->listVW_ItemClick(1);
        w->listVW_ItemClick(row);
        // Rows 3 and 4 lead out of the book and leave row 1's files in place.
        EXPECT_EQ(shownPictureWidth(), row == 2 ? 93 : 91);
        EXPECT_EQ(shownText(), row == 2 ? QStringLiteral("链接里的文字") : QStringLiteral("书里的文字"));
    }
    w->menuFind_Click();
    reader::FrmFind* find = w->findWindow();
    ASSERT_NE(find, nullptr);
    for (const QString& query : {QStringLiteral("root"), QStringLiteral("文字")}) {
        find->TxtFind->setText(query);
        ASSERT_TRUE(testing_support::waitUntil([&] { return !find->searching() && find->result().query == query; }));
        EXPECT_EQ(find->result().total, query == u"文字" ? 2 : 0) << query.toStdString();
        EXPECT_EQ(find->result().pagesUnreadable, 2) << query.toStdString();
    }
}
