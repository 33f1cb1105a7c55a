// A one-line progress indicator on a terminal: percentage, throughput and time left, redrawn
// in place and erased when the work ends. Used by qorva check, qorva encrypt and qorva-open.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace qorva::cli {

class ProgressLine {
 public:
  // Seconds since any fixed moment; only differences count.
  using Seconds = std::function<double()>;

  // Draws on `out` only when `shown`; see ShownOn. `now` defaults to a monotonic clock
  // (wall time jumps when the clocks change).
  ProgressLine(std::FILE* out, bool shown, Seconds now = {});
  ~ProgressLine() { Finish(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // The usual decision: a terminal, and not asked to be quiet.
  static bool ShownOn(std::FILE* out, bool quiet);

  // Begins a stage ("Checking", "Sealing", "Opening"); its rate and time left start afresh.
  // `size`, when known, is the input's size in bytes: the throughput is then the input's,
  // whatever units the work counts its progress in.
  void Start(std::string label, std::uint64_t size = 0);
  // `done` of `total` bytes (total 0: unknown). Draws at most a few times a second, and only
  // once the stage has run long enough to be worth watching, so quick work shows nothing.
  void Update(std::uint64_t done, std::uint64_t total);
  // Erases the line, so that what follows starts on a clean line.
  void Finish();

  // The line's text for `done` of `total` after `elapsed` seconds.
  static std::string Text(const std::string& label, std::uint64_t done, std::uint64_t total,
                          double elapsed);

  // Quiet time before the first drawing, and between two drawings.
  static constexpr double kDelay = 0.5, kInterval = 0.2;

 private:
  std::FILE* out_;
  bool shown_;
  Seconds now_;
  std::string label_;
  std::uint64_t size_ = 0;
  double started_ = 0, drawn_at_ = 0;
  std::size_t width_ = 0;  // of the line on screen, 0 when nothing is drawn
};

}  // namespace qorva::cli
