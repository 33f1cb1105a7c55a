// The one way the envelope writes a file: a new file created exclusively beside its target,
// written, flushed to disk and renamed over the target on Commit, so that a failure never
// leaves a partial or truncated target behind and nothing planted beside it is used.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <system_error>

#include "CryptoError.h"
#include "platform.h"

namespace qorva {

// A failed file operation, with the platform's error code. The message names the file; a
// full disk reads "not enough space in FOLDER".
class EFileWriteError : public CryptoError {
 public:
  EFileWriteError(const std::string& message, std::error_code code)
      : CryptoError(message), Code(code) {}
  std::error_code Code;
};

// How Commit treats a file already at the target.
enum class TReplace { Over, Never };

// Whether Commit forces the data to disk first: working files of a private folder, thrown
// away at the end of the call, are spared the wait.
enum class TDurability { Flushed, Scratch };

class TAtomicOutput {
 public:
  // Creates the file beside `target`; throws EFileWriteError when it cannot.
  explicit TAtomicOutput(const std::string& target,
                         platform::FileAccess access = platform::FileAccess::OwnerOnly,
                         TDurability durability = TDurability::Flushed);
  // Removes the file unless Commit succeeded.
  ~TAtomicOutput();
  TAtomicOutput(const TAtomicOutput&) = delete;
  TAtomicOutput& operator=(const TAtomicOutput&) = delete;

  void Write(const void* data, std::size_t n);  // throws EFileWriteError
  std::uint64_t Tell() const { return pos_; }
  // Overwrites bytes at `offset` (before Tell).
  void WriteAt(std::uint64_t offset, const void* data, std::size_t n);
  // Appends the rest of `from`; onBytes hears the bytes copied so far and may return false
  // to stop, which throws CryptoCancelled.
  void CopyFrom(platform::File& from, const std::function<bool(std::uint64_t)>& onBytes = {});
  // Flushes, closes and renames the file over the target (TReplace::Never: an existing
  // target stays and EFileWriteError with file_exists is thrown).
  void Commit(TReplace replace = TReplace::Over);
  // Removes the file now.
  void Discard();

  const std::string& Target() const { return target_; }

 private:
  [[noreturn]] void Fail(const std::string& what, std::error_code ec);

  std::string target_;
  std::string temp_;
  TDurability durability_;
  platform::File file_;
  std::uint64_t pos_ = 0;
  bool committed_ = false;
};

// The message for a failed write of `path`: "not enough space in FOLDER" for a full disk,
// otherwise "Cannot write file PATH (what): reason".
std::string WriteErrorMessage(const std::string& path, const std::string& what, std::error_code ec);

// Moves the finished file `from` (owner-only) to `target`: renamed when both are on one file
// system, else copied through a TAtomicOutput; flushed to disk either way. Throws
// EFileWriteError.
void PlaceFile(const std::string& from, const std::string& target, TReplace replace);

}  // namespace qorva
