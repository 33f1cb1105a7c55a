// The progress indicator, with the terminal decision and the clock injected.
#include "progress_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace qorva::cli {
namespace {

using ::testing::HasSubstr;

class ProgressLineTest : public ::testing::Test {
 protected:
  void SetUp() override { out_ = std::tmpfile(); }
  void TearDown() override { std::fclose(out_); }

  std::string Written() {
    std::fflush(out_);
    std::rewind(out_);
    std::string text;
    for (int c; (c = std::fgetc(out_)) != EOF;) text += static_cast<char>(c);
    return text;
  }
  ProgressLine::Seconds Clock() {
    return [this] { return now_; };
  }

  std::FILE* out_ = nullptr;
  double now_ = 1000;
};

TEST_F(ProgressLineTest, Text) {
  const struct {
    std::uint64_t done, total;
    double elapsed;
    const char* text;
  } cases[] = {
      {50'000'000, 100'000'000, 5, "Checking: 50%  10.0 MB/s  0:05 left"},
      {1'000, 4'000'000'000, 1, "Checking: 0%  1.0 kB/s  1111:06:39 left"},
      {3'000'000, 3'000'000, 2, "Checking: 100%  1.5 MB/s"},
      {7'500, 0, 3, "Checking: 7.5 kB  2.5 kB/s"},  // size unknown
      {0, 100, 0, "Checking: 0%"},
      {200, 100, 1, "Checking: 100%  200 B/s"},  // more than announced
  };
  for (const auto& c : cases)
    EXPECT_EQ(ProgressLine::Text("Checking", c.done, c.total, c.elapsed), c.text) << c.text;
}

TEST_F(ProgressLineTest, DrawsOnlyWhenShownAndWorthWatching) {
  {
    ProgressLine hidden(out_, false, Clock());
    hidden.Start("Sealing");
    now_ += 10;
    hidden.Update(50, 100);
  }
  EXPECT_EQ(Written(), "");

  ProgressLine line(out_, true, Clock());
  line.Start("Sealing");
  now_ += ProgressLine::kDelay / 2;
  line.Update(10, 100);  // quick work shows nothing
  EXPECT_EQ(Written(), "");
  now_ += ProgressLine::kDelay;
  line.Update(40, 100);
  EXPECT_THAT(Written(), HasSubstr("\rSealing: 40%"));
  now_ += ProgressLine::kInterval / 2;
  line.Update(45, 100);  // too soon to redraw
  EXPECT_THAT(Written(), ::testing::Not(HasSubstr("45%")));
  now_ += ProgressLine::kInterval;
  line.Update(50, 100);
  EXPECT_THAT(Written(), HasSubstr("\rSealing: 50%"));
  line.Finish();
  // Erased: the last thing written is a carriage return after blanks.
  const std::string all = Written();
  EXPECT_EQ(all.back(), '\r');
  EXPECT_EQ(all[all.size() - 2], ' ');
}

// Work that counts in its own units (several passes) shows the input's throughput.
TEST_F(ProgressLineTest, ThroughputOfTheInput) {
  ProgressLine line(out_, true, Clock());
  line.Start("Sealing", 10'000'000);
  now_ += 2;
  line.Update(300, 1'000);  // 30% of the work
  EXPECT_THAT(Written(), HasSubstr("\rSealing: 30%  1.5 MB/s  0:05 left"));
}

TEST_F(ProgressLineTest, ShorterTextCoversTheLongerOne) {
  ProgressLine line(out_, true, Clock());
  line.Start("Opening");
  now_ += 1;
  line.Update(1, 1'000'000);  // long: hours left
  const std::size_t first = Written().size();
  now_ += 1;
  line.Update(1'000'000, 1'000'000);
  const std::string all = Written();
  EXPECT_EQ(all.size() - first, first) << "the second drawing pads to the first's width";
}

}  // namespace
}  // namespace qorva::cli
