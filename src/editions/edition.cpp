#include "editions/edition.h"

#include "platform/core/program.h"
#include "reader/frmmain.h"

#include <QApplication>

namespace editions {

int runEdition(QApplication& app, const reader::EditionProfile& profile)
{
    platform::setUpChineseEnvironment(app);
    // The reader's close box ends the program itself; other windows closing must not.
    app.setQuitOnLastWindowClosed(false);
    reader::frmmain window(profile);
    window.Form_Load();
    window.show();
    return app.exec();
}

} // namespace editions
