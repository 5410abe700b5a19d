#include "sandbox.h"
#include "platform/core/unique_fd.h"

#include <fcntl.h>
#include <linux/landlock.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

// Rights of later Landlock versions than the headers at hand may know; the
// kernel is asked which version it speaks, and only its rights are named.
#ifndef LANDLOCK_ACCESS_FS_REFER
#define LANDLOCK_ACCESS_FS_REFER (1ULL << 13)
#endif
#ifndef LANDLOCK_ACCESS_FS_TRUNCATE
#define LANDLOCK_ACCESS_FS_TRUNCATE (1ULL << 14)
#endif
#ifndef LANDLOCK_ACCESS_FS_IOCTL_DEV
#define LANDLOCK_ACCESS_FS_IOCTL_DEV (1ULL << 15)
#endif

namespace metafile_helper {

namespace {

// Every file-system right the kernel's version can withhold: a right left
// unnamed would stay granted everywhere.
quint64 allFileRights(long abi)
{
    quint64 rights = (LANDLOCK_ACCESS_FS_MAKE_SYM << 1) - 1; // version 1: execute .. make symbolic links
    if (abi >= 2)
        rights |= LANDLOCK_ACCESS_FS_REFER;
    if (abi >= 3)
        rights |= LANDLOCK_ACCESS_FS_TRUNCATE;
    if (abi >= 5)
        rights |= LANDLOCK_ACCESS_FS_IOCTL_DEV;
    return rights;
}


} // namespace

Sandbox forbidOpeningFiles(const QByteArrayList& readableFolders)
{
    const long abi = ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi < 1)
        return Sandbox::Unavailable;
    landlock_ruleset_attr ruleset{};
    ruleset.handled_access_fs = allFileRights(abi);
    const platform::UniqueFd rules(::syscall(SYS_landlock_create_ruleset, &ruleset, sizeof ruleset, 0));
    if (rules.get() < 0)
        return Sandbox::Unavailable;
    for (const QByteArray& folder : readableFolders) {
        const platform::UniqueFd at(::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (at.get() < 0)
            continue;
        landlock_path_beneath_attr rule{};
        rule.allowed_access = LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR;
        rule.parent_fd = at.get();
        ::syscall(SYS_landlock_add_rule, rules.get(), LANDLOCK_RULE_PATH_BENEATH, &rule, 0);
    }
    // Without this the kernel refuses the restriction to a process that may
    // still gain privileges by running a program.
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return Sandbox::Unavailable;
    if (::syscall(SYS_landlock_restrict_self, rules.get(), 0) != 0)
        return Sandbox::Unavailable;
    return Sandbox::Applied;
}

} // namespace metafile_helper
