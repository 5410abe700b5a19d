#pragma once
// Runs one edition of the reader as a program: the desktop entry it goes by,
// its window, its start-up, its event loop.
#include "reader/edition_profile.h"

#include <QString>

namespace app {

// desktopId: the edition's desktop entry, e.g. "org.aurelis.corvane".
int runEdition(int& argc, char** argv, const QString& desktopId, const reader::EditionProfile& profile);

} // namespace app
