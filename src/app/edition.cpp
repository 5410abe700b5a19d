#include "app/edition.h"

#include "desktop/program_icon.h"
#include "platform/core/program.h"
#include "reader/frmmain.h"

#include <QApplication>

namespace app {

int runEdition(int& argc, char** argv, const QString& desktopId, const reader::EditionProfile& profile)
{
    QApplication application(argc, argv);
    desktop::setProgramIdentity(desktopId);
    platform::setUpChineseEnvironment(application);
    // The reader's close box ends the program itself; other windows closing must not.
    application.setQuitOnLastWindowClosed(false);
    reader::frmmain window(profile);
    window.Form_Load();
    window.show();
    return application.exec();
}

} // namespace app
