// The general edition: reads any book through the catalogue beside it.
#include "app/edition.h"

int main(int argc, char** argv)
{
    return app::runEdition(argc, argv, QStringLiteral("org.aurelis.corvane"), reader::generalEdition());
}
