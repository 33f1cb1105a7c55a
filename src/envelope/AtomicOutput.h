// A new output file written beside its target and renamed over it on Commit, so a
// failure never leaves a partial or truncated target behind.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace qorva {

class TAtomicOutput {
 public:
  // Creates the temporary file; throws CryptoError when it cannot be created.
  explicit TAtomicOutput(const std::string& target);
  // Removes the temporary file unless Commit succeeded.
  ~TAtomicOutput();
  TAtomicOutput(const TAtomicOutput&) = delete;
  TAtomicOutput& operator=(const TAtomicOutput&) = delete;

  void Write(const void* data, std::size_t n);  // throws CryptoError
  std::uint64_t Tell() const { return pos_; }
  // Overwrites bytes at `offset` (before Tell) and comes back to the end.
  void WriteAt(std::uint64_t offset, const void* data, std::size_t n);
  // Closes the file and renames it over the target; throws CryptoError.
  void Commit();
  // Removes the temporary file now.
  void Discard();

  const std::string& Target() const { return target_; }

 private:
  void Fail(const std::string& what);

  std::string target_;
  std::string temp_;
  std::FILE* f_ = nullptr;
  std::uint64_t pos_ = 0;
  bool committed_ = false;
};

}  // namespace qorva
