// The parts of the platform layer that the standard library already makes portable.
#include "platform.h"

namespace qorva::platform {

std::filesystem::path PathFromUtf8(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string PathToUtf8(const std::filesystem::path& path) {
  const std::u8string s = path.u8string();
  return std::string(s.begin(), s.end());
}

std::string UserTempFolder() {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
  if (ec) dir = std::filesystem::path("/tmp");
  std::string s = PathToUtf8(dir);
  while (s.size() > 1 && (s.back() == '/' || s.back() == '\\')) s.pop_back();
  return s;
}

PrivateFolder::PrivateFolder(const std::string& prefix)
    : path_(MakePrivateFolder(UserTempFolder(), prefix, error_)) {}

PrivateFolder::~PrivateFolder() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(PathFromUtf8(path_), ec);
}

// Ownership of the handle is the same everywhere; only Close differs per system.
File::~File() {
  std::error_code ignored;
  Close(ignored);
}

File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    std::error_code ignored;
    Close(ignored);
    handle_ = other.handle_;
    other.handle_ = -1;
  }
  return *this;
}

}  // namespace qorva::platform
