// The general edition: reads any book through the catalogue beside it.
#include "desktop/program_icon.h"
#include "editions/edition.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.aurelis.corvane"));
    QApplication::setWindowIcon(desktop::programIcon(QStringLiteral("org.aurelis.corvane")));
    return editions::runEdition(app, reader::generalEdition());
}
