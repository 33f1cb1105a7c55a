// Ctrl-C and termination requests during a long envelope run: instead of dying with working
// files left behind, the run is cancelled through its progress callback and cleans up.
#pragma once

#include <csignal>

namespace qorva::cli {

inline volatile std::sig_atomic_t g_interrupted = 0;

inline void OnInterrupt(int) { g_interrupted = 1; }

// Routes SIGINT and SIGTERM to the flag for the rest of the program.
inline void CatchInterrupts() {
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
}

inline bool Interrupted() { return g_interrupted != 0; }

// The exit status of a run stopped by a signal, as shells report one.
constexpr int kExitInterrupted = 130;

}  // namespace qorva::cli
