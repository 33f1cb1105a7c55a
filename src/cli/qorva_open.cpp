// qorva-open: opens an envelope with the administrator's private keys and writes its report;
// with --new-keys, makes an administrator's key pair.
#include <CLI/CLI.hpp>
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
#include "progress_line.h"
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

const char* const kExitStatuses =
    "Exit status: 0 opened (or key pair written), 2 not opened or not written, 64 bad\n"
    "command line, 128+N stopped by signal N, e.g. 130 Ctrl-C, 129 hang-up. Whenever the\n"
    "status is not 0, nothing is written.\n";

int Usage(const std::string& message) {
  std::fprintf(stderr, "qorva-open: %s\nRun 'qorva-open --help' for the options.\n",
               message.c_str());
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
  qorva::platform::UntranslatedStandardStreams();
  std::vector<std::string> args = qorva::platform::Utf8Arguments(argc, argv);
  std::vector<char*> utf8;
  for (std::string& a : args) utf8.push_back(a.data());
  utf8.push_back(nullptr);
  argv = utf8.data();
  std::string envelope, output, newKeys;
  std::vector<std::string> keyFiles;
  bool force = false, quiet = false;
  CLI::App app{
      "qorva-open ENVELOPE --output FILE --key KEYFILE [--key KEYFILE]... [--force]\n"
      "qorva-open --new-keys DIR\n\n"
      "Opens an .HDE envelope with the administrator's private key and writes the holder "
      "report\nit carries to FILE; or makes a new key pair for an administrator.\n",
      "qorva-open"};
  app.allow_windows_style_options(false);  // "/data/x.HDE" is a file on Windows too
  app.footer(std::string("The keys are tried in the order given: the newer key first, then the "
                         "older one.\nA key file is an armoured private key block (as "
                         "--new-keys writes) or a PEM PKCS#8\nprivate key, readable by its "
                         "owner only.\n\n") +
             kExitStatuses);
  app.set_version_flag("--version",
                       std::string("qorva-open ") + QORVA_VERSION + "\n" + QORVA_COPYRIGHT);
  auto* envelopeOpt =
      app.add_option("ENVELOPE", envelope, "The envelope (.HDE file) to open")->type_name("");
  auto* outputOpt =
      app.add_option("--output", output, "Where the report goes (required)")->type_name("FILE");
  auto* keyOpt =
      app.add_option("--key", keyFiles, "A private key file (required; repeat it for an older key)")
          ->type_name("KEYFILE")
          ->allow_extra_args(false);
  auto* forceOpt = app.add_flag("--force", force, "Replace FILE when it exists");
  app.add_flag("--quiet", quiet, "No progress indicator on a terminal");
  app.add_option("--new-keys", newKeys, "Make a key pair in DIR: public.key and private.key (0600)")
      ->type_name("DIR")
      ->excludes(envelopeOpt)
      ->excludes(outputOpt)
      ->excludes(keyOpt)
      ->excludes(forceOpt);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    return Usage(e.what());
  }

  if (!newKeys.empty()) {
    try {
      qorva::WriteNewKeyPair(newKeys);
    } catch (const std::exception& e) {
      return Fail(std::string(e.what()) + "; nothing was written");
    }
    const fs::path dir = qorva::platform::PathFromUtf8(newKeys);
    std::printf("%s\n%s\n", qorva::platform::PathToUtf8(dir / "public.key").c_str(),
                qorva::platform::PathToUtf8(dir / "private.key").c_str());
    return kExitOk;
  }
  if (envelope.empty()) return Usage("no envelope given");
  if (output.empty()) return Usage("no output file given (--output FILE)");
  if (keyFiles.empty()) return Usage("no private key given (--key KEYFILE)");

  try {
    qorva::UsePrivateKeyFiles(keyFiles);
  } catch (const std::exception& e) {
    return Fail(std::string(e.what()) + "; nothing was written");
  }

  // Messages go to stderr; the installation question is answered No, so nothing waits.
  qorva::StderrMessageHelper messages(false);
  qorva::SetMessages(&messages);

  std::error_code ec;
  const fs::path envelopePath = qorva::platform::PathFromUtf8(envelope);
  const fs::path outputPath = qorva::platform::PathFromUtf8(output);
  if (fs::is_directory(envelopePath, ec)) return Fail(envelope + " is a folder, not an envelope");
  if (!fs::is_regular_file(envelopePath, ec)) return Fail(envelope + ": no such envelope file");
  {
    // Said up front, in the envelope's own terms, rather than as a working file's error later.
    std::FILE* f = qorva::platform::OpenStdioFile(envelope, "rb");
    if (!f) return Fail("cannot read " + envelope + ": " + std::strerror(errno));
    char magic[4] = {};
    const bool zip = std::fread(magic, 1, 4, f) == 4 && std::memcmp(magic, "PK\3\4", 4) == 0;
    std::fclose(f);
    if (!zip) return Fail(envelope + " is not an envelope (not a zip archive)");
  }
  if (fs::is_directory(outputPath, ec)) return Fail(output + " is a folder");
  if (fs::exists(fs::symlink_status(outputPath, ec)) && !force)
    return Fail(output + " exists; use --force to replace it");
  const fs::path folder = outputPath.parent_path();
  if (!folder.empty() && !fs::is_directory(folder, ec))
    return Fail("no folder " + qorva::platform::PathToUtf8(folder) + " for " + output);

  qorva::platform::PrivateFolder work("qorva-open");
  if (work.path().empty()) return Fail("cannot make a working folder: " + work.error().message());

  qorva::TKVXDecryption* env = qorva::TKVXDecryption::Instance();
  std::vector<qorva::TKVXDecryption::KeyBlockFn> keys = {&qorva::Get_New_Private_Key,
                                                         &qorva::Get_Private_Key};
  for (std::size_t i = 2; i < qorva::PrivateKeyCount(); ++i)
    keys.push_back([i] { return qorva::PrivateKeyBlock(i); });
  keys.resize(qorva::PrivateKeyCount());
  env->SetPrivateKeys(std::move(keys));
  qorva::cli::ProgressLine progress(stderr, qorva::cli::ProgressLine::ShownOn(stderr, quiet));
  std::error_code sizeError;
  const auto size = std::filesystem::file_size(qorva::platform::PathFromUtf8(envelope), sizeError);
  progress.Start("Opening", sizeError ? 0 : size);
  env->SetProgress([&progress](std::uint64_t done, std::uint64_t total) {
    progress.Update(done, total);
    return !qorva::cli::Interrupted();
  });
  bool opened = false;
  std::string why;
  try {
    opened = env->TwoFishRSADigitalEnvelope("decrypt", envelope, "Report.txt", work.path(), false);
  } catch (const std::exception& e) {
    why = e.what();
  }
  progress.Finish();
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
