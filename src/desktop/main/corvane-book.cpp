// corvane-book: opens a book in corvane, from the menu, a file manager's "Open
// with" or a drop on the launcher. Unlike the three programs it takes an
// argument: the book's folder or its catalogue.
#include "desktop/launcher.h"
#include "desktop/program_icon.h"

#include "platform/core/messagebox.h"
#include "platform/core/program.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>

namespace {

// The demo book, found relative to the launcher so an installed tree can move.
const char* const kDemoBookFromBin = AURELIS_BIN_TO_DEMO_BOOK;

} // namespace

int main(int argc, char** argv)
{
    // The desktop's startup notice belongs to the reader's window, not to the
    // launcher's, which may show none: it is handed on to corvane.
    const QProcessEnvironment startEnvironment = QProcessEnvironment::systemEnvironment();

    QApplication app(argc, argv);
    desktop::setProgramIdentity(QStringLiteral("org.aurelis.corvane"));
    platform::setUpChineseEnvironment(app);
    platform::setDefaultMsgTitle(launcher::chooserTitle());
    // The folder chooser would keep its history and places in a settings file:
    // the launcher remembers nothing between runs, so they go where they are dropped.
    QTemporaryDir forgotten;
    if (forgotten.isValid())
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, forgotten.path());

    const QString here = QCoreApplication::applicationDirPath();
    launcher::Setup setup;
    setup.corvane = QDir(here).filePath(QStringLiteral("corvane"));
    setup.demoBook = QDir::cleanPath(QDir(here).filePath(QString::fromUtf8(kDemoBookFromBin)));
    setup.home = QDir::homePath();

    launcher::Hooks hooks;
    hooks.chooseFolder = [](const QString& title, const QString& start) {
        return QFileDialog::getExistingDirectory(nullptr, title, start, QFileDialog::ShowDirsOnly);
    };
    hooks.start = [&startEnvironment](const QString& program, const QString& folder) {
        QProcess corvane;
        corvane.setProgram(program);
        corvane.setWorkingDirectory(folder);
        corvane.setProcessEnvironment(startEnvironment);
        return corvane.startDetached();
    };

    QStringList arguments = app.arguments();
    arguments.removeFirst();
    return launcher::openBook(arguments, setup, hooks);
}
