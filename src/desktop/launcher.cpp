#include "desktop/launcher.h"

#include "platform/core/messagebox.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace launcher {

namespace {

const QString kUsage = QStringLiteral("用法：corvane-book [书的文件夹 | 书中的 docitem.txt]");

void showError(const QString& text)
{
    platform::msgBox(text, platform::MsgButtons::OK, QString(), platform::MsgIcon::Critical);
}

QString shown(const QString& path) { return QDir::toNativeSeparators(QDir::cleanPath(path)); }

// The reader takes the catalogue's name in any letter case (books come from
// Windows), so the launcher does too.
bool holdsCatalogue(const QString& folder)
{
    const QStringList files =
        QDir(folder).entryList({QStringLiteral("docitem.txt")}, QDir::Files | QDir::Hidden | QDir::System);
    return !files.isEmpty();
}

bool copyTree(const QString& from, const QString& to)
{
    const QDir source(from);
    QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        const QString target = QDir(to).filePath(source.relativeFilePath(entry.filePath()));
        if (entry.isDir() && !entry.isSymLink()) {
            if (!QDir().mkpath(target))
                return false;
        } else if (!QFile::copy(entry.filePath(), target)) {
            return false;
        }
    }
    return true;
}

// The own book folder, made on first use and seeded with the demo book so the
// first start shows a real book. A folder that exists is taken as it is,
// whatever the user has done with it since.
bool prepareOwnBookFolder(const Setup& setup, QString* folder)
{
    if (setup.home.isEmpty() || !QFileInfo(setup.home).isDir()) {
        showError(QStringLiteral("找不到个人文件夹，无法建立“图文电子书”文件夹。"));
        return false;
    }
    *folder = ownBookFolder(setup.home);
    const QFileInfo info(*folder);
    if (info.exists() || info.isSymLink()) {
        if (info.isDir())
            return true;
        showError(QStringLiteral("“%1”不是文件夹，无法在其中存放图文电子书。").arg(shown(*folder)));
        return false;
    }
    if (!QDir().mkdir(*folder)) {
        showError(QStringLiteral("无法建立文件夹“%1”。").arg(shown(*folder)));
        return false;
    }
    if (QFileInfo(setup.demoBook).isDir() && !copyTree(setup.demoBook, *folder)) {
        // A half-copied book would be taken for the user's own next time.
        QDir(*folder).removeRecursively();
        showError(QStringLiteral("无法把示范书复制到“%1”。").arg(shown(*folder)));
        return false;
    }
    return true;
}

int startIn(const QString& folder, const Setup& setup, const Hooks& hooks)
{
    if (hooks.start(setup.corvane, folder))
        return 0;
    showError(QStringLiteral("无法启动阅读器“%1”。").arg(shown(setup.corvane)));
    return 1;
}

} // namespace

QString chooserTitle() { return QStringLiteral("打开图文电子书"); }

QString ownBookFolder(const QString& home) { return QDir(home).filePath(QStringLiteral("图文电子书")); }

int openBook(const QStringList& arguments, const Setup& setup, const Hooks& hooks)
{
    if (arguments.size() > 1) {
        showError(QStringLiteral("一次只能打开一本书。\n\n") + kUsage);
        return 1;
    }
    QString folder;
    if (arguments.isEmpty() || arguments.first().isEmpty()) {
        QString own;
        if (!prepareOwnBookFolder(setup, &own))
            return 1;
        folder = hooks.chooseFolder(chooserTitle(), own);
    } else {
        // A catalogue names its book's folder; so does any other file of the
        // book, as a file manager may pass one.
        const QFileInfo given(arguments.first());
        if (!given.exists()) {
            showError(QStringLiteral("找不到“%1”。").arg(shown(given.absoluteFilePath())));
            return 1;
        }
        folder = given.isDir() ? given.absoluteFilePath() : given.absolutePath();
    }

    // corvane makes a new book in a folder without a catalogue, writing files
    // into it: only where the user has said so.
    while (!folder.isEmpty()) {
        const QFileInfo info(folder);
        if (!info.isDir() || !info.isExecutable() || !info.isReadable()) {
            showError(QStringLiteral("无法打开文件夹“%1”。").arg(shown(info.absoluteFilePath())));
            return 1;
        }
        if (holdsCatalogue(folder))
            return startIn(info.absoluteFilePath(), setup, hooks);
        const platform::MsgResult answer = platform::msgBox(
            QStringLiteral("文件夹“%1”里没有图文电子书（没有目录文件 docitem.txt）。\n\n"
                           "要在这个文件夹里制作一本新书吗？\n"
                           "选“是”，阅读器在这里打开，用菜单“制作电子书”把图像和文字配成书页；"
                           "选“否”，另选一个文件夹。")
                .arg(shown(info.absoluteFilePath())),
            platform::MsgButtons::YesNo, chooserTitle(), platform::MsgIcon::Question);
        if (answer == platform::MsgResult::Yes)
            return startIn(info.absoluteFilePath(), setup, hooks);
        folder = hooks.chooseFolder(chooserTitle(), info.absoluteFilePath());
    }
    return 0;
}

} // namespace launcher
