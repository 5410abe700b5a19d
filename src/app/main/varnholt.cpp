// The title edition 《孙子兵法》全注全译: the thirteen chapters and the biography of Sun Wu, carried inside the program.
#include "app/edition.h"

int main(int argc, char** argv)
{
    return app::runEdition(argc, argv, QStringLiteral("org.aurelis.varnholt"), reader::varnholtEdition());
}
