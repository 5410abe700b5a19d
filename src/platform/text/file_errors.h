#pragma once
// The error a failed file open stands for, numbered the way the windows expect.
#include "platform/core/error.h"

#include <QString>

namespace platform {

// Works out why the file could not be opened: a missing folder, a missing file or no permission.
Error fileOpenError(const QString& path, bool forWriting);

} // namespace platform
