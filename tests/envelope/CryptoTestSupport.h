// Temporary folders, file helpers and external tools for the zip and cipher tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace qorva::testing {

namespace fs = std::filesystem;

// A fresh folder under the system temp folder, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    path_ = fs::temp_directory_path() /
            ("qorva-crypto-" + std::to_string(rd()) + "-" + std::to_string(rd()));
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  // Every name in the folder, sorted.
  std::vector<std::string> Names() const { return NamesIn(path_); }
  static std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  fs::path path_;
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

inline void WriteAll(const std::string& path, const std::vector<std::uint8_t>& data) {
  WriteAll(path, std::string(data.begin(), data.end()));
}

// Report-like text: fixed-width records, repetitive, with some variety.
inline std::string ReportText(std::size_t bytes, unsigned seed = 1) {
  static const char* names[] = {"SMITH", "JONES", "GARCIA", "MILLER", "DAVIS", "WILSON"};
  std::mt19937 rng(seed);
  std::string s;
  s.reserve(bytes + 700);
  int seq = 0;
  while (s.size() < bytes) {
    std::string rec = "2" + std::to_string(100000 + ++seq) + names[rng() % 6];
    rec += std::string(30, ' ') + std::to_string(rng() % 1000000) + " MAIN ST";
    rec.resize(625, ' ');
    s += rec + "\r\n";
  }
  s.resize(bytes);
  return s;
}

// Whether the Linux tools the cross-checks call (zip, unzip, openssl, perl, sh) are there:
// a Windows build has none of them.
#ifdef _WIN32
constexpr bool kLinuxTools = false;
#define QORVA_SKIP_WITHOUT_LINUX_TOOLS() \
  GTEST_SKIP() << "cross-checks with the Linux tools zip, unzip, openssl and sh; Windows lacks them"
#else
constexpr bool kLinuxTools = true;
#define QORVA_SKIP_WITHOUT_LINUX_TOOLS() static_cast<void>(0)
#endif

// Runs a shell command; returns its exit status and puts its output in `output`.
inline int RunCommand(const std::string& command, std::string* output = nullptr) {
#ifdef _WIN32
  std::FILE* p = ::_popen((command + " 2>&1").c_str(), "r");
#else
  std::FILE* p = ::popen((command + " 2>&1").c_str(), "r");
#endif
  if (!p) return -1;
  std::string out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  if (output) *output = out;
#ifdef _WIN32
  return ::_pclose(p);
#else
  const int status = ::pclose(p);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

}  // namespace qorva::testing
