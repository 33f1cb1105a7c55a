// qorva encrypt FILE [--output-dir DIR]
#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "EnvelopeName.h"
#include "check_report.h"
#include "cli_session.h"
#include "command.h"
#include "interrupt.h"
#include "platform.h"
#include "uKVXDecrypt.h"
#include "uKVXFileUtils.h"

namespace qorva::cli {
namespace {

struct EncryptOptions {
  std::string file;
  std::string output_dir = ".";
  bool quiet = false;
};

int RunEncrypt(const EncryptOptions& o) {
  const std::string output_dir = o.output_dir.empty() ? "." : o.output_dir;
  // From here on a signal stops the run cleanly instead of ending the program.
  CatchInterrupts();
  // The session's message helper answers the installation question No: nothing waits.
  CliSession session;
  ProgressLine progress(stderr, ProgressLine::ShownOn(stderr, o.quiet));
  session.SetProgress(&progress);
  const std::string& file = o.file;
  if (!session.Load(file)) {
    ShowOffendingLine(*session.error());
    return kExitRejected;
  }
  if (!session.all_pass()) {
    CheckedFile checked;
    checked.file = file;
    checked.creator = session.creator();
    checked.version = session.version();
    checked.contact = session.contact();
    checked.reports = ReadReports(session.module());
    std::fputs(ReportTable(checked, false).c_str(), stderr);
    std::fprintf(stderr, "qorva: error: not encrypted: some reports of %s do not pass.\n",
                 PrintableText(file, IsValidUtf8(file)).c_str());
    return kExitFailed;
  }

  const std::string envelope = EnvelopePathFor(output_dir, file);
  bool ok = false;
  if (!Interrupted()) {
    TKVXDecryption* env = TKVXDecryption::Instance();
    std::error_code ec;
    const auto size = std::filesystem::file_size(platform::PathFromUtf8(file), ec);
    progress.Start("Sealing", ec ? 0 : size);
    env->SetProgress([&progress](std::uint64_t done, std::uint64_t total) {
      progress.Update(done, total);
      return !Interrupted();
    });
    // The envelope works in a private folder of its own under the temporary folder.
    try {
      ok = env->TwoFishRSADigitalEnvelope("encrypt", file, envelope);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "qorva: error: %s\n", PrintableMessage(e.what()).c_str());
    }
    env->SetProgress(nullptr);
  }
  progress.Finish();
  session.ReportMessages(!ok);
  if (!ok && Interrupted()) {
    std::fprintf(stderr, "qorva: interrupted; no file has been created.\n");
    return InterruptedExitStatus();
  }
  if (!ok) {
    std::fprintf(stderr, "qorva: error: encryption failed; no file has been created.\n");
    return kExitRejected;
  }
  std::printf("%s\n", envelope.c_str());
  return kExitOk;
}

CommandRun SetupEncrypt(CLI::App& app) {
  auto o = std::make_shared<EncryptOptions>();
  app.add_option("FILE", o->file, "the holder report file")->required()->type_name("");
  app.add_option("--output-dir", o->output_dir,
                 "where the envelope goes (default: the current folder)")
      ->type_name("DIR");
  app.add_flag("--quiet", o->quiet, "no progress indicator (shown on a terminal for long work)");
  return [o] { return RunEncrypt(*o); };
}

}  // namespace

QORVA_COMMAND(encrypt, "encrypt",
              "Checks a holder report file and, when every report passes, seals it into an "
              "envelope.",
              "The envelope is DIR/<file name without its extension>.HDE; its path is printed.\n"
              "\n"
              "Exit status:\n"
              "  0   the envelope was written\n"
              "  1   refused: some report fails (summary mismatch or score below 75)\n"
              "  2   the file was rejected, or the envelope could not be made\n"
              "  64  bad command line\n"
              "  130 interrupted (Ctrl-C); 128+N for signal N: 129 hang-up, 131 quit,\n"
              "      141 broken pipe, 143 terminate. No envelope, no working file left.\n",
              SetupEncrypt);

}  // namespace qorva::cli
