// Standard zip archives: writing with parallel deflate, reading with CRC checks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "AtomicOutput.h"
#include "CryptoError.h"

namespace qorva {

constexpr int xclHigh = 9;  // the highest compression level

// Result codes of Zip and Unzip.
enum TZipResult : int {
  xerSuccess = 0,
  xerNothingToDo = 1,   // no files (Zip) or no matching members (Unzip)
  xerReadError = 2,     // a source file or the archive cannot be read
  xerWriteError = 3,    // the archive or an extracted file cannot be written
  xerBadArchive = 4,    // not a zip archive, truncated or corrupted
  xerUnsafeName = 5,    // a member name would land outside the target folder
  xerCrcMismatch = 6,   // a member's data does not match its checksum or declared size
  xerCancelled = 7,     // the progress callback asked to stop
  xerBadParameter = 8,  // missing archive name, target folder or level
  xerNoSpace = 9,       // the disk is full, or too full for the declared sizes
};

// One member as the archive's directory declares it.
struct TZipEntry {
  std::string name;
  std::uint64_t size = 0;            // uncompressed
  std::uint64_t compressedSize = 0;  // as stored
  bool encrypted = false;
};

// The list of files to zip, or the members to extract. Assigning a text replaces the
// list: empty clears it, otherwise it holds that one entry ("*.*" = every member).
class TFilesToProcess {
 public:
  TFilesToProcess& operator=(const std::string& entry);
  void Add(const std::string& entry) { entries_.push_back(entry); }
  void Clear() { entries_.clear(); }
  const std::vector<std::string>& Entries() const { return entries_; }
  bool Empty() const { return entries_.empty(); }

 private:
  std::vector<std::string> entries_;
};

class TZipArchive {
 public:
  int CompressionLevel = xclHigh;  // 0 = store, 1..9 deflate
  bool PreservePaths = false;      // false: members get bare file names
  std::string ZipFilename;         // the archive's path
  TFilesToProcess FilesToProcess;  // files to add (Zip) or members to extract (Unzip)
  std::string UnzipToFolder;       // where Unzip writes
  bool ForceZip64 = false;  // zip64 records even for small archives (interoperability checks)
  // Scratch for working files that are thrown away: not forced to disk.
  TDurability Durability = TDurability::Flushed;

  void AddFilesToProcess(const std::string& path) { FilesToProcess.Add(path); }

  // Writes ZipFilename anew from FilesToProcess (beside the target, then renamed over it).
  // Returns xerSuccess or another code; a failure leaves no partial archive.
  int Zip();
  // Extracts the selected members into UnzipToFolder. Every name is checked, and the
  // declared sizes against the free space, before anything is written; a member that
  // inflates past its declared size is stopped there; each file is written beside its
  // target and renamed when its checksum matched. Returns xerSuccess or another code.
  int Unzip();

  // Optional; called during Zip and Unzip with bytes of file data done and the total.
  void SetProgress(ProgressCallback cb) { progress_ = std::move(cb); }
  // Worker threads for Zip; 0 = one per core.
  void SetThreads(unsigned n) { threads_ = n; }

  // The message of the last failure, empty after a success.
  const std::string& LastErrorMessage() const { return last_error_; }

  // The members of an archive in central-directory order; throws CryptoError.
  static std::vector<TZipEntry> ListEntries(const std::string& archive);
  // The member names of an archive in central-directory order; throws CryptoError.
  static std::vector<std::string> ListMembers(const std::string& archive);

 private:
  int Fail(int code, const std::string& message);

  ProgressCallback progress_;
  unsigned threads_ = 0;
  std::string last_error_;
};

}  // namespace qorva
