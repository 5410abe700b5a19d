#include "builder/frmfile.h"

#include "builder/book_plan.h"
#include "builder/copy_progress.h"
#include "platform/core/error.h"
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
};

void frmFile::CmdOk_Click()
{
    if (writing_)
        return;
    bool written = false;
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
        const QVector<RowPlan> plan = planBook(rows, textNames ? EntryNames::FromText : EntryNames::FromPicture);

        QSet<QString> sources;
        for (const PairRow& r : rows) {
            sources.insert(r.picture);
            if (!r.text.isEmpty())
                sources.insert(r.text);
        }
        CopyProgress progress(this, static_cast<int>(sources.size()), copyProgressDelayMs_);
        Copying run{QDir(DirList->path()), work, progress, {}, 0};

        QStringList lines;
        for (int i = 0; i < rows.size(); ++i) {
            lines << plan[i].line;
            copyIntoWorkingFolder(run, rows[i].picture, plan[i].pictureTarget);
            copyIntoWorkingFolder(run, rows[i].text, plan[i].textTarget);
        }
        // Written whole beside the old catalogue and then put in its place.
        written = platform::tryStep([&] { platform::writeAnsiLines(catalogue, lines); });
        progress.finish();

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
    platform::msgBox(QStringLiteral("已经制作好图文播放目录，请重新启动软件使用。"));
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
    // A missing source is skipped; its line is written all the same.
    if (!QFileInfo(from).isFile())
        return;
    // The book folder is the working folder: the file is already in place.
    if (platform::isSameFile(from, to))
        return;
    if (platform::pathTaken(to)) {
        run.progress.pause();
        const platform::MsgResult answer =
            platform::msgBox(QStringLiteral("文件已经存在，是否复盖?"), platform::MsgButtons::OKCancel, target,
                             platform::MsgIcon::Question);
        run.progress.resume();
        if (answer != platform::MsgResult::OK)
            return;
    }
    platform::tryStep([&] { platform::copyFile(from, to, [&] { run.progress.keepAlive(); }); });
}

} // namespace builder
