// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

namespace marulo::platform {

// The one thread, for the program's whole life, where every Qt audio source lives and is called:
// the sound system's connection, made on the first start, reconnects from the thread it was made
// on after the sound server restarts, so that thread must outlive every run. It is never joined
// or destroyed, as it may be stuck in a hung sound server when the program ends.
QObject& SoundThread();

// Counts work posted to the sound thread until it has ended, for SoundSystemAnswers.
void SoundWorkPosted();
void SoundWorkEnded();

}  // namespace marulo::platform
