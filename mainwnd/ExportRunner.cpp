// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/ExportRunner.h"

#include <QProgressDialog>
#include <cmath>

#include "controls/WindowTexts.h"

namespace marulo::mainwnd {

namespace {
// Shorter exports finish without a dialog flashing up.
constexpr int kDialogAfterMilliseconds = 400;
constexpr int kSteps = 100;
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

}  // namespace marulo::mainwnd
