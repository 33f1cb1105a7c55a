// Interrupts are caught and remembered, not fatal: a long run polls InterruptSignal() and stops
// cleanly. The first interrupt is the one that counts.
#include <gtest/gtest.h>

#include <csignal>

#include "platform.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace qorva {
namespace {

// Sends the interrupt the user's Ctrl-C (or, with `first` false, a later termination) gives.
void Interrupt(bool first) {
#ifdef _WIN32
  // Called as the console calls it: Wine delivers no console event to a program whose output
  // is a pipe, so the test plays the console.
  EXPECT_EQ(platform::ConsoleControlHandler(first ? CTRL_C_EVENT : CTRL_BREAK_EVENT), TRUE);
#else
  std::raise(first ? SIGINT : SIGTERM);
#endif
}

TEST(PlatformInterrupts, CtrlCIsCaughtAndTheFirstOneCounts) {
  platform::CatchInterrupts();
  ASSERT_EQ(platform::InterruptSignal(), 0);
  Interrupt(true);  // the process lives on
  EXPECT_EQ(platform::InterruptSignal(), SIGINT);
  EXPECT_EQ(platform::ExitStatusForSignal(platform::InterruptSignal()), 130);
  Interrupt(false);
  EXPECT_EQ(platform::InterruptSignal(), SIGINT);
}

}  // namespace
}  // namespace qorva
