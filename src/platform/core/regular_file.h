#pragma once
// Reading the files a book names. A book is a folder from anywhere: a name may
// lead to a device that never ends (/dev/zero), a named pipe that blocks the
// reader for ever, or a file far larger than any page. Only regular files of
// a bounded size are read.
#include <QByteArray>
#include <QString>

namespace platform {

struct RegularFileRead {
    enum Status {
        Read,
        CannotOpen,     // missing, a missing folder, no permission: see error
        NotRegularFile, // a folder, device, pipe or socket (links followed)
        TooLarge,       // more than the limit
        ReadFailed,
    };
    Status status = CannotOpen;
    int error = 0; // errno of a failed open
    QByteArray bytes;
};

// Reads the whole file when it is a regular file (after following links) of
// at most maxBytes. Opening never blocks, whatever the name leads to.
RegularFileRead readRegularFile(const QString& path, qint64 maxBytes);

} // namespace platform
