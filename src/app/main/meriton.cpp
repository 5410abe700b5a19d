// The title edition 《古文六篇》全注全译: six short classical prose pieces, carried inside the program.
#include "app/edition.h"

int main(int argc, char** argv)
{
    return app::runEdition(argc, argv, QStringLiteral("org.aurelis.meriton"), reader::meritonEdition());
}
