// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "jobs/LatestJob.h"
#include "jobs/QtPost.h"
#include "ratecheck/RateCheck.h"
#include "report/RecordReport.h"
#include "report/ReportPdf.h"
#include "report/ReportTexts.h"

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

// The checks of a record already made (the record under review's), or none yet.
using KnownChecks = std::optional<std::optional<std::vector<ratecheck::SecondCheck>>>;

// The work of each export, for an ExportRunner. A report checks the record's audio itself unless
// its checks are known; a stale export writes nothing once its check is done.
ExportRunner::Work PdfExport(report::RecordReport record, KnownChecks known,
                             report::ReportTexts texts, report::ReportOptions options,
                             std::filesystem::path target);
ExportRunner::Work CsvExport(report::RecordReport record, KnownChecks known,
                             std::filesystem::path target);
ExportRunner::Work WavExport(std::filesystem::path archive, std::filesystem::path target);

}  // namespace marulo::mainwnd
