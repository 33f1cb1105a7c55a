// Every fuzz seed and every input the fuzzer once found interesting gives a sound outcome:
// loaded with consistent results, or rejected cleanly with one message.
#include <gtest/gtest.h>

#include <filesystem>

#include "clock.h"
#include "dEncryptor.h"
#include "w_dialog.h"

namespace qorva {
namespace {

namespace fs = std::filesystem;

TEST(LoaderRegression, EveryStoredInputGivesASoundOutcome) {
  ScopedClock clock(*EncodeDate(2026, 6, 15));
  std::size_t inputs = 0;
  for (const char* folder : {"fuzz/corpus/loader", "fuzz/regressions/loader"}) {
    for (const auto& entry : fs::directory_iterator(fs::path(QORVA_SOURCE_DIR) / folder)) {
      SCOPED_TRACE(entry.path().string());
      ++inputs;
      RecordingMessageHelper messages;
      TdmEncryptor module;
      if (module.LoadQORVAFile(entry.path().string())) {
        EXPECT_FALSE(module.LastError());
        EXPECT_TRUE(messages.entries().empty());
        const TReportResults& r = module.Results();
        EXPECT_EQ(r.TempReportScore.size(), 11 * r.TempArray.size());
        bool all_pass = true;
        for (const TTempRecord& t : r.TempArray)
          all_pass = all_pass && t.SummaryOk == "Match" && t.Score >= 75;
        EXPECT_EQ(r.AllReportsPass, all_pass);
      } else {
        ASSERT_TRUE(module.LastError());
        EXPECT_FALSE(module.LastError()->message.empty());
        EXPECT_EQ(messages.entries().size(), 1u);
      }
    }
  }
  EXPECT_GT(inputs, 0u);
}

}  // namespace
}  // namespace qorva
