#include "progress_line.h"

#include <chrono>
#include <cmath>

#include "platform.h"

namespace qorva::cli {
namespace {

double Monotonic() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string Bytes(double bytes) {
  static const char* const kUnits[] = {"B", "kB", "MB", "GB", "TB"};
  int unit = 0;
  while (bytes >= 1000 && unit < 4) {
    bytes /= 1000;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, unit ? "%.1f %s" : "%.0f %s", bytes, kUnits[unit]);
  return text;
}

std::string Duration(double seconds) {
  const auto s = static_cast<long long>(std::ceil(seconds));
  char text[32];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
  return text;
}

}  // namespace

ProgressLine::ProgressLine(std::FILE* out, bool shown, Seconds now)
    : out_(out), shown_(shown), now_(now ? std::move(now) : Seconds(Monotonic)) {}

bool ProgressLine::ShownOn(std::FILE* out, bool quiet) {
  return !quiet && platform::IsTerminal(out);
}

void ProgressLine::Start(std::string label, std::uint64_t size) {
  Finish();
  label_ = std::move(label);
  size_ = size;
  if (shown_) started_ = now_();
}

std::string ProgressLine::Text(const std::string& label, std::uint64_t done, std::uint64_t total,
                               double elapsed) {
  std::string text = label + ":";
  if (total > 0) {
    const double share = std::min(1.0, static_cast<double>(done) / static_cast<double>(total));
    text += " " + std::to_string(static_cast<int>(share * 100)) + "%";
  } else {
    text += " " + Bytes(static_cast<double>(done));
  }
  if (elapsed > 0 && done > 0) {
    const double rate = static_cast<double>(done) / elapsed;
    text += "  " + Bytes(rate) + "/s";
    if (total > done) text += "  " + Duration(static_cast<double>(total - done) / rate) + " left";
  }
  return text;
}

void ProgressLine::Update(std::uint64_t done, std::uint64_t total) {
  if (!shown_) return;
  const double now = now_();
  const double elapsed = now - started_;
  if (elapsed < kDelay || (width_ > 0 && now - drawn_at_ < kInterval)) return;
  drawn_at_ = now;
  if (size_ > 0 && total > 0) {
    const double share = std::min(1.0, static_cast<double>(done) / static_cast<double>(total));
    done = static_cast<std::uint64_t>(share * static_cast<double>(size_));
    total = size_;
  }
  std::string text = Text(label_, done, total, elapsed);
  // Pads over what a longer previous text left behind.
  const std::size_t width = text.size();
  if (width < width_) text.append(width_ - width, ' ');
  width_ = width;
  std::fprintf(out_, "\r%s", text.c_str());
  std::fflush(out_);
}

void ProgressLine::Finish() {
  if (width_ == 0) return;
  std::fprintf(out_, "\r%s\r", std::string(width_, ' ').c_str());
  std::fflush(out_);
  width_ = 0;
}

}  // namespace qorva::cli
