// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Trash.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <QFile>
#include <QString>
#include <cerrno>
#include <cstdio>
#include <system_error>

namespace marulo::platform {

namespace fs = std::filesystem;

namespace {

// Taken, or not known to be free.
bool Exists(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 || errno != ENOENT;
}

// The desktop trash lists every file of its "files" folder in "info/<name>.trashinfo".
fs::path InfoFileOf(const fs::path& inTrash) {
    fs::path info = inTrash.parent_path().parent_path() / "info" / inTrash.filename();
    info += ".trashinfo";
    return info;
}

}  // namespace

TrashResult MoveToTrash(const fs::path& file) {
    TrashResult result;
    std::error_code error;
    if (!fs::is_regular_file(fs::symlink_status(file, error))) {
        result.problem = TrashProblem::Missing;
        return result;
    }
    QString inTrash;
    const QString name = QString::fromStdString(fs::absolute(file, error).string());
    if (error || !QFile::moveToTrash(name, &inTrash) || inTrash.isEmpty()) {
        result.problem = Exists(file) ? TrashProblem::NoTrash : TrashProblem::Missing;
        return result;
    }
    result.file = {fs::absolute(file, error), fs::path(inTrash.toStdString())};
    return result;
}

RestoreProblem RestoreFromTrash(const TrashedFile& file) {
    std::error_code error;
    if (!fs::is_regular_file(fs::symlink_status(file.inTrash, error))) {
        return RestoreProblem::GoneFromTrash;
    }
    if (Exists(file.original)) {
        return RestoreProblem::OriginalTaken;
    }
    if (::renameat2(AT_FDCWD, file.inTrash.c_str(), AT_FDCWD, file.original.c_str(),
                    RENAME_NOREPLACE) != 0) {
        if (errno == EEXIST) {
            return RestoreProblem::OriginalTaken;
        }
        return errno == ENOENT && !Exists(file.inTrash) ? RestoreProblem::GoneFromTrash
                                                        : RestoreProblem::Failed;
    }
    fs::remove(InfoFileOf(file.inTrash), error);
    return RestoreProblem::None;
}

}  // namespace marulo::platform
