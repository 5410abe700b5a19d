// Writes files the way the programs do, under a file-size limit of its own:
// the full-disk tests start it, since a limit cannot be set on the threaded
// test process for one write only.
//
//   write_probe [--fsize BYTES] [--kill-after-first-piece] MODE ARGS...
//     lines PATH COUNT    the catalogue writer, COUNT lines
//     rtf PATH KILOBYTES  a rich text box saving about that much text
//     copy SOURCE TARGET  a file copy
//     build BOOKFOLDER    the builder, in the current folder, choosing every
//                         picture of the book folder; prints each message box
//
// Exit code 0 when the write succeeded, 3 when it reported a failure (its
// description on standard error), 2 for wrong arguments.
#include "builder/frmfile.h"
#include "platform/core/error.h"
#include "platform/core/messagebox.h"
#include "platform/files/dir_list.h"
#include "platform/files/file_ops.h"
#include "platform/text/ansi_text.h"
#include "platform/text/richtextbox.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

namespace {

int build(const QString& bookFolder)
{
    platform::MessageBoxRecorder boxes;
    // The window deletes itself when the writing closes it.
    QPointer<builder::frmFile> window = new builder::frmFile([] { return 0; });
    window->DirList->setPath(bookFolder);
    window->CmdChoice_Click();
    window->CmdOk_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete window.data();
    QTextStream out(stdout);
    for (const platform::MsgRequest& r : boxes.shown())
        out << "MSG " << QString(r.text).replace(QLatin1Char('\n'), QLatin1Char('|')) << "\n";
    return 0;
}

int run(const QStringList& args, bool killAfterFirstPiece)
{
    const QString mode = args.value(0);
    if (mode == "lines" && args.size() == 3) {
        QStringList lines;
        for (int i = 1; i <= args[2].toInt(); ++i)
            lines << QStringLiteral("第%1页-p%1.jpg-p%1.rtf").arg(i);
        platform::writeAnsiLines(args[1], lines);
        return 0;
    }
    if (mode == "rtf" && args.size() == 3) {
        platform::RichTextBox box;
        box.setPlainText(QString(args[2].toInt() * 512, QChar(0x6587)));
        box.SaveFile(args[1]);
        return 0;
    }
    if (mode == "copy" && args.size() == 3) {
        platform::copyFile(args[1], args[2], [&] {
            if (killAfterFirstPiece)
                std::raise(SIGKILL);
        });
        return 0;
    }
    if (mode == "build" && args.size() == 2)
        return build(args[1]);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    rlim_t limit = RLIM_INFINITY;
    bool kill = false;
    for (;;) {
        if (args.value(0) == "--fsize" && args.size() > 1) {
            limit = args[1].toULongLong();
            args = args.mid(2);
        } else if (args.value(0) == "--kill-after-first-piece") {
            kill = true;
            args = args.mid(1);
        } else {
            break;
        }
    }
    // Ignored, a write past the limit fails with EFBIG as on a full disk,
    // instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit fsize{limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &fsize) != 0)
        return 2;
    try {
        return run(args, kill);
    } catch (const platform::Error& e) {
        std::fprintf(stderr, "%s\n", e.description().toLocal8Bit().constData());
        return 3;
    }
}
