#include "FileCipher.h"

namespace qorva {

std::uint64_t TFileCipher::ProcessFile(const std::string&, std::uint64_t, std::uint64_t, int, bool,
                                       const std::string&, bool, std::uint64_t& bytesRead) {
  bytesRead = 0;
  throw CryptoError("not available yet");
}
void TFileCipher::WriteFile(const std::string&, int, bool, const std::string&, bool) {
  throw CryptoError("not available yet");
}
std::string TFileCipher::ReadFile(const std::string&, std::uint64_t, std::uint64_t, int, bool,
                                  std::uint64_t& bytesRead) {
  bytesRead = 0;
  throw CryptoError("not available yet");
}

}  // namespace qorva
