#include "reader/edition_profile.h"

namespace reader {

EditionProfile generalEdition() { return EditionProfile(); }

} // namespace reader
