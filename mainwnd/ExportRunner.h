// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <functional>
#include <string>

#include "jobs/LatestJob.h"
#include "jobs/QtPost.h"

class QWidget;

namespace marulo::mainwnd {

// Runs an export off the window's thread, one at a time, with a window-modal progress dialog
// whose Cancel drops it; the window keeps answering meanwhile.
class ExportRunner : public QObject {
public:
    struct Outcome {
        bool written = false;
        std::string error;
    };
    using Work = std::function<Outcome(jobs::JobControl& control)>;
    using Done = std::function<void(const Outcome& outcome)>;

    explicit ExportRunner(QWidget& window);
    ~ExportRunner() override;
    ExportRunner(const ExportRunner&) = delete;
    ExportRunner& operator=(const ExportRunner&) = delete;

    // Done comes on this thread unless the export was cancelled or replaced.
    void Start(Work work, Done done);
    bool IsRunning() const { return m_job.Busy(); }
    // The dialog of the export in hand; null when none runs.
    QProgressDialog* Dialog() const { return m_dialog; }
    void Cancel();

private:
    void CloseDialog();

    QWidget& m_window;
    QPointer<QProgressDialog> m_dialog;
    // Last: its worker is done before the rest goes.
    jobs::LatestJob m_job{jobs::PostTo(this)};
};

}  // namespace marulo::mainwnd
