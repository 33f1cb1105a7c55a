// What the envelope tests share: access to the envelope's private members, and a scratch
// folder that is removed after each test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "platform.h"
#include "uKVXDecrypt.h"

namespace qorva {

class TKVXDecryptionTestAccess {
 public:
  static std::string AsciiArmor(const std::string& s, bool encode,
                                const std::vector<std::string>& lines) {
    return TKVXDecryption::AsciiArmor(s, encode, lines);
  }
  static std::vector<std::uint8_t> StrToBinary(const std::string& s) {
    std::vector<std::uint8_t> out{1, 2, 3};  // replaced, not appended to
    TKVXDecryption::StrToBinary(s, out);
    return out;
  }
  static std::string MakeTempFile(const std::string& folder, const std::string& ext) {
    return TKVXDecryption::MakeTempFile(folder, ext);
  }
  static void DeleteAnyCreatedTempFiles(const std::string& W, const std::string& zipName,
                                        const std::string& rsaName, const std::string& twoName) {
    TKVXDecryption::DeleteAnyCreatedTempFiles(W, zipName, rsaName, twoName);
  }
  static TKVXDecryption* AccessInstance(int request) {
    return TKVXDecryption::AccessInstance(request);
  }
  // An instance of the test's own, so no setting leaks into other tests.
  static std::unique_ptr<TKVXDecryption> Create() {
    return std::unique_ptr<TKVXDecryption>(new TKVXDecryption());
  }
  static void SetFault(TKVXDecryption& e,
                       std::function<void(const std::string&, std::int64_t&)> fault) {
    e.fault_ = std::move(fault);
  }
};

// A fresh folder under the test's temp dir.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& tag = "") {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name =
        std::string("qorva_env_") + info->test_suite_name() + "_" + info->name() + tag;
    for (char& ch : name) {
      if (ch == '/') ch = '_';
    }
    // Unique per run: tests of several checkouts may run on one machine at once.
    std::error_code ec;
    path_ = platform::PathFromUtf8(platform::MakePrivateFolder(::testing::TempDir(), name, ec));
    if (ec) ADD_FAILURE() << "cannot make a scratch folder: " << ec.message();
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  // The folder with a trailing separator, as the envelope takes it.
  std::string W() const { return platform::PathToUtf8(path_) + "/"; }
  std::string operator/(const std::string& name) const {
    return platform::PathToUtf8(path_ / platform::PathFromUtf8(name));
  }

  // Names in the folder (files and folders, hidden ones included).
  std::set<std::string> Names() const {
    std::set<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      out.insert(platform::PathToUtf8(entry.path().filename()));
    }
    return out;
  }

 private:
  std::filesystem::path path_;
};

// Sets (or, with an empty value, removes) an environment variable of this process.
inline void SetEnvironment(const std::string& name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name.c_str(), value.c_str());
#else
  if (value.empty())
    ::unsetenv(name.c_str());
  else
    ::setenv(name.c_str(), value.c_str(), 1);
#endif
}

inline void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(platform::PathFromUtf8(path), std::ios::binary | std::ios::trunc);
  out << content;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(platform::PathFromUtf8(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace qorva
