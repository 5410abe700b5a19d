#pragma once
// The reader started in a temporary working folder, its builder opened from the
// menu, and a second temporary folder to make books from. Questions are answered
// by title: the naming question with `naming`, the overwrite question per file.
#include "builder/frmfile.h"
#include "platform/core/listview.h"
#include "platform/files/dir_list.h"
#include "platform/files/file_list.h"
#include "reader/reader_fixture.h"

#include <QHash>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class BuilderTest : public ReaderTest {
protected:
    static QString namingTitle() { return QStringLiteral("选择“否”，将以图片文件名作为目录名"); }
    static QString overwriteText() { return QStringLiteral("文件已经存在，是否复盖?"); }
    static QString doneText() { return QStringLiteral("已经制作好图文播放目录，请重新启动软件使用。"); }

    void SetUp() override
    {
        ReaderTest::SetUp();
        boxes.setAnswer([this](const platform::MsgRequest& r) {
            if (r.title == namingTitle())
                return naming;
            if (r.text == overwriteText()) {
                overwriteAsked << r.title;
                if (onOverwrite)
                    onOverwrite(r);
                return overwrite.value(r.title, platform::MsgResult::OK);
            }
            return platform::MsgResult::OK;
        });
    }

    // Opens the builder from the reader's menu, starting the reader first when needed.
    builder::frmFile* open()
    {
        if (!w)
            start();
        w->menuDocItem_Click();
        f = w->findChild<builder::frmFile*>();
        return f;
    }

    void put(const QString& name, const QByteArray& bytes, const QString& folder = QString())
    {
        QFile file(QDir(folder.isEmpty() ? book.path() : folder).filePath(name));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
    }
    QByteArray bytesOf(const QString& path) const { return testing_support::fileBytes(path); }
    // Some recognisable bytes standing in for a picture or a text.
    static QByteArray content(const QString& name) { return "content of " + name.toUtf8(); }

    void goTo(const QString& folder) { f->DirList->setPath(folder); }

    // A click on the name in the list, as the mouse gives it.
    static void clickName(platform::FileList* list, const QString& name)
    {
        QListWidgetItem* line = nullptr;
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->text() == name)
                line = list->item(i);
        ASSERT_NE(line, nullptr) << name.toStdString();
        list->scrollToItem(line);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(line).center());
    }
    void clickPicture(const QString& name) { clickName(f->FileList, name); }
    void clickText(const QString& name) { clickName(f->FileTxt, name); }

    // "number|picture|text" for each pairing row.
    QStringList pairingRows() const
    {
        QStringList out;
        for (int i = 1; i <= f->lvwFile->count(); ++i)
            out << f->lvwFile->rowText(i) + "|" + f->lvwFile->subItem(i, 1) + "|" + f->lvwFile->subItem(i, 2);
        return out;
    }
    // "number|title|text|picture" for each row of the reader's catalogue list.
    QStringList readerRows() const
    {
        QStringList out;
        for (int i = 1; i <= w->listVW->count(); ++i)
            out << w->listVW->rowText(i) + "|" + w->listVW->subItem(i, 1) + "|" + w->listVW->subItem(i, 2) + "|" +
                       w->listVW->subItem(i, 3);
        return out;
    }
    // The catalogue as lines, each ending in CR LF, encoded as the writer must encode them.
    static QByteArray catalogueBytes(const QStringList& lines)
    {
        QByteArray b;
        for (const QString& l : lines)
            b += platform::encodeAnsi(l) + "\r\n";
        return b;
    }

    // Presses "确认(&O)" and lets a closed window be destroyed.
    void confirm()
    {
        f->CmdOk->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QTemporaryDir book;
    QPointer<builder::frmFile> f;
    platform::MsgResult naming = platform::MsgResult::No;
    QHash<QString, platform::MsgResult> overwrite;  // by file name; OK when not given
    QStringList overwriteAsked;
    std::function<void(const platform::MsgRequest&)> onOverwrite;
};
