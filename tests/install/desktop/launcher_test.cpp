// corvane-book's choices, with its dialogs answered and corvane's start seen by the test.
#include "desktop/launcher.h"

#include "platform/core/messagebox.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <deque>
#include <gtest/gtest.h>

using platform::MessageBoxRecorder;
using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgRequest;
using platform::MsgResult;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

// Every file below a folder, by relative path, with its bytes.
QMap<QString, QByteArray> contents(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        files.insert(QDir(folder).relativeFilePath(path), f.readAll());
    }
    return files;
}

struct Call {
    QString what, folder; // chooser: title and start folder; start: program and folder
};

class Launcher : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        root = dir.path();
        setup.corvane = root + "/prefix/bin/corvane";
        setup.demoBook = root + "/prefix/share/demo-book";
        setup.home = root + "/家 (home)";
        QDir().mkpath(setup.home);
        writeFile(setup.demoBook + "/docitem.txt", "\xb7\xe2\xc3\xe6-cover.jpg-intro.txt\r\n");
        writeFile(setup.demoBook + "/cover.jpg", "picture");
        writeFile(setup.demoBook + "/文字/intro.txt", "text");
        book = root + "/书 架/一本书";
        writeFile(book + "/docitem.txt", "page-p.jpg-p.txt\r\n");
        empty = root + "/照片";
        writeFile(empty + "/holiday.jpg", "photo");

        hooks.chooseFolder = [this](const QString& title, const QString& start) {
            chooserShown.push_back({title, start});
            const QString choice = choices.empty() ? QString() : choices.front();
            if (!choices.empty())
                choices.pop_front();
            return choice;
        };
        hooks.start = [this](const QString& program, const QString& folder) {
            started.push_back({program, folder});
            return startSucceeds;
        };
    }

    int open(const QStringList& arguments) { return launcher::openBook(arguments, setup, hooks); }

    void expectStartedOnlyIn(const QString& folder)
    {
        ASSERT_EQ(started.size(), 1u);
        EXPECT_EQ(started[0].what, setup.corvane);
        EXPECT_EQ(QFileInfo(started[0].folder).canonicalFilePath(), QFileInfo(folder).canonicalFilePath());
    }

    QTemporaryDir dir;
    QString root, book, empty;
    launcher::Setup setup;
    launcher::Hooks hooks;
    std::deque<QString> choices; // the chooser's answers, in turn; none left: cancelled
    std::vector<Call> chooserShown, started;
    bool startSucceeds = true;
};

TEST_F(Launcher, NoArgumentSeedsTheOwnFolderOnceAndChoosesFromIt)
{
    const QString own = setup.home + "/图文电子书";
    MessageBoxRecorder boxes;
    choices = {own};
    EXPECT_EQ(open({}), 0);
    EXPECT_EQ(contents(own), contents(setup.demoBook));
    ASSERT_EQ(chooserShown.size(), 1u);
    EXPECT_EQ(chooserShown[0].what, QStringLiteral("打开图文电子书"));
    EXPECT_EQ(chooserShown[0].folder, own);
    expectStartedOnlyIn(own);
    EXPECT_TRUE(boxes.shown().isEmpty()) << boxes.texts().join('|').toStdString();

    // The user's changes since are kept; an empty argument is no argument; cancelling starts nothing.
    QFile::remove(own + "/cover.jpg");
    writeFile(own + "/我的笔记.txt", "笔记");
    const auto changed = contents(own);
    started.clear();
    chooserShown.clear();
    EXPECT_EQ(open({QString()}), 0);
    EXPECT_EQ(contents(own), changed);
    ASSERT_EQ(chooserShown.size(), 1u);
    EXPECT_TRUE(started.empty());
    EXPECT_TRUE(boxes.shown().isEmpty());
}

TEST_F(Launcher, NoArgumentWithoutAUsableOwnFolderSaysSo)
{
    for (const bool homeKnown : {false, true}) {
        SCOPED_TRACE(homeKnown ? "a file in the book folder's place" : "no home folder");
        MessageBoxRecorder boxes;
        if (homeKnown)
            writeFile(setup.home + "/图文电子书", "不是文件夹");
        else
            setup.home.clear();
        EXPECT_EQ(open({}), 1);
        ASSERT_EQ(boxes.shown().size(), 1);
        EXPECT_EQ(boxes.shown()[0].icon, MsgIcon::Critical);
        EXPECT_TRUE(chooserShown.empty());
        EXPECT_TRUE(started.empty());
        setup.home = root + "/家 (home)";
    }
    QFile kept(setup.home + "/图文电子书");
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("不是文件夹"));
}

TEST_F(Launcher, ABookFolderOrAFileOfItOpensThatBook)
{
    writeFile(root + "/大写/DOCITEM.TXT", "page-p.jpg-p.txt\r\n");
    const struct {
        const char* name;
        QString argument, folder;
    } cases[] = {
        {"folder", book, book},
        {"folder with a trailing slash", book + "/", book},
        {"catalogue", book + "/docitem.txt", book},
        {"catalogue in capitals", root + "/大写/DOCITEM.TXT", root + "/大写"},
        {"folder with its catalogue in capitals", root + "/大写", root + "/大写"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MessageBoxRecorder boxes;
        started.clear();
        EXPECT_EQ(open({c.argument}), 0);
        expectStartedOnlyIn(c.folder);
        EXPECT_TRUE(chooserShown.empty());
        EXPECT_TRUE(boxes.shown().isEmpty()) << boxes.texts().join('|').toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(QDir(setup.home).filePath("图文电子书")));
}

TEST_F(Launcher, AFolderWithoutCatalogueIsOpenedOnlyWhenTheUserSaysSo)
{
    const auto before = contents(empty);
    {
        SCOPED_TRACE("make a new book there");
        MessageBoxRecorder boxes([](const MsgRequest&) { return MsgResult::Yes; });
        EXPECT_EQ(open({empty}), 0);
        ASSERT_EQ(boxes.shown().size(), 1);
        EXPECT_EQ(boxes.shown()[0].buttons, MsgButtons::YesNo);
        EXPECT_TRUE(boxes.shown()[0].text.contains(QDir::toNativeSeparators(empty)));
        expectStartedOnlyIn(empty);
        EXPECT_TRUE(chooserShown.empty());
    }
    {
        SCOPED_TRACE("choose another folder, first one without a book, then a book");
        started.clear();
        const QString other = root + "/空";
        QDir().mkpath(other);
        choices = {other, book};
        MessageBoxRecorder boxes([](const MsgRequest&) { return MsgResult::No; });
        EXPECT_EQ(open({empty + "/holiday.jpg"}), 0);
        EXPECT_EQ(boxes.shown().size(), 2);
        ASSERT_EQ(chooserShown.size(), 2u);
        EXPECT_EQ(chooserShown[0].folder, empty);
        EXPECT_EQ(chooserShown[1].folder, other);
        expectStartedOnlyIn(book);
    }
    {
        SCOPED_TRACE("choose another folder, then cancel");
        started.clear();
        chooserShown.clear();
        MessageBoxRecorder boxes([](const MsgRequest&) { return MsgResult::No; });
        EXPECT_EQ(open({empty}), 0);
        EXPECT_EQ(boxes.shown().size(), 1);
        EXPECT_EQ(chooserShown.size(), 1u);
        EXPECT_TRUE(started.empty());
    }
    // Asking wrote nothing into the folder.
    EXPECT_EQ(contents(empty), before);
}

TEST_F(Launcher, ErrorsAreMessageBoxesAndStartNothing)
{
    const QString missing = root + "/没有 这本书";
    const struct {
        const char* name;
        QStringList arguments;
        QString mentioned;
    } cases[] = {
        {"a path that does not exist", {missing}, missing},
        {"a catalogue that does not exist", {missing + "/docitem.txt"}, missing},
        {"two arguments", {book, book}, "corvane-book"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MessageBoxRecorder boxes;
        EXPECT_EQ(open(c.arguments), 1);
        ASSERT_EQ(boxes.shown().size(), 1);
        EXPECT_EQ(boxes.shown()[0].icon, MsgIcon::Critical);
        EXPECT_TRUE(boxes.shown()[0].text.contains(QDir::toNativeSeparators(c.mentioned)))
            << boxes.shown()[0].text.toStdString();
        EXPECT_TRUE(started.empty());
        EXPECT_TRUE(chooserShown.empty());
    }
    EXPECT_FALSE(QFileInfo::exists(missing));

    SCOPED_TRACE("corvane does not start");
    startSucceeds = false;
    MessageBoxRecorder boxes;
    EXPECT_EQ(open({book}), 1);
    EXPECT_EQ(started.size(), 1u);
    ASSERT_EQ(boxes.shown().size(), 1);
    EXPECT_TRUE(boxes.shown()[0].text.contains(QDir::toNativeSeparators(setup.corvane)));
}

} // namespace
