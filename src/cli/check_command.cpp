// qorva check FILE|- [--json] [--scores] [--details] [--csv OUT]
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

#include "AtomicOutput.h"
#include "check_report.h"
#include "cli_session.h"
#include "command.h"

namespace qorva::cli {
namespace {

struct CheckOptions {
  std::string file;
  bool json = false, scores = false, details = false, quiet = false;
  std::string csv;
};

// Streams into an atomic output in large pieces, so a long export is never held whole.
class AtomicOutputBuffer : public std::streambuf {
 public:
  explicit AtomicOutputBuffer(TAtomicOutput& out) : out_(out) { setp(buf_, buf_ + sizeof buf_); }
  ~AtomicOutputBuffer() override = default;

 protected:
  int_type overflow(int_type ch) override {
    Drain();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(ch);
      pbump(1);
    }
    return traits_type::not_eof(ch);
  }
  int sync() override {
    Drain();
    return 0;
  }

 private:
  void Drain() {
    out_.Write(pbase(), static_cast<std::size_t>(pptr() - pbase()));  // throws on failure
    setp(buf_, buf_ + sizeof buf_);
  }
  TAtomicOutput& out_;
  char buf_[1 << 16];
};

// Writes every kept record as CSV to `path`, whole or not at all.
bool WriteCsv(TdmEncryptor& module, const std::string& path) {
  try {
    TAtomicOutput out(path, platform::FileAccess::Usual);
    AtomicOutputBuffer buffer(out);
    std::ostream stream(&buffer);
    stream.exceptions(std::ios::badbit);
    module.WritePenalisedRecordsCsv(stream);
    stream.flush();
    out.Commit();
    return true;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qorva: error: %s\n", PrintableMessage(e.what()).c_str());
    return false;
  }
}

int RunCheck(const CheckOptions& o) {
  CliSession session;
  ProgressLine progress(stderr, ProgressLine::ShownOn(stderr, o.quiet));
  session.SetProgress(&progress);
  const bool standard_input = o.file == "-";
  if (!(standard_input ? session.LoadStandardInput() : session.Load(o.file))) {
    const auto& error = *session.error();
    ShowOffendingLine(error);
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
  std::string out;
  if (o.json) {
    out = LoadedJson(checked);
  } else {
    std::string before_verdict;
    if (o.details) before_verdict = PenalisedRecordsText(checked);
    out = ReportTable(checked, o.scores, before_verdict);
    if (!checked.all_pass && !o.details && LosesPoints(checked))
      out += "The records that cost points: qorva check --details (or --csv FILE).\n";
  }
  std::fputs(out.c_str(), stdout);
  if (!o.csv.empty() && !WriteCsv(session.module(), o.csv)) return kExitRejected;
  return checked.all_pass ? kExitOk : kExitFailed;
}

CommandRun SetupCheck(CLI::App& app) {
  auto o = std::make_shared<CheckOptions>();
  app.add_option("FILE", o->file, "the holder report file; - reads it from standard input")
      ->required()
      ->type_name("");
  auto* json = app.add_flag("--json", o->json,
                            "print one JSON document instead of the table (with each category's "
                            "penalized records)");
  app.add_flag("--scores", o->scores, "also list each report's eleven score categories");
  app.add_flag("--details", o->details,
               "also list, per category, the records that cost points (line and reason; 20 "
               "each)")
      ->excludes(json);
  app.add_option("--csv", o->csv,
                 "write every kept penalized record (up to 1,000 per report and category) to "
                 "OUT as CSV: holder id, holder name, category, line, reason")
      ->type_name("OUT");
  app.add_flag("--quiet", o->quiet, "no progress indicator (shown on a terminal for long work)");
  return [o] { return RunCheck(*o); };
}

}  // namespace

QORVA_COMMAND(check, "check",
              "Checks a holder report file: structure, summary totals and quality scores.",
              "Exit status:\n"
              "  0   the file loaded and every report passes\n"
              "  1   the file loaded, but some report fails (summary mismatch or score below "
              "75)\n"
              "  2   the file was rejected: a line error, unreadable, empty or missing; or the CSV "
              "file could not be written\n"
              "  64  bad command line\n",
              SetupCheck);

}  // namespace qorva::cli
