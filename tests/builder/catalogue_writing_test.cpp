#include "builder_fixture.h"

#include "builder/copy_progress.h"
#include "platform/files/file_ops.h"

#include <QApplication>
#include <QLabel>
#include <QRandomGenerator>
#include <QStorageInfo>

namespace {
using Pair = std::pair<const char*, const char*>;
using testing_support::u;
}

class CatalogueWriting : public BuilderTest {
protected:
    // Picks each pair as the user does: the picture, then its text (when there is one).
    void choose(std::initializer_list<Pair> pairs)
    {
        for (const Pair& p : pairs) {
            clickPicture(u(p.first));
            if (*p.second)
                clickText(u(p.second));
        }
    }
    void putAll(std::initializer_list<const char*> names)
    {
        for (const char* n : names)
            put(u(n), content(u(n)));
    }
    QStringList shownTexts() const { return boxes.texts(); }
};

TEST_F(CatalogueWriting, WritesCopiesReloadsAndConfirmingTwiceKeepsTheFirstAsBackup)
{
    putAll({"a.jpg", "a.rtf", "b.gif", "b.txt", "p1.jpg", "intro.rtf", "photo.2003.jpg"});
    const QByteArray old = catalogueBytes({u("旧页-old.jpg-old.rtf")});
    dir.write("docitem.txt", old);
    start();
    ASSERT_EQ(readerRows(), QStringList{u("1|旧页|old.rtf|old.jpg")});

    const QStringList noLines{"a-a.jpg-a.rtf", "b-b.gif-b.txt", "p1-p1.jpg-intro.rtf", "photo-photo.2003.jpg-"};
    // With Yes a row without a text is named after its picture rather than left out.
    const QStringList yesLines{"a-a.jpg-a.rtf", "b-b.gif-b.txt", "intro-p1.jpg-intro.rtf", "photo-photo.2003.jpg-"};
    const QStringList files{"a.jpg", "a.rtf", "b.gif", "b.txt", "p1.jpg", "intro.rtf", "photo.2003.jpg"};

    open();
    goTo(book.path());
    choose({{"a.jpg", "a.rtf"}, {"b.gif", "b.txt"}, {"p1.jpg", "intro.rtf"}, {"photo.2003.jpg", ""}});
    naming = platform::MsgResult::No;
    confirm();

    EXPECT_TRUE(f.isNull()) << "the builder closes at the end";
    EXPECT_EQ(dir.read("docitem"), old);
    EXPECT_EQ(dir.read("docitem.txt"), catalogueBytes(noLines));
    for (const QString& name : files)
        EXPECT_EQ(dir.read(name), content(name)) << name.toStdString();
    EXPECT_EQ(readerRows(), (QStringList{"1|a|a.rtf|a.jpg", "2|b|b.txt|b.gif", "3|p1|intro.rtf|p1.jpg",
                                         "4|photo||photo.2003.jpg"}));
    ASSERT_EQ(boxes.shown().size(), 2);
    const platform::MsgRequest question = boxes.shown()[0];
    EXPECT_EQ(question.text, "是否用文字文件名作为目录名?");
    EXPECT_EQ(question.title, QString::fromUtf16(u"选择\u201C否\u201D，将以图片文件名作为目录名"));
    EXPECT_EQ(question.buttons, platform::MsgButtons::YesNo);
    EXPECT_EQ(boxes.shown()[1].text, doneText());
    EXPECT_EQ(boxes.shown()[1].title, "Aurelis 2003");
    EXPECT_TRUE(overwriteAsked.isEmpty());

    // Again, answering Yes: every file is there now, so each is asked about once, in row order.
    put("a.jpg", "a newer picture");
    boxes.clear();
    open();
    goTo(book.path());
    choose({{"a.jpg", "a.rtf"}, {"b.gif", "b.txt"}, {"p1.jpg", "intro.rtf"}, {"photo.2003.jpg", ""}});
    naming = platform::MsgResult::Yes;
    confirm();
    EXPECT_EQ(dir.read("docitem"), catalogueBytes(noLines)) << "the backup is the first run's catalogue";
    EXPECT_EQ(dir.read("docitem.txt"), catalogueBytes(yesLines));
    EXPECT_EQ(overwriteAsked, files);
    for (const platform::MsgRequest& r : boxes.shown())
        if (r.text == overwriteText()) {
            EXPECT_EQ(r.buttons, platform::MsgButtons::OKCancel);
            EXPECT_EQ(r.icon, platform::MsgIcon::Question);
        }
    EXPECT_EQ(dir.read("a.jpg"), "a newer picture");
    EXPECT_EQ(readerRows().value(2), "3|intro|intro.rtf|p1.jpg");
    EXPECT_EQ(readerRows().size(), 4);
}

TEST_F(CatalogueWriting, EmptyListEmptiesTheCatalogueFoundInAnyLetterCase)
{
    const QByteArray old = catalogueBytes({"x-x.jpg-x.rtf", "y-y.jpg-y.rtf"});
    dir.write("DocItem.TXT", old);
    start();
    ASSERT_EQ(w->listVW->count(), 2);
    open();
    confirm();
    EXPECT_EQ(shownTexts(), (QStringList{"是否用文字文件名作为目录名?", doneText()}));
    EXPECT_EQ(dir.read("docitem"), old);
    EXPECT_TRUE(QFile::exists(dir.file("DocItem.TXT")));
    EXPECT_EQ(dir.read("DocItem.TXT"), QByteArray());
    EXPECT_FALSE(QFile::exists(dir.file("docitem.txt"))) << "one catalogue, under the name it had";
    EXPECT_EQ(w->listVW->count(), 0);

    // No catalogue at all: no backup is made.
    QFile::remove(dir.file("DocItem.TXT"));
    QFile::remove(dir.file("docitem"));
    open();
    confirm();
    EXPECT_FALSE(QFile::exists(dir.file("docitem")));
    EXPECT_TRUE(QFile::exists(dir.file("docitem.txt")));
}

TEST_F(CatalogueWriting, CancelKeepsTheOldFileAndMissingSourcesAreSkipped)
{
    putAll({"a.jpg", "a.rtf", "b.jpg", "b.rtf"});
    dir.write("a.jpg", "the old picture");
    dir.write("b.jpg", "another old picture");
    open();
    goTo(book.path());
    choose({{"a.jpg", "a.rtf"}, {"b.jpg", "b.rtf"}});
    // Gone from the book folder after it was chosen.
    QFile::remove(QDir(book.path()).filePath("b.jpg"));
    overwrite["a.jpg"] = platform::MsgResult::Cancel;
    confirm();

    EXPECT_EQ(overwriteAsked, QStringList{"a.jpg"}) << "nothing to ask about for a file that is not there";
    EXPECT_EQ(dir.read("a.jpg"), "the old picture");
    EXPECT_EQ(dir.read("a.rtf"), content("a.rtf"));
    EXPECT_EQ(dir.read("b.jpg"), "another old picture");
    EXPECT_EQ(dir.read("b.rtf"), content("b.rtf"));
    EXPECT_EQ(dir.read("docitem.txt"), catalogueBytes({"a-a.jpg-a.rtf", "b-b.jpg-b.rtf"}));
    // The missing picture is named at the end; the one kept by choice is not.
    const QString last = shownTexts().last();
    EXPECT_NE(last, doneText());
    EXPECT_TRUE(last.contains("b.jpg")) << last.toStdString();
    EXPECT_FALSE(last.contains("a.jpg")) << last.toStdString();
}

TEST_F(CatalogueWriting, HyphensInNamesAreMendedAndEveryNameStaysWhole)
{
    putAll({"a-b.jpg", "a_b.jpg", "x-y.rtf", "한글.jpg", "说明.txt"});
    open();
    goTo(book.path());
    choose({{"a-b.jpg", "x-y.rtf"}, {"a_b.jpg", ""}, {"한글.jpg", "说明.txt"}});
    naming = platform::MsgResult::No;
    confirm();

    const QStringList lines{"a_b-a_b_2.jpg-x_y.rtf", "a_b-a_b.jpg-", u("한글-한글.jpg-说明.txt")};
    const QByteArray written = dir.read("docitem.txt");
    EXPECT_EQ(written, catalogueBytes(lines));
    // GBK has no Hangul: GB18030 carries it, and nothing becomes "?".
    EXPECT_FALSE(written.contains('?'));
    EXPECT_EQ(platform::decodeAnsi(written), lines.join("\r\n") + "\r\n");
    EXPECT_EQ(dir.read("a_b_2.jpg"), content("a-b.jpg"));
    EXPECT_EQ(dir.read("a_b.jpg"), content("a_b.jpg"));
    EXPECT_EQ(dir.read("x_y.rtf"), content("x-y.rtf"));
    EXPECT_EQ(dir.read(u("한글.jpg")), content(u("한글.jpg")));
    EXPECT_FALSE(QFile::exists(dir.file("a-b.jpg")));
    EXPECT_EQ(readerRows(), (QStringList{"1|a_b|x_y.rtf|a_b_2.jpg", "2|a_b||a_b.jpg", u("3|한글|说明.txt|한글.jpg")}));
}

TEST_F(CatalogueWriting, TheWorkingFolderAsBookFolderLeavesItsFilesAlone)
{
    dir.write("p.jpg", "picture bytes");
    dir.write("p.rtf", "text bytes");
    dir.write("q-r.jpg", "hyphenated");
    open();
    ASSERT_EQ(f->DirList->path(), QDir(dir.path()).canonicalPath());
    choose({{"p.jpg", "p.rtf"}, {"q-r.jpg", ""}});
    confirm();
    EXPECT_TRUE(overwriteAsked.isEmpty()) << "a file is not copied onto itself";
    EXPECT_EQ(dir.read("p.jpg"), "picture bytes");
    EXPECT_EQ(dir.read("p.rtf"), "text bytes");
    EXPECT_EQ(dir.read("q_r.jpg"), "hyphenated");
    EXPECT_EQ(dir.read("q-r.jpg"), "hyphenated");
    EXPECT_EQ(dir.read("docitem.txt"), catalogueBytes({"p-p.jpg-p.rtf", "q_r-q_r.jpg-"}));
}

TEST_F(CatalogueWriting, WithoutABackupTheOldCatalogueIsNotTouched)
{
    putAll({"a.jpg"});
    const QByteArray old = catalogueBytes({"old-o.jpg-o.rtf"});
    dir.write("docitem.txt", old);
    QDir(dir.path()).mkdir("docitem");  // the backup cannot be written
    open();
    goTo(book.path());
    choose({{"a.jpg", ""}});
    confirm();
    ASSERT_EQ(boxes.shown().size(), 1);
    EXPECT_EQ(boxes.shown()[0].text, "无法将原有目录备份为docitem，目录没有改动。");
    EXPECT_EQ(dir.read("docitem.txt"), old);
    EXPECT_FALSE(QFile::exists(dir.file("a.jpg")));
    EXPECT_FALSE(f.isNull()) << "the pairing stays for another try";
    EXPECT_EQ(pairingRows().size(), 1);
    EXPECT_EQ(w->listVW->count(), 1);
}

TEST_F(CatalogueWriting, ABookAtTheRootOfAVolumeAsksBeforeReplacing)
{
    const QString root = QStringLiteral("/dev/shm");
    if (QStorageInfo(root).rootPath() != root || !QFileInfo(root).isWritable())
        GTEST_SKIP() << "no writable volume root at " << root.toStdString();
    const QString tag = QString::number(QRandomGenerator::global()->generate(), 16);
    const QString picture = QStringLiteral("aurelis_%1.jpg").arg(tag), text = QStringLiteral("aurelis_%1.txt").arg(tag);
    put(picture, "from the volume", root);
    put(text, "text from the volume", root);
    dir.write(picture, "already here");
    struct Cleanup {
        QStringList files;
        ~Cleanup()
        {
            for (const QString& file : files)
                QFile::remove(file);
        }
    } cleanup{{root + "/" + picture, root + "/" + text}};

    open();
    goTo(root);
    ASSERT_EQ(f->DirList->path(), root);
    clickPicture(picture);
    clickText(text);
    overwrite[picture] = platform::MsgResult::Cancel;
    confirm();
    EXPECT_EQ(overwriteAsked, QStringList{picture});
    EXPECT_EQ(dir.read(picture), "already here");
    EXPECT_EQ(dir.read(text), "text from the volume");
    EXPECT_EQ(dir.read("docitem.txt"), catalogueBytes({QStringLiteral("aurelis_%1-%2-%3").arg(tag, picture, text)}));
}

TEST_F(CatalogueWriting, LongCopiesShowTheirProgressUnderTheQuestions)
{
    putAll({"a.jpg", "a.rtf", "b.jpg"});
    dir.write("b.jpg", "old");
    open();
    f->setCopyProgressDelay(0);  // as if copying had already taken long
    goTo(book.path());
    choose({{"a.jpg", "a.rtf"}, {"b.jpg", ""}});
    QString progressText;
    bool progressShown = false;
    onOverwrite = [&](const platform::MsgRequest&) {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == "CopyProgress" && top->isVisible()) {
                progressShown = true;
                progressText = top->findChild<QLabel*>()->text();
                EXPECT_EQ(top->windowTitle(), builder::CopyProgress::caption());
            }
    };
    confirm();
    EXPECT_TRUE(progressShown) << "the question comes while the progress window is up";
    EXPECT_TRUE(progressText.contains("正在复制…"));
    EXPECT_TRUE(progressText.contains("第 3 个文件，共 3 个")) << progressText.toStdString();
    EXPECT_TRUE(progressText.contains("b.jpg"));
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_FALSE(top->objectName() == "CopyProgress" && top->isVisible()) << "gone when the copying ends";
    EXPECT_EQ(dir.read("b.jpg"), content("b.jpg"));
}
