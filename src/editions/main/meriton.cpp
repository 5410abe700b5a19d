// The title edition 《古文六篇》全注全译: six short classical prose pieces, carried inside the program.
#include "editions/edition.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    return editions::runEdition(app, reader::meritonEdition());
}
