#pragma once
// The one way the programs put a file on disk: the catalogue, its backup, the
// builder's copies, the help file and saved rich text. The bytes go to a hidden
// name beside the target and take the target's name only once every write and
// the close have succeeded, so a full disk, a size limit or a killed program
// leaves the old file whole. The name itself is replaced, never followed: when
// it is a symbolic link, the link is replaced and the file it points to is left
// alone (folders on the way may be links; only the last part of the name counts).
#include "platform/core/error.h"

#include <QByteArray>
#include <QString>
#include <sys/types.h>

namespace platform {

// The platform error for a failed system call on a path (errno value).
Error fileSystemError(int err, const QString& path);

// A file being written under a temporary name beside its target.
class ReplacingFile {
public:
    // Creates the temporary file. `mode` gives the permissions of a new file;
    // a target that is a regular file already keeps its own. Throws platform::Error.
    explicit ReplacingFile(const QString& target, mode_t mode = 0666);
    // Unless committed, the temporary file is removed.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    int fd() const { return fd_; }
    QString temporaryPath() const { return temporary_; }
    // Writes all the bytes or throws platform::Error (short writes are retried;
    // a write that makes no progress, such as one past a size limit, fails).
    void write(const char* data, qint64 size);
    void write(const QByteArray& bytes) { write(bytes.constData(), bytes.size()); }
    // Flushes to the disk, closes and renames into place. Throws platform::Error;
    // then the target is as it was before.
    void commit(bool flushToDisk = true);
    // For writers that fill the descriptor themselves: the error they met, which
    // makes commit() fail and remove the temporary file.
    void fail(int err);

private:
    QString target_;
    QString temporary_;
    int fd_ = -1;
    int error_ = 0;
    bool committed_ = false;
};

// Writes the bytes as the whole file under the name. Throws platform::Error.
void writeFileReplacing(const QString& path, const QByteArray& bytes);

// Whether a file name has the form ReplacingFile gives its temporary files
// (".NAME.xxxxxxxx.part", eight hexadecimal digits).
bool isTemporaryName(const QString& fileName);

// Removes the temporary files that an interrupted write left in the folder,
// and nothing else. Returns how many were removed.
int removeTemporaryFiles(const QString& folder);

} // namespace platform
