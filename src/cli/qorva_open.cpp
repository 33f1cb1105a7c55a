// qorva-open: opens an envelope with the built-in private keys and writes its report.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "AtomicOutput.h"
#include "interrupt.h"
#include "platform.h"
#include "uKVXDecrypt.h"
#include "uKVXFileUtils.h"
#include "uKVXPrivateKey.h"
#include "version.h"
#include "w_dialog.h"

namespace {

namespace fs = std::filesystem;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 2;
constexpr int kExitUsage = 64;

const char* const kUsage =
    "Usage: qorva-open ENVELOPE --output FILE [--force]\n"
    "Opens an .HDE envelope and writes the holder report it carries to FILE.\n"
    "\n"
    "Options:\n"
    "  --output FILE   where the report goes (required)\n"
    "  --force         replace FILE when it exists\n"
    "  -h, --help      show this help\n"
    "  --version       show the version\n"
    "\n"
    "Exit status: 0 opened, 2 not opened (nothing written), 64 bad command line,\n"
    "128+N stopped by signal N, e.g. 130 Ctrl-C, 129 hang-up (nothing written).\n";

int Usage(const std::string& message) {
  std::fprintf(stderr, "qorva-open: %s\n%s", message.c_str(), kUsage);
  return kExitUsage;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "qorva-open: %s\n", message.c_str());
  return kExitFailed;
}

// Moves `report` to `output` in one step; without `force` an output that appeared meanwhile
// is not replaced either.
std::string Place(const std::string& report, const std::string& output, bool force) {
  try {
    qorva::PlaceFile(report, output, force ? qorva::TReplace::Over : qorva::TReplace::Never);
    return {};
  } catch (const qorva::EFileWriteError& e) {
    if (e.Code == std::errc::file_exists) return output + " exists; use --force to replace it";
    return e.what();
  } catch (const std::exception& e) {
    return e.what();
  }
}

}  // namespace

int main(int argc, char** argv) {
  // First of all, so that no interrupt can leave a working folder behind.
  qorva::cli::CatchInterrupts();
  std::vector<std::string> positional;
  std::string output;
  bool force = false, options_done = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (!options_done && a == "--") {
      options_done = true;
    } else if (!options_done && (a == "-h" || a == "--help")) {
      std::fputs(kUsage, stdout);
      return kExitOk;
    } else if (!options_done && a == "--version") {
      std::printf("qorva-open %s\n%s\n", QORVA_VERSION, QORVA_COPYRIGHT);
      return kExitOk;
    } else if (!options_done && a == "--output") {
      if (i + 1 >= argc) return Usage("--output needs a file name");
      output = argv[++i];
    } else if (!options_done && a.rfind("--output=", 0) == 0) {
      output = a.substr(9);
    } else if (!options_done && a == "--force") {
      force = true;
    } else if (!options_done && a.size() > 1 && a[0] == '-') {
      return Usage("unknown option '" + a + "'");
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 1)
    return Usage(positional.empty() ? "no envelope given" : "give one envelope");
  if (output.empty()) return Usage("no output file given (--output FILE)");
  const std::string& envelope = positional[0];

  // Messages go to stderr; the installation question is answered No, so nothing waits.
  qorva::StderrMessageHelper messages(false);
  qorva::SetMessages(&messages);

  std::error_code ec;
  if (fs::is_directory(envelope, ec)) return Fail(envelope + " is a folder, not an envelope");
  if (!fs::is_regular_file(envelope, ec)) return Fail(envelope + ": no such envelope file");
  {
    // Said up front, in the envelope's own terms, rather than as a working file's error later.
    std::FILE* f = std::fopen(envelope.c_str(), "rb");
    if (!f) return Fail("cannot read " + envelope + ": " + std::strerror(errno));
    char magic[4] = {};
    const bool zip = std::fread(magic, 1, 4, f) == 4 && std::memcmp(magic, "PK\3\4", 4) == 0;
    std::fclose(f);
    if (!zip) return Fail(envelope + " is not an envelope (not a zip archive)");
  }
  if (fs::is_directory(output, ec)) return Fail(output + " is a folder");
  if (fs::exists(fs::symlink_status(output, ec)) && !force)
    return Fail(output + " exists; use --force to replace it");
  const fs::path folder = fs::path(output).parent_path();
  if (!folder.empty() && !fs::is_directory(folder, ec))
    return Fail("no folder " + folder.string() + " for " + output);

  qorva::platform::PrivateFolder work("qorva-open");
  if (work.path().empty()) return Fail("cannot make a working folder: " + work.error().message());

  qorva::TKVXDecryption* env = qorva::TKVXDecryption::Instance();
  env->SetPrivateKeys(&qorva::Get_New_Private_Key, &qorva::Get_Private_Key);
  env->SetProgress([](std::uint64_t, std::uint64_t) { return !qorva::cli::Interrupted(); });
  bool opened = false;
  std::string why;
  try {
    opened = env->TwoFishRSADigitalEnvelope("decrypt", envelope, "Report.txt", work.path(), false);
  } catch (const std::exception& e) {
    why = e.what();
  }
  if (qorva::cli::Interrupted()) {
    std::fprintf(stderr, "qorva-open: interrupted; nothing was written\n");
    return qorva::cli::InterruptedExitStatus();
  }
  if (!opened) {
    return Fail("cannot open " + envelope + (why.empty() ? "" : ": " + why) +
                "; nothing was written");
  }
  const std::string problem = Place(work.path() + "/Report.txt", output, force);
  if (!problem.empty()) return Fail(problem);
  std::printf("%s\n", output.c_str());
  return kExitOk;
}
