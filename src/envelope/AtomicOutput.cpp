#include "AtomicOutput.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <random>

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

std::string FolderOf(const std::string& path) {
  const fs::path folder = platform::PathFromUtf8(path).parent_path();
  return folder.empty() ? std::string(".") : platform::PathToUtf8(folder);
}

}  // namespace

std::string WriteErrorMessage(const std::string& path, const std::string& what,
                              std::error_code ec) {
  if (ec == std::errc::no_space_on_device || ec == std::errc::file_too_large)
    return "not enough space in " + FolderOf(path);
  return "Cannot write file " + path + " (" + what + "): " + ec.message();
}

TAtomicOutput::TAtomicOutput(const std::string& target, platform::FileAccess access,
                             TDurability durability)
    : target_(target), durability_(durability) {
  if (target.empty())
    throw EFileWriteError("No output file name given.",
                          std::make_error_code(std::errc::invalid_argument));
  std::error_code ec;
  for (int attempt = 0; attempt < 8 && !file_.IsOpen(); ++attempt) {
    temp_ = TempNameFor(target);
    file_ = platform::CreateExclusive(temp_, access, ec);
    if (ec && ec != std::errc::file_exists) break;
  }
  if (!file_.IsOpen()) {
    temp_.clear();
    if (ec == std::errc::no_space_on_device)
      throw EFileWriteError(WriteErrorMessage(target, "", ec), ec);
    throw EFileWriteError("Cannot create file " + target + ": " + ec.message(), ec);
  }
}

TAtomicOutput::~TAtomicOutput() {
  if (!committed_) Discard();
}

void TAtomicOutput::Fail(const std::string& what, std::error_code ec) {
  Discard();
  throw EFileWriteError(WriteErrorMessage(target_, what, ec), ec);
}

void TAtomicOutput::Write(const void* data, std::size_t n) {
  if (!file_.IsOpen()) Fail("closed", std::make_error_code(std::errc::bad_file_descriptor));
  if (n == 0) return;
  std::error_code ec;
  if (!file_.Write(data, n, ec)) Fail("write", ec);
  pos_ += n;
}

void TAtomicOutput::WriteAt(std::uint64_t offset, const void* data, std::size_t n) {
  if (!file_.IsOpen()) Fail("closed", std::make_error_code(std::errc::bad_file_descriptor));
  std::error_code ec;
  if (!file_.WriteAt(offset, data, n, ec)) Fail("write", ec);
}

void TAtomicOutput::CopyFrom(platform::File& from,
                             const std::function<bool(std::uint64_t)>& onBytes) {
  if (!file_.IsOpen()) Fail("closed", std::make_error_code(std::errc::bad_file_descriptor));
  const std::uint64_t start = pos_;
  std::error_code ec;
  const bool ok = file_.CopyFrom(
      from,
      [&](std::uint64_t done) {
        pos_ = start + done;
        return !onBytes || onBytes(done);
      },
      ec);
  if (!ok && ec == std::errc::operation_canceled) {
    Discard();
    throw CryptoCancelled();
  }
  if (!ok) Fail("copy", ec);
}

void TAtomicOutput::Commit(TReplace replace) {
  if (!file_.IsOpen()) Fail("closed", std::make_error_code(std::errc::bad_file_descriptor));
  std::error_code ec;
  if (durability_ == TDurability::Flushed && !file_.Flush(ec)) Fail("flush", ec);
  if (!file_.Close(ec)) Fail("close", ec);
  const bool renamed = replace == TReplace::Over ? platform::RenameOver(temp_, target_, ec)
                                                 : platform::RenameNoReplace(temp_, target_, ec);
  if (!renamed) {
    Discard();
    if (ec == std::errc::file_exists) throw EFileWriteError(target_ + " exists", ec);
    throw EFileWriteError("Cannot create file " + target_ + ": " + ec.message(), ec);
  }
  committed_ = true;
}

void TAtomicOutput::Discard() {
  std::error_code ec;
  file_.Close(ec);
  if (!temp_.empty() && !committed_) {
    fs::remove(platform::PathFromUtf8(temp_), ec);
    temp_.clear();
  }
}

void PlaceFile(const std::string& from, const std::string& target, TReplace replace) {
  std::error_code ec;
  platform::File in = platform::OpenForReading(from, ec);
  if (!in.IsOpen()) throw EFileWriteError("Cannot open file " + from + ": " + ec.message(), ec);
  if (!in.Flush(ec)) throw EFileWriteError(WriteErrorMessage(from, "flush", ec), ec);
  const bool renamed = replace == TReplace::Over ? platform::RenameOver(from, target, ec)
                                                 : platform::RenameNoReplace(from, target, ec);
  if (renamed) return;
  if (ec == std::errc::file_exists) throw EFileWriteError(target + " exists", ec);
  if (ec != std::errc::cross_device_link)
    throw EFileWriteError("Cannot create file " + target + ": " + ec.message(), ec);
  TAtomicOutput out(target);
  out.CopyFrom(in);
  out.Commit(replace);
}

}  // namespace qorva
