// The envelope's name and folder, shared by the desktop and `qorva`.
#include <gtest/gtest.h>

#include <filesystem>

#include "EnvelopeName.h"

namespace qorva {
namespace {

TEST(EnvelopeName, FolderPlusNameLessItsLastExtension) {
  const std::string s(1, static_cast<char>(std::filesystem::path::preferred_separator));
  struct Case {
    const char* name;
    std::string folder, report, envelope;
  } cases[] = {
      {"spaces kept", s + "out", s + "data" + s + "ACME 2024.txt", s + "out" + s + "ACME 2024.HDE"},
      {"folder ending in a separator", s + "out" + s, "a.b.txt", s + "out" + s + "a.b.HDE"},
      {"forward slash ends a folder too", "out/", "x.txt", "out/x.HDE"},
      {"no dot: whole name", "out", "in" + s + "REPORT", "out" + s + "REPORT.HDE"},
      {"dot in a folder, none in the name", "out", "v1.2" + s + "REPORT", "out" + s + "REPORT.HDE"},
      {"upper case always", "out", "acme.dat", "out" + s + "acme.HDE"},
      {"empty folder: the root", "", "r.txt", s + "r.HDE"},
  };
  for (const Case& c : cases) EXPECT_EQ(EnvelopePathFor(c.folder, c.report), c.envelope) << c.name;
}

}  // namespace
}  // namespace qorva
