// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaObject>
#include <QObject>
#include <utility>

#include "jobs/LatestJob.h"

namespace marulo::jobs {

// Carries a job's results and progress to the thread of context, queued. The context must outlive
// the LatestJob (make the job its member); calls queued for a context since deleted are dropped.
inline LatestJob::Post PostTo(QObject* context) {
    return [context](LatestJob::Call call) {
        QMetaObject::invokeMethod(context, std::move(call), Qt::QueuedConnection);
    };
}

}  // namespace marulo::jobs
