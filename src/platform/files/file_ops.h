#pragma once
// File operations the windows need beyond Qt's: names matched without regard to
// letter case, whole-file copies done by the kernel, and telling whether two
// names stand for the same file.
#include <QString>
#include <functional>

namespace platform {

// The file in the folder whose name equals the given name in any letter case,
// the exact name first; the given name in that folder when there is none.
QString findFileIgnoringCase(const QString& folder, const QString& name);

// Whether both names lead to the same file (also through links); false when either is missing.
bool isSameFile(const QString& a, const QString& b);

// Whether something (a file, a folder, a link even when broken) stands under the name.
bool pathTaken(const QString& path);

// Whether both are regular files with the same bytes (read in small pieces).
bool sameContents(const QString& a, const QString& b);

// Copies a regular file's bytes to the target, replacing it. The kernel copies
// (reflink, copy_file_range), or failing that a small buffer does: a file is
// never held in memory whole. The copy takes the target's name only once it is
// complete, so a failed or killed copy leaves the target as it was; a target
// that is a symbolic link is replaced, not written through. `between` runs
// between the pieces of a long copy. Throws platform::Error.
void copyFile(const QString& source, const QString& target, const std::function<void()>& between = {});

} // namespace platform
