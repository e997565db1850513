// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace marulo::acquisition {

// Takes a finished recording's working archive; called on the capture thread.
class RecordSaveListener {
public:
    virtual void OnRecordSaved(const std::string& archivePath) = 0;

protected:
    ~RecordSaveListener() = default;
};

}  // namespace marulo::acquisition
