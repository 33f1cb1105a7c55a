#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <cerrno>
#include <filesystem>

#include "envelope_test_support.h"
#include "uKVXFileUtils.h"

namespace qorva {
namespace {

namespace fs = std::filesystem;
using Access = TKVXDecryptionTestAccess;

#ifdef _WIN32
constexpr int kAccessDenied = ERROR_ACCESS_DENIED;  // "I/O error 5"
#else
constexpr int kAccessDenied = EACCES;

mode_t Mode(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mode & 07777;
}
#endif

TEST(FileUtilsTest, TempDirectoryAndSeparator) {
  const std::string temp = GetTempDirectory();
  ASSERT_FALSE(temp.empty());
  const std::string sep(1, static_cast<char>(fs::path::preferred_separator));
  EXPECT_EQ(temp.substr(temp.size() - 1), sep);
  EXPECT_TRUE(fs::is_directory(temp));

  EXPECT_EQ(WithTrailingSeparator(""), sep);
  EXPECT_EQ(WithTrailingSeparator("/tmp/w"), "/tmp/w" + sep);
  EXPECT_EQ(WithTrailingSeparator("/tmp/w/"), "/tmp/w/");  // "/" separates on Windows too
}

TEST(FileUtilsTest, MakeTempFileTakesTheFirstFreeCounterInItsFolder) {
  ScratchDir dir;
  ScratchDir other("other");
  EXPECT_EQ(Access::MakeTempFile(dir.W(), ".zip"), "XQTF1.zip");
  EXPECT_EQ(Access::MakeTempFile(dir.W(), ".two"), "XQTF1.two");
  EXPECT_TRUE(dir.Names().empty());  // names only; nothing is created

  WriteFile(dir / "XQTF1.two", "");
  WriteFile(dir / "XQTF2.two", "");
  WriteFile(dir / "XQTF4.two", "");
  WriteFile(other / "XQTF3.two", "");  // another folder does not count
  EXPECT_EQ(Access::MakeTempFile(dir.W(), ".two"), "XQTF3.two");
  EXPECT_EQ(Access::MakeTempFile(dir.W(), ".zip"), "XQTF1.zip");
}

TEST(FileUtilsTest, EraseFile) {
  ScratchDir dir;
  EXPECT_NO_THROW(EraseFile(dir / "missing.txt"));

  WriteFile(dir / "plain.txt", "x");
  EraseFile(dir / "plain.txt");
  EXPECT_FALSE(fs::exists(dir / "plain.txt"));

  // Read-only stays, with the operating system's "access denied" code.
  WriteFile(dir / "ro.txt", "keep");
  fs::permissions(dir / "ro.txt", fs::perms::owner_read);
  try {
    EraseFile(dir / "ro.txt");
    FAIL() << "read-only file erased";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode, kAccessDenied);
    EXPECT_EQ(std::string(e.what()), "I/O error " + std::to_string(kAccessDenied));
  }
  EXPECT_EQ(ReadFile(dir / "ro.txt"), "keep");
}

TEST(FileUtilsTest, FileCopyReplacesWholeContentAndMakesPrivateFiles) {
  ScratchDir dir;
  WriteFile(dir / "src.txt", "short");
  WriteFile(dir / "dst.txt", "a much longer old content");
  // A file that everyone may read and write lends the copy nothing.
  fs::permissions(dir / "dst.txt", fs::perms(0666));
  FileCopy(dir / "src.txt", dir / "dst.txt");
  EXPECT_EQ(ReadFile(dir / "dst.txt"), "short");
  FileCopy(dir / "src.txt", dir / "new.txt");
  EXPECT_EQ(ReadFile(dir / "new.txt"), "short");
#ifndef _WIN32  // file modes
  EXPECT_EQ(Mode(dir / "dst.txt"), 0600u);
  EXPECT_EQ(Mode(dir / "new.txt"), 0600u);
#endif

  WriteFile(dir / "empty.txt", "");
  FileCopy(dir / "empty.txt", dir / "dst.txt");
  EXPECT_EQ(ReadFile(dir / "dst.txt"), "");
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"src.txt", "dst.txt", "new.txt", "empty.txt"}));
}

TEST(FileUtilsTest, FileCopyErrorsLeaveTheTargetAsItWas) {
  ScratchDir dir;
  WriteFile(dir / "src.txt", std::string(3 << 20, 'r'));  // several chunks
  WriteFile(dir / "dst.txt", "old");

  struct Case {
    const char* name;
    std::string src, dst, message;
  };
  const Case cases[] = {
      {"missing source", dir / "nope.txt", dir / "dst.txt",
       "Cannot open file " + (dir / "nope.txt")},
      {"source is a folder", dir.path().string(), dir / "dst.txt",
       "Cannot open file " + dir.path().string()},
      {"missing folder", dir / "src.txt", dir / "no/dst.txt",
       "Cannot create file " + (dir / "no/dst.txt")},
  };
  for (const Case& c : cases) {
    try {
      FileCopy(c.src, c.dst);
      ADD_FAILURE() << c.name;
    } catch (const EFileError& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.name;
    }
  }

  // Stopped half-way: no partial file, the old target intact.
  int calls = 0;
  EXPECT_THROW(
      FileCopy(dir / "src.txt", dir / "dst.txt", [&](std::uint64_t) { return ++calls < 2; }),
      CryptoCancelled);
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(ReadFile(dir / "dst.txt") == "old");
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"src.txt", "dst.txt"}));
}

TEST(FileUtilsTest, DeleteAnyCreatedTempFilesTouchesOnlyItsOwnNames) {
  ScratchDir dir;
  const std::vector<std::string> ours = {"XQTF1.zip", "InputFile.txt",  "HZFile.zip",
                                         "XQTF1.rsa", "TwoFishKey.RSA", "HZTFile.two",
                                         "XQTF2.two", "Temp_HDE.zip",   "Temp_PassKey.TXT"};
  for (const auto& name : ours) WriteFile(dir / name, "x");
  fs::permissions(dir / "HZFile.zip", fs::perms::owner_read);  // read-only goes too
  std::set<std::string> others = {"Report.txt", "XQTF3.two", "inputfile.txt", "sub"};
  WriteFile(dir / "Report.txt", "report");
  WriteFile(dir / "XQTF3.two", "not chosen by this call");
#ifndef _WIN32  // names differing in case only are one name on Windows
  WriteFile(dir / "inputfile.txt", "names are exact");
#else
  others.erase("inputfile.txt");
#endif
  fs::create_directory(dir / "sub");

  Access::DeleteAnyCreatedTempFiles(dir.W(), "XQTF1.zip", "XQTF1.rsa", "XQTF2.two");
  EXPECT_EQ(dir.Names(), others);

  // Empty generated names stand for the folder, which stays; nothing fails twice over.
  Access::DeleteAnyCreatedTempFiles(dir.W(), "", "", "");
  EXPECT_EQ(dir.Names(), others);
  EXPECT_EQ(ReadFile(dir / "Report.txt"), "report");
}

}  // namespace
}  // namespace qorva
