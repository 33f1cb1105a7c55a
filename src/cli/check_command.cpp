// qorva check FILE [--json] [--scores]
#include <cstdio>
#include <string>
#include <vector>

#include "check_report.h"
#include "cli_session.h"
#include "command.h"

namespace qorva::cli {
namespace {

int RunCheck(const std::vector<std::string>& args) {
  bool json = false, scores = false;
  std::vector<std::string> files;
  bool options_done = false;
  for (const std::string& a : args) {
    if (!options_done && a == "--") {
      options_done = true;
    } else if (!options_done && a == "--json") {
      json = true;
    } else if (!options_done && a == "--scores") {
      scores = true;
    } else if (!options_done && a.size() > 1 && a[0] == '-') {
      return UsageError("check", "unknown option '" + a + "'");
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 1)
    return UsageError("check", files.empty() ? "no report file given" : "give one report file");

  CliSession session;
  const std::string& file = files[0];
  if (!session.Load(file)) {
    const auto& error = *session.error();
    if (error.line) ShowOffendingLine(file, *error.line);
    if (json) std::fputs(RejectedJson(file, error).c_str(), stdout);
    return kExitRejected;
  }

  CheckedFile checked;
  checked.file = file;
  checked.creator = session.creator();
  checked.version = session.version();
  checked.contact = session.contact();
  checked.all_pass = session.all_pass();
  checked.reports = ReadReports(session.module());
  const std::string out = json ? LoadedJson(checked) : ReportTable(checked, scores);
  std::fputs(out.c_str(), stdout);
  return checked.all_pass ? kExitOk : kExitFailed;
}

}  // namespace

QORVA_COMMAND(check, "check", "FILE [--json] [--scores]",
              "Checks a holder report file: structure, summary totals and quality scores.",
              "Options:\n"
              "  --json     print one JSON document instead of the table\n"
              "  --scores   also list each report's eleven score categories\n"
              "\n"
              "Exit status:\n"
              "  0   the file loaded and every report passes\n"
              "  1   the file loaded, but some report fails (summary mismatch or score below "
              "75)\n"
              "  2   the file was rejected: a line error, unreadable, empty or missing\n"
              "  64  bad command line\n",
              RunCheck);

}  // namespace qorva::cli
