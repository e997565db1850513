// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OutputVolume.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace marulo::platform {

namespace {

struct OutputVolumeState {
    std::uint16_t level = 65535;
    int nextHandle = 1;
    std::vector<std::pair<int, OutputVolumeObserver>> observers;
};

OutputVolumeState& State() {
    static OutputVolumeState state;
    return state;
}

}  // namespace

std::uint16_t GetOutputVolume() {
    return State().level;
}

void SetOutputVolume(std::uint16_t level) {
    OutputVolumeState& state = State();
    state.level = level;
    // A copy, so an observer may add or remove observers while it is told.
    const auto observers = state.observers;
    for (const auto& [handle, observer] : observers) {
        observer(level);
    }
}

int AddOutputVolumeObserver(OutputVolumeObserver observer) {
    OutputVolumeState& state = State();
    const int handle = state.nextHandle++;
    state.observers.emplace_back(handle, std::move(observer));
    return handle;
}

void RemoveOutputVolumeObserver(int handle) {
    auto& observers = State().observers;
    std::erase_if(observers, [handle](const auto& entry) { return entry.first == handle; });
}

}  // namespace marulo::platform
