// The title edition 《古文六篇》全注全译: six short classical prose pieces, carried inside the program.
#include "desktop/program_icon.h"
#include "editions/edition.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.aurelis.meriton"));
    QApplication::setWindowIcon(desktop::programIcon(QStringLiteral("org.aurelis.meriton")));
    return editions::runEdition(app, reader::meritonEdition());
}
