// Times sealing a large synthetic report into an envelope (copy, inner zip, Twofish, outer
// zip) against `zip -9` of the same file, in the same run, with sizes and peak memory.
// Usage: qorva-envelope-bench [MEGABYTES] (default 400)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ZipArchive.h"
#include "report_writer.h"
#include "uKVXDecrypt.h"
#include "w_dialog.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
  bool ok = false;
  double seconds = 0;
  double cpu = 0;  // user + system
  long peakKb = 0;
};

// Runs `work` in a child process so that its peak memory is its own.
template <class Work>
Outcome InChild(Work&& work) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) _exit(work() ? 0 : 1);
  Outcome o;
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return o;
  o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  o.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  o.peakKb = usage.ru_maxrss;
  auto secs = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  o.cpu = secs(usage.ru_utime) + secs(usage.ru_stime);
  return o;
}

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

}  // namespace

int main(int argc, char** argv) {
  const double megabytes = argc > 1 ? std::atof(argv[1]) : 400;
  const fs::path dir =
      fs::temp_directory_path() / ("qorva-envelope-bench-" + std::to_string(getpid()));
  fs::create_directories(dir / "work");
  const fs::path report = dir / "REPORT.txt";
  std::uint64_t bytes = 0, reports = 0;
  {
    std::ofstream out(report, std::ios::binary);
    while (bytes < megabytes * 1e6)
      bytes += qorva::gen::WriteSyntheticReport(out, ++reports, 60000);
  }
  std::printf("file: %.1f MB of 625-character records\n", bytes / 1e6);
  // Warm the page cache so neither side pays for the first read.
  std::system(("cat " + Quote(report) + " > /dev/null").c_str());

  const fs::path zipped = dir / "zip9.zip";
  const Outcome zip = InChild([&] {
    return std::system(("zip -9 -q -j " + Quote(zipped) + " " + Quote(report)).c_str()) == 0;
  });

  const fs::path envelope = dir / "REPORT.HDE";
  const Outcome env = InChild([&] {
    qorva::StderrMessageHelper messages(true);
    qorva::SetMessages(&messages);
    return qorva::TKVXDecryption::Instance()->TwoFishRSADigitalEnvelope(
        "encrypt", report.string(), envelope.string(), (dir / "work").string(), false);
  });

  const fs::path inner = dir / "inner.zip";
  const Outcome innerZip = InChild([&] {
    qorva::TZipArchive z;
    z.FilesToProcess = report.string();
    z.ZipFilename = inner.string();
    return z.Zip() == qorva::xerSuccess;
  });

  auto size = [](const fs::path& p) {
    std::error_code ec;
    const auto s = fs::file_size(p, ec);
    return ec ? 0.0 : static_cast<double>(s);
  };
  auto line = [&](const char* what, const Outcome& o, const fs::path& p) {
    std::printf("%-15s %7.2f s (cpu %6.2f s)  %10.0f bytes  peak %6.1f MB%s\n", what, o.seconds,
                o.cpu, size(p), o.peakKb / 1024.0, o.ok ? "" : "  FAILED");
  };
  line("zip -9:", zip, zipped);
  line("inner zip only:", innerZip, inner);
  line("whole envelope:", env, envelope);
  if (zip.ok && env.ok)
    std::printf(
        "envelope / zip -9: time %.2f (target <= 0.50), cpu %.2f, size %.3f (target <= "
        "1.05)\n",
        env.seconds / zip.seconds, env.cpu / zip.cpu, size(envelope) / size(zipped));
  fs::remove_all(dir);
  return zip.ok && env.ok ? 0 : 1;
}
