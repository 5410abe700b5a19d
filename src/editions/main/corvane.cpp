// The general edition: reads any book through the catalogue beside it.
#include "editions/edition.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    return editions::runEdition(app, reader::generalEdition());
}
