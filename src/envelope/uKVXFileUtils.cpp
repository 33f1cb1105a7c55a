#include "uKVXFileUtils.h"

#include <filesystem>
#include <memory>

#include "AtomicOutput.h"
#include "platform.h"

namespace qorva {
namespace fs = std::filesystem;

EInOutError::EInOutError(int code)
    : std::runtime_error("I/O error " + std::to_string(code)), ErrorCode(code) {}

std::string GetTempDirectory() { return WithTrailingSeparator(platform::UserTempFolder()); }

std::string WithTrailingSeparator(const std::string& folder) {
  // "/" separates on Windows too.
  if (!folder.empty() && (folder.back() == '/' || folder.back() == fs::path::preferred_separator))
    return folder;
  return folder + static_cast<char>(fs::path::preferred_separator);
}

void CheckWritable(const std::string& fName) {
  const std::error_code ec = platform::CheckWritable(fName);
  if (ec) throw EInOutError(ec.value());
}

void EraseFile(const std::string& fName) {
  std::error_code ec;
  const fs::path path = platform::PathFromUtf8(fName);
  if (!fs::exists(fs::symlink_status(path, ec))) return;
  CheckWritable(fName);
  if (!fs::remove(path, ec) && ec) throw EInOutError(ec.value());
}

void FileCopy(const std::string& FSrc, const std::string& FDst,
              const std::function<bool(std::uint64_t)>& onBytes, platform::FileAccess access,
              TDurability durability) {
  std::error_code ec;
  platform::File src = platform::OpenForReading(FSrc, ec);
  if (!src.IsOpen()) throw EFileError("Cannot open file " + FSrc);

  // A folder or a read-only file at the target is not replaced.
  const fs::file_status target = fs::status(platform::PathFromUtf8(FDst), ec);
  if (fs::is_directory(target) ||
      (fs::exists(target) && (target.permissions() & fs::perms::all &
                              (fs::perms::owner_write | fs::perms::group_write |
                               fs::perms::others_write)) == fs::perms::none)) {
    throw EFileError("Cannot create file " + FDst);
  }

  std::unique_ptr<TAtomicOutput> out;
  try {
    out = std::make_unique<TAtomicOutput>(FDst, access, durability);
  } catch (const EFileWriteError& e) {
    if (e.Code == std::errc::no_space_on_device) throw;
    throw EFileError("Cannot create file " + FDst);
  }
  try {
    out->CopyFrom(src, onBytes);
    out->Commit();
  } catch (const EFileWriteError& e) {
    if (e.Code == std::errc::no_space_on_device) throw;
    throw EInOutError(e.Code.value());
  }
}

}  // namespace qorva
