#pragma once
// Once the helper holds its metafile and has set up what drawing needs, it
// gives up opening files: a fault in a foreign decoder that runs afterwards
// can then read none of the user's files, whatever the metafile makes it do.
#include <QByteArrayList>

namespace metafile_helper {

enum class Sandbox {
    Applied,     // from now on only the readable folders can be opened, and only for reading
    Unavailable, // the kernel offers no Landlock (or refused it): the helper runs as before
};

// Applies to this process and every process it starts; cannot be undone.
// Folders that do not exist are left out.
Sandbox forbidOpeningFiles(const QByteArrayList& readableFolders);

} // namespace metafile_helper
