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

}  // namespace qorva::platform
