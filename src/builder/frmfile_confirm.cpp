#include "builder/frmfile.h"

#include "builder/book_plan.h"
#include "builder/copy_progress.h"
#include "platform/core/error.h"
#include "platform/core/file_write.h"
#include "platform/core/listview.h"
#include "platform/core/messagebox.h"
#include "platform/files/dir_list.h"
#include "platform/files/file_ops.h"
#include "platform/text/ansi_text.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace builder {

namespace {
const QString kCatalogueName = QStringLiteral("docitem.txt");
const QString kBackupName = QStringLiteral("docitem");

// Clears a flag however the scope is left.
struct Busy {
    bool& flag;
    explicit Busy(bool& f) : flag(f) { flag = true; }
    ~Busy() { flag = false; }
};
}

struct frmFile::Copying {
    QDir from;
    QDir to;
    CopyProgress& progress;
    QSet<QString> handled;
    int k = 0;
    QStringList failed; // names in the working folder that did not get their file
};

namespace {
// The final message: the plain one when every file arrived, else which did not,
// since their pages will show nothing.
QString doneMessage(const QStringList& failed)
{
    const QString done = QStringLiteral("已经制作好图文播放目录，请重新启动软件使用。");
    if (failed.isEmpty())
        return done;
    constexpr int kNamesShown = 5;
    QString list = failed.mid(0, kNamesShown).join(QStringLiteral("\n"));
    if (failed.size() > kNamesShown)
        list += QStringLiteral("\n……");
    return QStringLiteral("已经制作好图文播放目录，但有%1个文件没有复制到当前目录，它们的页面将无法显示：\n%2\n\n请重新启动软件使用。")
        .arg(QString::number(failed.size()), list);
}
} // namespace

void frmFile::CmdOk_Click()
{
    if (writing_)
        return;
    bool written = false;
    QStringList failedCopies;
    {
        Busy busy(writing_);
        const QDir work(QDir::currentPath());
        const QString catalogue = platform::findFileIgnoringCase(work.path(), kCatalogueName);

        // Without a backup the old catalogue is not replaced.
        if (platform::pathTaken(catalogue) &&
            !platform::tryStep([&] { platform::copyFile(catalogue, work.filePath(kBackupName)); })) {
            platform::msgBox(QStringLiteral("无法将原有目录备份为docitem，目录没有改动。"), platform::MsgButtons::OK,
                             QString(), platform::MsgIcon::Warning);
            return;
        }

        const bool textNames = platform::msgBox(QStringLiteral("是否用文字文件名作为目录名?"),
                                                platform::MsgButtons::YesNo,
                                                QStringLiteral("选择“否”，将以图片文件名作为目录名")) ==
                               platform::MsgResult::Yes;

        QVector<PairRow> rows;
        for (int i = 1; i <= lvwFile->count(); ++i)
            platform::tryStep([&] { rows.append({lvwFile->subItem(i, 1), lvwFile->subItem(i, 2)}); });
        const QDir from(DirList->path());
        // A mended name goes to a file of the book only, never onto an unrelated file of the working folder.
        const NameIsFree isFree = [&](const QString& name, const QString& source) {
            const QString there = work.filePath(name), mine = from.filePath(source);
            return !platform::pathTaken(there) || platform::isSameFile(there, mine) ||
                   platform::sameContents(there, mine);
        };
        const QVector<RowPlan> plan =
            planBook(rows, textNames ? EntryNames::FromText : EntryNames::FromPicture, isFree);

        QSet<QString> sources;
        for (const PairRow& r : rows) {
            sources.insert(r.picture);
            if (!r.text.isEmpty())
                sources.insert(r.text);
        }
        CopyProgress progress(this, static_cast<int>(sources.size()), copyProgressDelayMs_);
        Copying run{from, work, progress, {}, 0, {}};
        // What a killed copy of an earlier run left behind.
        platform::removeTemporaryFiles(work.path());

        QStringList lines;
        for (int i = 0; i < rows.size(); ++i) {
            lines << plan[i].line;
            copyIntoWorkingFolder(run, rows[i].picture, plan[i].pictureTarget);
            copyIntoWorkingFolder(run, rows[i].text, plan[i].textTarget);
        }
        // Written whole beside the old catalogue and then put in its place.
        written = platform::tryStep([&] { platform::writeAnsiLines(catalogue, lines); });
        progress.finish();
        failedCopies = run.failed;

        if (written) {
            platform::tryStep([&] {
                counter_ = 0;
                if (reloadReader_)
                    counter_ = static_cast<int16_t>(reloadReader_());
            });
        }
    }
    if (!written) {
        // The old catalogue is still in place; the pairing stays for another try.
        platform::msgBox(QStringLiteral("无法写入目录文件docitem.txt，原有目录没有改动。"), platform::MsgButtons::OK,
                         QString(), platform::MsgIcon::Warning);
        return;
    }
    platform::msgBox(doneMessage(failedCopies), platform::MsgButtons::OK, QString(),
                     failedCopies.isEmpty() ? platform::MsgIcon::None : platform::MsgIcon::Warning);
    close();
}

void frmFile::copyIntoWorkingFolder(Copying& run, const QString& source, const QString& target)
{
    // A file named in several rows is copied, and asked about, once.
    if (source.isEmpty() || run.handled.contains(source))
        return;
    run.handled.insert(source);
    run.progress.startFile(++run.k, target);

    const QString from = run.from.filePath(source);
    const QString to = run.to.filePath(target);
    // A source gone since it was chosen: its line is written all the same, and the user told.
    if (!QFileInfo(from).isFile()) {
        run.failed << target;
        return;
    }
    // The book folder is the working folder: the file is already in place.
    if (platform::isSameFile(from, to))
        return;
    // A mended name that already holds these bytes: the same book built again.
    if (target != source && platform::sameContents(from, to))
        return;
    if (platform::pathTaken(to)) {
        run.progress.pause();
        const platform::MsgResult answer =
            platform::msgBox(QStringLiteral("文件已经存在，是否复盖?"), platform::MsgButtons::OKCancel, target,
                             platform::MsgIcon::Question);
        run.progress.resume();
        // Keeping the file there is the user's choice, not a failure.
        if (answer != platform::MsgResult::OK)
            return;
    }
    if (!platform::tryStep([&] { platform::copyFile(from, to, [&] { run.progress.keepAlive(); }); }))
        run.failed << target;
}

} // namespace builder
