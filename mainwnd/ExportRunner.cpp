// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/ExportRunner.h"

#include <QProgressDialog>
#include <cmath>

#include "controls/WindowTexts.h"
#include "report/ExportFiles.h"

namespace marulo::mainwnd {

namespace {
// Shorter exports finish without a dialog flashing up.
constexpr int kDialogAfterMilliseconds = 400;
constexpr int kSteps = 100;
// The check reads all the audio: most of a report's time.
constexpr double kCheckShare = 0.9;

std::optional<std::vector<ratecheck::SecondCheck>> ChecksFor(const report::RecordReport& record,
                                                             const KnownChecks& known,
                                                             jobs::JobControl& control) {
    if (known) {
        return *known;
    }
    return report::CheckRecordAudio(record, control.StopFlag(), [&control](double fraction) {
        control.Progress(fraction * kCheckShare);
    });
}

}  // namespace

ExportRunner::ExportRunner(QWidget& window) : QObject(&window), m_window(window) {}

ExportRunner::~ExportRunner() {
    CloseDialog();
}

void ExportRunner::Start(Work work, Done done) {
    CloseDialog();
    auto* dialog = new QProgressDialog(controls::Message("ExportProgress"),
                                       controls::Message("Cancel"), 0, kSteps, &m_window);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setMinimumDuration(kDialogAfterMilliseconds);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setValue(0);
    connect(dialog, &QProgressDialog::canceled, this, [this] { Cancel(); });
    m_dialog = dialog;
    m_job.Start(
        std::move(work),
        [this, done = std::move(done)](const Outcome& outcome) {
            CloseDialog();
            done(outcome);
        },
        [this](double fraction) {
            if (m_dialog != nullptr) {
                m_dialog->setValue(static_cast<int>(std::lround(fraction * kSteps)));
            }
        });
}

void ExportRunner::Cancel() {
    m_job.Cancel();
    CloseDialog();
}

void ExportRunner::CloseDialog() {
    if (m_dialog != nullptr) {
        // Its own cancel signal must not come back here while it goes.
        m_dialog->disconnect(this);
        m_dialog->close();
        m_dialog->deleteLater();
        m_dialog = nullptr;
    }
}

ExportRunner::Work PdfExport(report::RecordReport record, KnownChecks known,
                             report::ReportTexts texts, report::ReportOptions options,
                             std::filesystem::path target) {
    return [record = std::move(record), known = std::move(known), texts = std::move(texts), options,
            target = std::move(target)](jobs::JobControl& control) {
        ExportRunner::Outcome outcome;
        const auto checks = ChecksFor(record, known, control);
        if (!control.Stale()) {
            outcome.written = report::WritePdfReport(target, record.facts, record.trace, texts,
                                                     options, outcome.error, checks, record.events);
        }
        return outcome;
    };
}

ExportRunner::Work CsvExport(report::RecordReport record, KnownChecks known,
                             std::filesystem::path target) {
    return [record = std::move(record), known = std::move(known),
            target = std::move(target)](jobs::JobControl& control) {
        ExportRunner::Outcome outcome;
        const auto checks = ChecksFor(record, known, control);
        if (!control.Stale()) {
            outcome.written = report::WriteCsvReport(record, target, checks, outcome.error);
        }
        return outcome;
    };
}

ExportRunner::Work WavExport(std::filesystem::path archive, std::filesystem::path target) {
    return [archive = std::move(archive), target = std::move(target)](const jobs::JobControl&) {
        ExportRunner::Outcome outcome;
        outcome.written = report::SaveArchivedAudio(archive, target, outcome.error);
        return outcome;
    };
}

}  // namespace marulo::mainwnd
