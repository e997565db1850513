// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SoundSourceState.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <utility>

#include "platform/SoundThread.h"

namespace marulo::platform {

void SourceState::ReportLost(SoundInputError error) {
    delivering = false;
    std::lock_guard lock(mutex);
    lost = std::move(error);
    if (owner != nullptr) {
        owner->Post(kMessageInputLost);
    }
}

void SourceState::CheckDevice() {
    QCoreApplication* application = QCoreApplication::instance();
    if (!delivering || application == nullptr) {
        return;
    }
    QMetaObject::invokeMethod(
        application,
        [listed = listed, id = device.id().toStdString(), weak = weak_from_this()] {
            if (listed(id)) {
                return;
            }
            // Only the sound thread may hold the last share of the state.
            QMetaObject::invokeMethod(
                &SoundThread(),
                [weak] {
                    if (const std::shared_ptr<SourceState> state = weak.lock();
                        state && state->delivering) {
                        state->ReportLost({QAudio::IOError, "The capture device was removed.",
                                           SoundInputProblem::DeviceGone,
                                           state->device.description().toStdString()});
                    }
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

}  // namespace marulo::platform
