#pragma once
// The usual Chinese Windows fonts, asked for by name by the windows and by
// the books' rich texts and metafiles, mapped to fonts Debian ships so the
// text is Chinese rather than empty boxes. Needs only Qt's GUI module, so the
// metafile helper maps the same names.

namespace platform {

void substituteWindowsFonts();

} // namespace platform
