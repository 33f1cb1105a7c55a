#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "CryptoTestSupport.h"
#include "ZipArchive.h"

namespace qorva {
namespace {

namespace fs = std::filesystem;
using testing::Quote;
using testing::ReadAll;
using testing::RunCommand;
using testing::TempDir;
using testing::WriteAll;

std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

int ZipOne(const std::string& source, const std::string& archive, unsigned threads = 0,
           bool zip64 = false) {
  TZipArchive zip;
  zip.SetThreads(threads);
  zip.ForceZip64 = zip64;
  zip.FilesToProcess = "";
  zip.AddFilesToProcess(source);
  zip.ZipFilename = archive;
  const int code = zip.Zip();
  EXPECT_EQ(zip.LastErrorMessage().empty(), code == xerSuccess) << zip.LastErrorMessage();
  return code;
}

int UnzipAll(const std::string& archive, const std::string& folder, std::string* error = nullptr) {
  TZipArchive zip;
  zip.ZipFilename = archive;
  zip.FilesToProcess = "*.*";
  zip.UnzipToFolder = folder;
  const int code = zip.Unzip();
  if (error) *error = zip.LastErrorMessage();
  return code;
}

// A one-member stored archive with any name and a correct CRC, for names and damage our
// writer would never produce.
std::string StoredZip(const std::string& name, const std::string& data) {
  auto le = [](std::string& s, std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  const auto crc =
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
  std::string common;
  le(common, 10, 2), le(common, 0, 2), le(common, 0, 2), le(common, 0, 2), le(common, 0x21, 2);
  le(common, crc, 4), le(common, data.size(), 4), le(common, data.size(), 4);
  le(common, name.size(), 2), le(common, 0, 2);
  std::string z;
  le(z, 0x04034b50, 4);
  z += common + name + data;
  const std::size_t cd = z.size();
  le(z, 0x02014b50, 4), le(z, 10, 2);
  z += common;
  le(z, 0, 2), le(z, 0, 2), le(z, 0, 2), le(z, 0, 4), le(z, 0, 4);
  z += name;
  const std::size_t cdSize = z.size() - cd;
  le(z, 0x06054b50, 4), le(z, 0, 2), le(z, 0, 2), le(z, 1, 2), le(z, 1, 2);
  le(z, cdSize, 4), le(z, cd, 4), le(z, 0, 2);
  return z;
}

TEST(ZipArchive, RoundTripsAndPassesInfoZipTest) {
  struct Row {
    const char* name;
    std::string content;
    bool zip64;
  } rows[] = {
      {"empty file", "", false},
      {"one line", "HOLDER RECORD\r\n", false},
      {"report of several MB", testing::ReportText((5u << 20) + 123, 3), false},
      {"incompressible", RandomBytes((5u << 20) + 7, 4), false},
      {"zip64 records, empty", "", true},
      {"zip64 records, several MB", testing::ReportText((3u << 20) + 1, 5), true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TempDir dir;
    fs::create_directory(dir.path() / "in");
    fs::create_directory(dir.path() / "out");
    const std::string source = dir / "in/InputFile.txt";
    WriteAll(source, r.content);
    ASSERT_EQ(ZipOne(source, dir / "a.zip", 3, r.zip64), xerSuccess);

    std::string out;
    if (testing::kLinuxTools) {
      EXPECT_EQ(RunCommand("unzip -t " + Quote(dir / "a.zip"), &out), 0) << out;
      EXPECT_EQ(RunCommand("unzip -Z1 " + Quote(dir / "a.zip"), &out), 0);
      EXPECT_EQ(out, "InputFile.txt\n") << "bare member name";
    }
    if (testing::kLinuxTools && r.zip64) {
      EXPECT_EQ(RunCommand("zipinfo -v " + Quote(dir / "a.zip") + " | grep -q '64-bit sizes'"), 0);
    }

    ASSERT_EQ(UnzipAll(dir / "a.zip", dir / "out"), xerSuccess);
    EXPECT_EQ(ReadAll(dir / "out/InputFile.txt"), r.content);
    EXPECT_EQ(std::vector<std::string>{"InputFile.txt"}, TempDir::NamesIn(dir.path() / "out"));

    // One worker or several: the same chunks, so the same bytes.
    ASSERT_EQ(ZipOne(source, dir / "b.zip", 1, r.zip64), xerSuccess);
    EXPECT_EQ(ReadAll(dir / "a.zip"), ReadAll(dir / "b.zip"));
  }
}

TEST(ZipArchive, ReportCompressesAboutAsWellAsInfoZipAtLevelNine) {
  QORVA_SKIP_WITHOUT_LINUX_TOOLS();
  TempDir dir;
  WriteAll(dir / "report.txt", testing::ReportText(6u << 20, 9));
  ASSERT_EQ(ZipOne(dir / "report.txt", dir / "ours.zip"), xerSuccess);
  ASSERT_EQ(RunCommand("cd " + Quote(dir.path().string()) + " && zip -9 -q theirs.zip report.txt"),
            0);
  EXPECT_LE(fs::file_size(dir / "ours.zip"), fs::file_size(dir / "theirs.zip") * 105 / 100);

  // And our reader opens what Info-ZIP wrote.
  fs::create_directory(dir.path() / "out");
  ASSERT_EQ(UnzipAll(dir / "theirs.zip", dir / "out"), xerSuccess);
  EXPECT_EQ(ReadAll(dir / "out/report.txt"), ReadAll(dir / "report.txt"));
}

TEST(ZipArchive, MembersKeepTheirOrderAndSelectionPicksOne) {
  TempDir dir;
  WriteAll(dir / "HZTFile.two", RandomBytes(1000, 1));
  WriteAll(dir / "TwoFishKey.RSA", RandomBytes(256, 2));
  TZipArchive zip;
  zip.FilesToProcess = "";
  zip.AddFilesToProcess(dir / "HZTFile.two");
  zip.AddFilesToProcess(dir / "TwoFishKey.RSA");
  zip.ZipFilename = dir / "env.zip";
  ASSERT_EQ(zip.Zip(), xerSuccess);
  EXPECT_EQ(TZipArchive::ListMembers(dir / "env.zip"),
            (std::vector<std::string>{"HZTFile.two", "TwoFishKey.RSA"}));

  fs::create_directory(dir.path() / "out");
  zip.FilesToProcess = "TwoFishKey.RSA";
  zip.UnzipToFolder = dir / "out";
  ASSERT_EQ(zip.Unzip(), xerSuccess);
  EXPECT_EQ(std::vector<std::string>{"TwoFishKey.RSA"}, TempDir::NamesIn(dir.path() / "out"));
  zip.FilesToProcess = "InputFile.txt";
  EXPECT_EQ(zip.Unzip(), xerNothingToDo);
}

TEST(ZipArchive, UnsafeMemberNamesAreRefusedBeforeAnythingIsWritten) {
  for (const char* name : {"../evil.txt", "a/../../evil.txt", "..\\evil.txt", "/tmp/evil.txt",
                           "\\evil.txt", "C:/evil.txt", "c:evil.txt", "bad\nname"}) {
    SCOPED_TRACE(name);
    TempDir dir;
    fs::create_directories(dir.path() / "a/b");
    WriteAll(dir / "a/b/bad.zip", StoredZip(name, "evil"));
    std::string error;
    EXPECT_EQ(UnzipAll(dir / "a/b/bad.zip", dir / "a/b/out", &error), xerUnsafeName);
    EXPECT_NE(error.find("unsafe"), std::string::npos) << error;
    std::vector<std::string> all;
    for (const auto& e : fs::recursive_directory_iterator(dir.path()))
      all.push_back(e.path().filename().string());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, (std::vector<std::string>{"a", "b", "bad.zip"}));
  }
  // A folder part alone is no danger: without paths the member lands under its bare name.
  TempDir dir;
  WriteAll(dir / "ok.zip", StoredZip("folder/sub/InputFile.txt", "fine"));
  ASSERT_EQ(UnzipAll(dir / "ok.zip", dir / "out"), xerSuccess);
  EXPECT_EQ(ReadAll(dir / "out/InputFile.txt"), "fine");
}

TEST(ZipArchive, DamagedArchivesGiveACleanErrorAndNoFiles) {
  TempDir dir;
  WriteAll(dir / "report.txt", testing::ReportText(3u << 20, 11));
  ASSERT_EQ(ZipOne(dir / "report.txt", dir / "good.zip"), xerSuccess);
  const std::string good = ReadAll(dir / "good.zip");
  std::string flippedDeflate = good;
  flippedDeflate[good.size() / 2] ^= 0x5A;
  std::string flippedStored = StoredZip("InputFile.txt", "some report text");
  flippedStored[30 + 13 + 3] ^= 1;  // a data byte: only the CRC can tell

  struct Row {
    const char* name;
    std::string bytes;
    int code;
  } rows[] = {
      {"empty file", "", xerBadArchive},
      {"not a zip", "HOLDER RECORD\r\n", xerBadArchive},
      {"truncated", good.substr(0, good.size() / 2), xerBadArchive},
      {"directory cut off", good.substr(0, good.size() - 10), xerBadArchive},
      {"deflate data damaged", flippedDeflate, 0},
      {"stored data damaged", flippedStored, xerCrcMismatch},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    WriteAll(dir / "bad.zip", r.bytes);
    fs::remove_all(dir.path() / "out");
    fs::create_directory(dir.path() / "out");
    std::string error;
    const int code = UnzipAll(dir / "bad.zip", dir / "out", &error);
    if (r.code)
      EXPECT_EQ(code, r.code) << error;
    else
      EXPECT_TRUE(code == xerBadArchive || code == xerCrcMismatch) << code << " " << error;
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(TempDir::NamesIn(dir.path() / "out").empty());
  }
  EXPECT_EQ(UnzipAll(dir / "missing.zip", dir / "out"), xerReadError);
  WriteAll(dir / "bad.zip", good.substr(0, good.size() / 2));
  EXPECT_THROW(TZipArchive::ListMembers(dir / "bad.zip"), CryptoError);
}

TEST(ZipArchive, FailedOrCancelledZipLeavesTheOldArchiveAndNoTemporaryFile) {
  TempDir dir;
  WriteAll(dir / "report.txt", testing::ReportText(5u << 20, 12));
  WriteAll(dir / "out.zip", "earlier archive");

  TZipArchive zip;
  zip.ZipFilename = dir / "out.zip";
  zip.FilesToProcess = dir / "report.txt";
  int calls = 0;
  zip.SetProgress([&](std::uint64_t done, std::uint64_t total) {
    EXPECT_LE(done, total);
    return ++calls < 2;
  });
  EXPECT_EQ(zip.Zip(), xerCancelled);

  zip.SetProgress(nullptr);
  zip.AddFilesToProcess(dir / "missing.txt");
  EXPECT_EQ(zip.Zip(), xerReadError);
  EXPECT_NE(zip.LastErrorMessage().find("missing.txt"), std::string::npos);
  zip.FilesToProcess = dir / "report.txt";
  zip.AddFilesToProcess(dir / "report.txt");
  EXPECT_EQ(zip.Zip(), xerBadParameter) << "two members of the same name";
  zip.FilesToProcess = "";
  EXPECT_EQ(zip.Zip(), xerNothingToDo);
  zip.FilesToProcess = dir / "report.txt";
  zip.ZipFilename = dir / "no-such-folder/out.zip";
  EXPECT_EQ(zip.Zip(), xerWriteError);

  EXPECT_EQ(ReadAll(dir / "out.zip"), "earlier archive");
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"out.zip", "report.txt"}));

  // A cancelled extraction leaves no partial file either.
  zip.ZipFilename = dir / "out.zip";
  ASSERT_EQ(zip.Zip(), xerSuccess);
  fs::remove(dir / "report.txt");
  calls = 0;
  zip.SetProgress([&](std::uint64_t, std::uint64_t) { return ++calls < 3; });
  zip.FilesToProcess = "*.*";
  zip.UnzipToFolder = dir.path().string();
  EXPECT_EQ(zip.Unzip(), xerCancelled);
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"out.zip"}));
}

// Needs about 8 GiB of disk and a few minutes: run with --gtest_also_run_disabled_tests.
TEST(ZipArchive, DISABLED_MemberOfMoreThanFourGiBRoundTrips) {
  TempDir dir;
  const std::string source = dir / "big.txt";
  {
    std::FILE* f = std::fopen(source.c_str(), "wb");
    ASSERT_TRUE(f);
    const std::string chunk = testing::ReportText(1u << 20, 13);
    for (int i = 0; i < 4096 + 16; ++i) std::fwrite(chunk.data(), 1, chunk.size(), f);
    std::fclose(f);
  }
  ASSERT_EQ(ZipOne(source, dir / "big.zip"), xerSuccess);
  std::string out;
  EXPECT_EQ(RunCommand("unzip -t " + Quote(dir / "big.zip"), &out), 0) << out;
  fs::create_directory(dir.path() / "out");
  ASSERT_EQ(UnzipAll(dir / "big.zip", dir / "out"), xerSuccess);
  EXPECT_EQ(RunCommand("cmp " + Quote(source) + " " + Quote(dir / "out/big.txt")), 0);
}

}  // namespace
}  // namespace qorva
