// Ctrl-C, termination, hang-up, quit and a broken pipe during a long envelope run: instead
// of dying with working files left behind, the run is cancelled through its progress
// callback, cleans up, and the program ends with the status a shell expects of that signal.
#pragma once

#include "platform.h"

namespace qorva::cli {

// Routes the signals to a flag for the rest of the program.
inline void CatchInterrupts() { platform::CatchInterrupts(); }

inline bool Interrupted() { return platform::InterruptSignal() != 0; }

// The exit status of a run stopped by a signal: 128 + its number (130 for Ctrl-C).
inline int InterruptedExitStatus() {
  return platform::ExitStatusForSignal(platform::InterruptSignal());
}

}  // namespace qorva::cli
