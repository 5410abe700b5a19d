#pragma once
// Starts one edition of the reader: its window, its start-up, its event loop.
#include "reader/edition_profile.h"

class QApplication;

namespace editions {

int runEdition(QApplication& app, const reader::EditionProfile& profile);

} // namespace editions
