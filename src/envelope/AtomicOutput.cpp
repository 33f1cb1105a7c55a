#include "AtomicOutput.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "CryptoError.h"

namespace qorva {
namespace fs = std::filesystem;

namespace {
std::string TempNameFor(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  static const unsigned salt = std::random_device{}();
  char suffix[48];
  std::snprintf(suffix, sizeof suffix, ".~%08x%04x.tmp", salt, counter++ & 0xffffu);
  return target + suffix;
}
}  // namespace

TAtomicOutput::TAtomicOutput(const std::string& target) : target_(target) {
  if (target.empty()) throw CryptoError("No output file name given.");
  for (int attempt = 0; attempt < 8 && !f_; ++attempt) {
    temp_ = TempNameFor(target);
    // "x": never reuse a file someone else made.
    f_ = std::fopen(temp_.c_str(), "wbx");
    if (!f_ && errno != EEXIST) break;
  }
  if (!f_) throw CryptoError("Cannot create file " + target + ": " + std::strerror(errno));
  std::setvbuf(f_, nullptr, _IOFBF, 1 << 20);
}

TAtomicOutput::~TAtomicOutput() {
  if (!committed_) Discard();
}

void TAtomicOutput::Fail(const std::string& what) {
  const int err = errno;
  Discard();
  throw CryptoError("Cannot write file " + target_ + " (" + what + "): " + std::strerror(err));
}

void TAtomicOutput::Write(const void* data, std::size_t n) {
  if (!f_) throw CryptoError("Cannot write file " + target_ + ": already closed.");
  if (n == 0) return;
  if (std::fwrite(data, 1, n, f_) != n) Fail("write");
  pos_ += n;
}

void TAtomicOutput::WriteAt(std::uint64_t offset, const void* data, std::size_t n) {
  if (!f_) throw CryptoError("Cannot write file " + target_ + ": already closed.");
  if (fseeko(f_, static_cast<off_t>(offset), SEEK_SET) != 0) Fail("seek");
  if (std::fwrite(data, 1, n, f_) != n) Fail("write");
  if (fseeko(f_, static_cast<off_t>(pos_), SEEK_SET) != 0) Fail("seek");
}

void TAtomicOutput::Commit() {
  if (!f_) throw CryptoError("Cannot write file " + target_ + ": already closed.");
  std::FILE* f = f_;
  f_ = nullptr;
  if (std::fclose(f) != 0) {
    const int err = errno;
    std::error_code ec;
    fs::remove(temp_, ec);
    throw CryptoError("Cannot write file " + target_ + " (close): " + std::strerror(err));
  }
  std::error_code ec;
  fs::rename(temp_, target_, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp_, ignored);
    throw CryptoError("Cannot create file " + target_ + ": " + ec.message());
  }
  committed_ = true;
}

void TAtomicOutput::Discard() {
  if (f_) {
    std::fclose(f_);
    f_ = nullptr;
  }
  if (!temp_.empty() && !committed_) {
    std::error_code ec;
    fs::remove(temp_, ec);
  }
}

}  // namespace qorva
