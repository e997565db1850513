// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

namespace marulo::platform {

// Where a file went in the desktop's trash, to bring it back from there.
struct TrashedFile {
    std::filesystem::path original;
    std::filesystem::path inTrash;
};

enum class TrashProblem {
    None,
    Missing,  // the file to move is not there
    NoTrash,  // the desktop's trash cannot take it; the file stays where it was
};

struct TrashResult {
    TrashProblem problem = TrashProblem::None;
    TrashedFile file;
};

// Moves the file into the desktop's trash, from where the user or RestoreFromTrash can bring it
// back. Never deletes.
TrashResult MoveToTrash(const std::filesystem::path& file);

enum class RestoreProblem {
    None,
    OriginalTaken,  // a file has the old name again; neither is touched
    GoneFromTrash,  // the file was emptied from or restored out of the trash meanwhile
    Failed,         // the system refused the move; the file stays in the trash
};

// Moves a trashed file back to its old path, never over a file that has taken that name, and
// drops its entry in the trash's list.
RestoreProblem RestoreFromTrash(const TrashedFile& file);

}  // namespace marulo::platform
