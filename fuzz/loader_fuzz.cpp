// Any bytes given to the loader give a sound outcome, and the same outcome whatever the size
// of the blocks it reads in (small blocks put line ends and long lines across block ends).
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "DataSet.h"
#include "ReportLoader.h"
#include "clock.h"
#include "dEncryptor.h"
#include "w_dialog.h"

namespace {

// The input goes to a file of its own folder, removed at exit.
struct InputFile {
  InputFile() {
    std::filesystem::create_directories(dir);
    // Dates are judged against a fixed moment, so that a finding replays the same way.
    qorva::Clock::SetForTesting(qorva::EncodeDate(2026, 6, 15));
  }
  ~InputFile() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("qorva-fuzz-loader-" + std::to_string(::getpid()));
  const std::filesystem::path path = dir / "input.txt";
};

const std::filesystem::path& InputPath() {
  static const InputFile file;
  return file.path;
}

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "loader invariant broken: %s\n", what);
  std::abort();
}

bool Same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

void Compare(const qorva::TLoadOutcome& a, const qorva::TLoadOutcome& b) {
  if (a.kind != b.kind || a.line != b.line || a.message != b.message)
    Broken("outcome depends on the block size");
  const auto &x = a.results, &y = b.results;
  if (x.TempArray.size() != y.TempArray.size() ||
      x.TempReportScore.size() != y.TempReportScore.size() || x.FileCreator != y.FileCreator ||
      x.SoftwareVersion != y.SoftwareVersion || x.SoftwareContact != y.SoftwareContact ||
      x.AllReportsPass != y.AllReportsPass)
    Broken("results depend on the block size");
  for (std::size_t i = 0; i < x.TempArray.size(); ++i) {
    const auto &p = x.TempArray[i], &q = y.TempArray[i];
    if (p.HolderName != q.HolderName || p.SummaryOk != q.SummaryOk ||
        !Same(p.NumProps, q.NumProps) || !Same(p.NumRecCount, q.NumRecCount) ||
        !Same(p.SumRecCount, q.SumRecCount) || !Same(p.NumOwners, q.NumOwners) ||
        !Same(p.SDBoxes, q.SDBoxes) || !Same(p.Score, q.Score) || !Same(p.CashRemit, q.CashRemit) ||
        !Same(p.SumCashRemit, q.SumCashRemit) || !Same(p.SharesRemit, q.SharesRemit) ||
        !Same(p.SumSharesRemit, q.SumSharesRemit))
      Broken("a report depends on the block size");
  }
  for (std::size_t i = 0; i < x.TempReportScore.size(); ++i) {
    const auto &p = x.TempReportScore[i], &q = y.TempReportScore[i];
    if (p.Holder_ID != q.Holder_ID || p.RecordsEvaluated != q.RecordsEvaluated ||
        p.RecordsPenalized != q.RecordsPenalized || p.Category != q.Category ||
        !Same(p.PenaltyAssessed, q.PenaltyAssessed))
      Broken("a score row depends on the block size");
  }
}

void Check(const qorva::TLoadOutcome& o) {
  using qorva::TLoadOutcome;
  if (o.kind == TLoadOutcome::Cancelled) Broken("cancelled without a cancel");
  if (o.kind == TLoadOutcome::LineError && (o.line < 1 || o.message.empty()))
    Broken("line error without line or message");
  if (o.kind != TLoadOutcome::Loaded) return;
  const auto& r = o.results;
  if (r.TempReportScore.size() != 11 * r.TempArray.size()) Broken("not eleven score rows a report");
  bool all_pass = true;
  for (const auto& t : r.TempArray) {
    if (t.SummaryOk != "Match" && t.SummaryOk != "No Match") Broken("bad summary text");
    all_pass = all_pass && t.SummaryOk == "Match" && t.Score >= 75;
  }
  if (all_pass != r.AllReportsPass) Broken("pass flag disagrees with the reports");
}

// The data module, kept from one input to the next as in the program: a load publishes
// exactly its reports, and a rejected load leaves the previous rows alone.
void CheckDataModule(const qorva::TLoadOutcome& expected) {
  static qorva::TdmEncryptor module;
  qorva::RecordingMessageHelper messages;
  const int reports_before = module.cdsReports.RecordCount();
  const int scores_before = module.cdsReportScore.RecordCount();
  const bool loaded = module.LoadQORVAFile(InputPath().string());
  if (loaded != (expected.kind == qorva::TLoadOutcome::Loaded))
    Broken("data module and loader disagree");
  if (loaded) {
    if (!messages.entries().empty() || module.LastError()) Broken("loaded with a message");
    const auto reports = static_cast<int>(expected.results.TempArray.size());
    if (module.cdsReports.RecordCount() != reports ||
        module.cdsReportScore.RecordCount() != 11 * reports)
      Broken("published rows differ from the reports");
  } else {
    if (messages.entries().size() != 1 || !module.LastError())
      Broken("rejected without one message");
    if (module.cdsReports.RecordCount() != reports_before ||
        module.cdsReportScore.RecordCount() != scores_before)
      Broken("a rejected load changed the datasets");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  {
    std::ofstream out(InputPath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  qorva::TLoadOptions small, large;
  small.block_size = 1 + size % 97;
  large.block_size = 1 << 16;
  const auto a = qorva::LoadReportFile(InputPath().string(), small);
  Check(a);
  Compare(a, qorva::LoadReportFile(InputPath().string(), large));
  // The data module reads in large blocks and is slow under the sanitizers: every input that
  // loads, and one in eight of the others.
  if (a.kind == qorva::TLoadOutcome::Loaded || size % 8 == 0) CheckDataModule(a);
  return 0;
}
