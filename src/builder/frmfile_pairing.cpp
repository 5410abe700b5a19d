#include "builder/frmfile.h"

#include "platform/core/error.h"
#include "platform/core/listview.h"
#include "platform/core/messagebox.h"
#include "platform/files/dir_list.h"
#include "platform/files/drive_list.h"
#include "platform/files/file_list.h"

#include <QPushButton>

namespace builder {

namespace {
// Row numbers are 16-bit, and so is the reader's catalogue: no more rows than that.
constexpr int kMaxRows = 32767;
}

void frmFile::DriveList_Change()
{
    const auto failure = platform::runUntilFailure({
        [&] { DriveList->checkReady(); },
        [&] { DirList->setPath(DriveList->drive()); },
    });
    if (failure) {
        // A drive without a medium: say so, and the lists stay where they were.
        platform::msgBox(failure->description(), platform::MsgButtons::OK, QString(), platform::MsgIcon::Warning);
        DriveList->showDriveOf(DirList->path());
    }
}

void frmFile::DirList_Change()
{
    FileList->setPath(DirList->path());
    FileTxt->setPath(DirList->path());
    lvwFile->clearRows();
    counter_ = 0;
}

void frmFile::FileList_Click()
{
    const QString picture = FileList->fileName();
    if (picture.isEmpty() || lvwFile->count() >= kMaxRows)
        return;
    const int n = lvwFile->count() + 1;
    lvwFile->addRows({{QString::number(n), picture}});
}

void frmFile::FileTxt_Click()
{
    const int last = lvwFile->count();
    const bool hasPicture = platform::tryStep([&] {
        if (lvwFile->subItem(last, 1).isEmpty())
            throw platform::Error(platform::errc::InvalidArgument, QString());
    });
    if (!hasPicture) {
        platform::msgBox(QStringLiteral("在选择文字文件之前，请先选择相应的图片文件！"));
        return;
    }
    platform::tryStep([&] { lvwFile->setSubItem(last, 2, FileTxt->fileName()); });
}

void frmFile::CmdChoice_Click()
{
    const int pictures = FileList->listCount();
    if (pictures == 0)
        return;
    QVector<QStringList> rows;
    const int room = kMaxRows - lvwFile->count();
    for (int i = 0; i < pictures && i < room; ++i)
        rows.append({QString::number(i + 1), FileList->fileNameAt(i), FileTxt->fileNameAt(i)});
    lvwFile->addRows(rows);
    const int n = lvwFile->count();
    CmdChoice->setEnabled(!(n >= 1 && n >= pictures));
}

void frmFile::CmdNot_Click()
{
    lvwFile->clearRows();
    CmdChoice->setEnabled(true);
}

} // namespace builder
