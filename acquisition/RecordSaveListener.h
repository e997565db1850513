// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace marulo::acquisition {

// Takes a finished recording's working archive; called on the capture thread.
class RecordSaveListener {
public:
    virtual void OnRecordSaved(const std::string& archivePath) = 0;
    // The working files of the running recording cannot be created or written; what was written
    // so far is kept and is packed when the run closes.
    virtual void OnRecordingFailed() {}

protected:
    ~RecordSaveListener() = default;
};

}  // namespace marulo::acquisition
