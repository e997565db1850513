// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/demo/StoredRecord.h"

#include <unistd.h>

#include <system_error>

#include "archive/RecordFiles.h"
#include "platform/Zip.h"
#include "recordformat/WavReader.h"

namespace marulo::demo {

namespace {

// A private folder for the unpacked items, removed with the object.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "marulo-record-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
        }
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

}  // namespace

double StoredRecord::AudioSeconds() const {
    return format.averageBytesPerSecond == 0
               ? 0.0
               : static_cast<double>(audio.size()) / format.averageBytesPerSecond;
}

std::optional<StoredRecord> ReadStoredRecord(const std::filesystem::path& archive,
                                             std::string& error) {
    platform::ZipReader zip;
    if (!zip.Open(archive)) {
        error = archive.string() + ": not a readable ZIP archive";
        return std::nullopt;
    }
    const ScratchFolder scratch;
    if (scratch.Path().empty()) {
        error = "cannot make a temporary folder";
        return std::nullopt;
    }
    StoredRecord record;
    bool haveAudio = false;
    bool haveTrace = false;
    for (int i = 0; i < zip.ItemCount(); ++i) {
        const std::string name = zip.ItemName(i);
        record.itemNames.push_back(name);
        const std::filesystem::path target = scratch.Path() / ("item" + std::to_string(i));
        if (name != archive::kLoadedAudioFile && name != archive::kLoadedTraceFile) {
            continue;
        }
        if (!zip.ExtractItemToFile(i, target)) {
            error = archive.string() + ": cannot unpack " + name;
            return std::nullopt;
        }
        if (name == archive::kLoadedAudioFile) {
            auto wav = recordformat::ReadWavFile(target, error);
            if (!wav) {
                return std::nullopt;
            }
            record.format = wav->format;
            record.audio = std::move(wav->samples);
            haveAudio = true;
        } else {
            record.trace = recordformat::ReadTrace(target);
            haveTrace = true;
        }
    }
    if (!haveAudio || !haveTrace) {
        error = archive.string() + ": lacks " +
                (haveAudio ? archive::kLoadedTraceFile : archive::kLoadedAudioFile);
        return std::nullopt;
    }
    return record;
}

}  // namespace marulo::demo
