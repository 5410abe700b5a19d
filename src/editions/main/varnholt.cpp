// The title edition 《孙子兵法》全注全译: the thirteen chapters and the biography of Sun Wu, carried inside the program.
#include "desktop/program_icon.h"
#include "editions/edition.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.aurelis.varnholt"));
    QApplication::setWindowIcon(desktop::programIcon(QStringLiteral("org.aurelis.varnholt")));
    return editions::runEdition(app, reader::varnholtEdition());
}
