// File functions of the envelope's working folder.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "AtomicOutput.h"
#include "platform.h"

namespace qorva {

// An input/output failure; the message is "I/O error N" with the operating system's error
// code (errno here, so a read-only file gives 13 where Windows gives 5).
class EInOutError : public std::runtime_error {
 public:
  explicit EInOutError(int code);
  int ErrorCode;
};

// "Cannot open file %s" and "Cannot create file %s".
class EFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The user's temporary folder, always ending with the platform's separator.
std::string GetTempDirectory();

// Appends the platform's separator unless `folder` already ends with one ("" gives "/").
std::string WithTrailingSeparator(const std::string& folder);

// Deletes fName when it exists, after checking that it may be opened for writing: a
// read-only or locked file raises EInOutError and stays. A missing file is no error.
void EraseFile(const std::string& fName);

// The check EraseFile makes before deleting: raises EInOutError unless fName, when it
// exists, can be opened for reading and writing. A file with no write permission bits
// counts as read-only even for the superuser, as the read-only attribute does elsewhere.
void CheckWritable(const std::string& fName);

// Copies FSrc over FDst, streaming. The copy is a new file that only the user can read
// (unless `access` says otherwise),
// written beside FDst and renamed over it, so a failed or stopped copy leaves FDst as it
// was and nothing else behind, and a file already at FDst lends it nothing (not even its
// permissions). onBytes, when given, hears the bytes copied so far and may return false to
// stop, which raises CryptoCancelled. A full disk raises "not enough space in FOLDER".
// `access` Usual gives the copy the permissions any new file of the user's gets (for what
// is no secret); a Scratch copy (a working file) is not forced to disk before its rename.
void FileCopy(const std::string& FSrc, const std::string& FDst,
              const std::function<bool(std::uint64_t)>& onBytes = {},
              platform::FileAccess access = platform::FileAccess::OwnerOnly,
              TDurability durability = TDurability::Flushed);

}  // namespace qorva
