// qorva check FILE [--json] [--scores]
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "check_report.h"
#include "cli_session.h"
#include "command.h"

namespace qorva::cli {
namespace {

struct CheckOptions {
  std::string file;
  bool json = false, scores = false;
};

int RunCheck(const CheckOptions& o) {
  CliSession session;
  if (!session.Load(o.file)) {
    const auto& error = *session.error();
    if (error.line) ShowOffendingLine(o.file, *error.line);
    if (o.json) std::fputs(RejectedJson(o.file, error).c_str(), stdout);
    return kExitRejected;
  }

  CheckedFile checked;
  checked.file = o.file;
  checked.creator = session.creator();
  checked.version = session.version();
  checked.contact = session.contact();
  checked.all_pass = session.all_pass();
  checked.reports = ReadReports(session.module());
  const std::string out = o.json ? LoadedJson(checked) : ReportTable(checked, o.scores);
  std::fputs(out.c_str(), stdout);
  return checked.all_pass ? kExitOk : kExitFailed;
}

CommandRun SetupCheck(CLI::App& app) {
  auto o = std::make_shared<CheckOptions>();
  app.add_option("FILE", o->file, "the holder report file")->required()->type_name("");
  app.add_flag("--json", o->json, "print one JSON document instead of the table");
  app.add_flag("--scores", o->scores, "also list each report's eleven score categories");
  return [o] { return RunCheck(*o); };
}

}  // namespace

QORVA_COMMAND(check, "check",
              "Checks a holder report file: structure, summary totals and quality scores.",
              "Exit status:\n"
              "  0   the file loaded and every report passes\n"
              "  1   the file loaded, but some report fails (summary mismatch or score below "
              "75)\n"
              "  2   the file was rejected: a line error, unreadable, empty or missing\n"
              "  64  bad command line\n",
              SetupCheck);

}  // namespace qorva::cli
