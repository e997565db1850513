// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/AcquisitionListener.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WaitFor.h"

namespace marulo::testing {

// An acquisition listener that writes down every call, tagged with its name, in a shared log.
class LoggingListener final : public acquisition::AcquisitionListener {
public:
    struct Log {
        std::mutex mutex;
        std::vector<std::string> entries;
        std::vector<std::vector<std::uint8_t>> blocks;  // the blocks of the first listener only

        std::vector<std::string> Entries() {
            std::lock_guard lock(mutex);
            return entries;
        }
        std::size_t Count(const std::string& entry) {
            std::lock_guard lock(mutex);
            return static_cast<std::size_t>(std::count(entries.begin(), entries.end(), entry));
        }
    };

    LoggingListener(std::string name, Log& log, bool keepBlocks = false)
        : m_name(std::move(name)), m_log(log), m_keepBlocks(keepBlocks) {}

    void OnCaptureOpen() override { Write("open"); }
    void OnAudioBlock(std::span<const std::uint8_t> block) override {
        Write("block" + std::to_string(block.size()));
        if (m_keepBlocks) {
            std::lock_guard lock(m_log.mutex);
            m_log.blocks.emplace_back(block.begin(), block.end());
        }
    }
    void OnHeartRate(std::int32_t beatsPerMinute) override {
        Write("rate" + std::to_string(beatsPerMinute));
    }
    void OnCaptureClose() override { Write("close"); }
    void OnAudioOverrun() override { Write("overrun"); }

private:
    void Write(const std::string& what) {
        std::lock_guard lock(m_log.mutex);
        m_log.entries.push_back(m_name.empty() ? what : m_name + ":" + what);
    }

    std::string m_name;
    Log& m_log;
    bool m_keepBlocks = false;
};

// Makes a fresh folder the current directory for the working files, and removes it afterwards.
class WorkingFolder : public TempFolder {
public:
    WorkingFolder() : TempFolder("capture", Current::Enter) {}
};

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::uint32_t U32At(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes.at(offset)) | bytes.at(offset + 1) << 8 |
           bytes.at(offset + 2) << 16 | static_cast<std::uint32_t>(bytes.at(offset + 3)) << 24;
}

}  // namespace marulo::testing
