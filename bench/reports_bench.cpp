// Times `qorva check` on many small holder reports against a few large ones of the same total
// size, so that any step that grows with reports x rows shows at once.
// Usage: qorva-reports-bench [REPORTS] [PROPERTIES_PER_SMALL_REPORT] (default 20000 and 5)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "dEncryptor.h"
#include "report_writer.h"
#include "w_dialog.h"

namespace fs = std::filesystem;

namespace {

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Writes `reports` reports sharing `properties` properties evenly; returns the bytes written.
std::uint64_t WriteFile(const fs::path& file, std::uint64_t reports, std::uint64_t properties) {
  std::ofstream out(file, std::ios::binary);
  std::uint64_t bytes = 0;
  for (std::uint64_t r = 0; r < reports; ++r)
    bytes += qorva::gen::WriteSyntheticReport(out, r + 1, properties / reports);
  return bytes;
}

struct Times {
  double load = 1e9, check = 1e9, json = 1e9;
};

Times Measure(const fs::path& file) {
  Times t;
  qorva::RecordingMessageHelper messages;
  const std::string quoted = "'" + file.string() + "'";
  for (int run = 0; run < 3; ++run) {
    auto start = std::chrono::steady_clock::now();
    {
      qorva::TdmEncryptor module;
      if (!module.LoadQORVAFile(file.string())) std::printf("load failed\n");
    }
    t.load = std::min(t.load, Seconds(start));
    start = std::chrono::steady_clock::now();
    if (std::system((std::string("'") + QORVA_BIN + "' check " + quoted + " >/dev/null").c_str()) ==
        -1)
      std::printf("qorva did not run\n");
    t.check = std::min(t.check, Seconds(start));
    start = std::chrono::steady_clock::now();
    if (std::system(
            (std::string("'") + QORVA_BIN + "' check --json " + quoted + " >/dev/null").c_str()) ==
        -1)
      std::printf("qorva did not run\n");
    t.json = std::min(t.json, Seconds(start));
  }
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  const std::uint64_t reports = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 20000;
  const std::uint64_t per_report = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 5;
  const std::uint64_t properties = reports * per_report;
  const fs::path dir = fs::temp_directory_path() / "qorva-reports-bench";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path many = dir / "many.txt", few = dir / "few.txt";
  const std::uint64_t many_bytes = WriteFile(many, reports, properties);
  // As many bytes in 4 reports: properties sized by a trial report's bytes per property.
  std::ostringstream trial;
  const double per_property =
      static_cast<double>(qorva::gen::WriteSyntheticReport(trial, 1, 1000)) / 1000;
  const std::uint64_t few_bytes =
      WriteFile(few, 4, static_cast<std::uint64_t>(many_bytes / per_property));
  std::printf("%llu reports of %llu properties (%.1f MB) against 4 reports (%.1f MB); best of 3\n",
              static_cast<unsigned long long>(reports), static_cast<unsigned long long>(per_report),
              many_bytes / 1e6, few_bytes / 1e6);
  std::printf("%-12s %10s %14s %20s\n", "", "loader", "qorva check", "qorva check --json");
  for (const auto& [name, file] : {std::pair{"4 reports", few}, std::pair{"many reports", many}}) {
    const Times t = Measure(file);
    std::printf("%-12s %9.3fs %13.3fs %19.3fs\n", name, t.load, t.check, t.json);
  }
  fs::remove_all(dir);
  return 0;
}
