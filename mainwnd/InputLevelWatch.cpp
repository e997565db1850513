// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/InputLevelWatch.h"

#include <utility>

namespace marulo::mainwnd {

InputLevelWatch::InputLevelWatch(const platform::SoundInputChoice& choice, Show show, Wanted wanted,
                                 QObject* parent)
    : QObject(parent),
      m_show(std::move(show)),
      m_wanted(std::move(wanted)),
      m_listener([this](const livesignal::InputLevelValue& value) {
          QMetaObject::invokeMethod(
              this,
              [this, value] {
                  if (m_showing) {
                      m_show(value);
                  }
              },
              Qt::QueuedConnection);
      }),
      // A stream that fails shows no level; the run's own start tells why.
      m_probe([&choice] { return choice.CreateInput(); }, [] { return false; }) {
    m_probe.AddListener(m_listener);
    m_period.setInterval(kPeriodMilliseconds);
    connect(&m_period, &QTimer::timeout, this, &InputLevelWatch::Reconsider);
    m_period.start();
}

InputLevelWatch::~InputLevelWatch() {
    m_period.stop();
    LetGo();
    m_probe.RemoveListener(m_listener);
}

void InputLevelWatch::Reconsider() {
    if (!m_wanted()) {
        LetGo();
        return;
    }
    m_showing = true;
    // A stream still closing, from a let-go or a lost device, is waited out by the next period.
    if (!m_probe.AnyThreadRunning()) {
        m_probe.StartCapture();
    }
}

void InputLevelWatch::LetGo() {
    m_probe.StopCapture();
    if (m_showing) {
        m_showing = false;
        m_show(std::nullopt);
    }
}

}  // namespace marulo::mainwnd
