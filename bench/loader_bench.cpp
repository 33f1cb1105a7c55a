// Times the report loader on a large synthetic file against a plain count of the same file's
// lines (read + memchr), in the same run, and reports the peak memory.
// Usage: qorva-loader-bench [MEGABYTES] (default 400), or qorva-loader-bench FILE to time an
// existing report file (one full of penalised records, say) the same way.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "dEncryptor.h"
#include "report_writer.h"
#include "w_dialog.h"

namespace fs = std::filesystem;

namespace {

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::uint64_t CountLines(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return 0;
  std::vector<char> block(1 << 20);
  std::uint64_t lines = 0;
  for (ssize_t n; (n = ::read(fd, block.data(), block.size())) > 0;) {
    const char* p = block.data();
    const char* end = p + n;
    while (
        (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))))) {
      ++lines;
      ++p;
    }
  }
  ::close(fd);
  return lines;
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  const bool given = argc > 1 && fs::is_regular_file(argv[1]);
  const double megabytes = argc > 1 && !given ? std::atof(argv[1]) : 400;
  const fs::path dir = fs::temp_directory_path() / ("qorva-bench-" + std::to_string(::getpid()));
  const fs::path file = given ? fs::path(argv[1]) : dir / "synthetic.txt";

  std::uint64_t bytes = 0, reports = 0;
  if (given) {
    bytes = fs::file_size(file);
  } else {
    fs::create_directories(dir);
    std::ofstream out(file, std::ios::binary);
    const std::uint64_t per_report = 60000;
    while (bytes < megabytes * 1e6)
      bytes += qorva::gen::WriteSyntheticReport(out, ++reports, per_report);
  }
  const long baseline_kb = PeakKilobytes();
  if (given)
    std::printf("file: %s, %.1f MB\n", file.string().c_str(), bytes / 1e6);
  else
    std::printf("file: %llu reports, %.1f MB\n", static_cast<unsigned long long>(reports),
                bytes / 1e6);

  constexpr int kRuns = 3;
  double best_count = 1e9, best_load = 1e9;
  std::uint64_t lines = 0;
  bool loaded = true, all_pass = false;
  struct Window : qorva::IEncryptMainWindow {
    bool pass = false;
    void SetCreatorValue(const std::string&) override {}
    void SetVersionValue(const std::string&) override {}
    void SetContactValue(const std::string&) override {}
    void SetEncryptEnabled(bool enabled) override { pass = enabled; }
  } window;
  qorva::RecordingMessageHelper messages;
  for (int run = 0; run < kRuns; ++run) {
    auto start = std::chrono::steady_clock::now();
    lines = CountLines(file);
    best_count = std::min(best_count, Seconds(start));

    qorva::TdmEncryptor module;
    module.SetMainWindow(&window);
    start = std::chrono::steady_clock::now();
    loaded = module.LoadQORVAFile(file.string()) && loaded;
    best_load = std::min(best_load, Seconds(start));
    all_pass = window.pass;
  }
  if (!given) fs::remove_all(dir);

  const double gb = bytes / 1e9;
  std::printf("line count: %.3f s, %.2f GB/s (%llu lines)\n", best_count, gb / best_count,
              static_cast<unsigned long long>(lines));
  std::printf("loader:     %.3f s, %.2f GB/s, %.2fx the line count%s\n", best_load, gb / best_load,
              best_load / best_count,
              loaded ? (all_pass ? "" : " (loaded, some report fails)") : " (REJECTED)");
  std::printf("peak memory: %.1f MB (%.1f MB before loading)\n", PeakKilobytes() / 1024.0,
              baseline_kb / 1024.0);
  for (const auto& m : messages.texts()) std::printf("message: %s\n", m.c_str());
  return loaded ? 0 : 1;
}
