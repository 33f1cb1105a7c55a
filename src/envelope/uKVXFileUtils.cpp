#include "uKVXFileUtils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

namespace qorva {
namespace fs = std::filesystem;

EInOutError::EInOutError(int code)
    : std::runtime_error("I/O error " + std::to_string(code)), ErrorCode(code) {}

std::string GetTempDirectory() {
  std::error_code ec;
  fs::path dir = fs::temp_directory_path(ec);
  if (ec) dir = fs::path("/tmp");
  return WithTrailingSeparator(dir.string());
}

std::string WithTrailingSeparator(const std::string& folder) {
  if (!folder.empty() && folder.back() == fs::path::preferred_separator) return folder;
  return folder + static_cast<char>(fs::path::preferred_separator);
}

namespace {

// Closes a descriptor on every way out.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

}  // namespace

unsigned CurrentUmask() {
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

void CheckWritable(const std::string& fName) {
  struct stat st {};
  if (::lstat(fName.c_str(), &st) != 0) return;
  // Directories and files without any write bit are read-only here even for the superuser,
  // who could otherwise open them for writing.
  if (S_ISDIR(st.st_mode)) throw EInOutError(EISDIR);
  if (!S_ISLNK(st.st_mode) && (st.st_mode & 0222) == 0) throw EInOutError(EACCES);
  Fd fd(::open(fName.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK));
  if (!fd.ok()) throw EInOutError(errno);
  if (::close(fd.release()) != 0) throw EInOutError(errno);
}

void EraseFile(const std::string& fName) {
  struct stat st {};
  if (::lstat(fName.c_str(), &st) != 0) return;
  CheckWritable(fName);
  if (::unlink(fName.c_str()) != 0 && errno != ENOENT) throw EInOutError(errno);
}

void FileCopy(const std::string& FSrc, const std::string& FDst,
              const std::function<bool(std::uint64_t)>& onBytes, unsigned newFileMode) {
  Fd src(::open(FSrc.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat srcStat {};
  if (!src.ok() || ::fstat(src.get(), &srcStat) != 0 || S_ISDIR(srcStat.st_mode)) {
    throw EFileError("Cannot open file " + FSrc);
  }

  struct stat dstStat {};
  const bool replacing = ::stat(FDst.c_str(), &dstStat) == 0;
  if (replacing && (S_ISDIR(dstStat.st_mode) || (dstStat.st_mode & 0222) == 0)) {
    throw EFileError("Cannot create file " + FDst);
  }

  // The copy goes to a fresh name beside FDst (mkstemp: O_EXCL, mode 0600) and is renamed
  // over it only when complete.
  const fs::path dst(FDst);
  std::string tmpl = (dst.parent_path() / ("." + dst.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  Fd out(::mkstemp(name.data()));
  if (!out.ok()) throw EFileError("Cannot create file " + FDst);
  const std::string tmpName(name.data());

  try {
    const mode_t mode = replacing ? (dstStat.st_mode & 07777) : (newFileMode & 07777);
    if (mode != 0600 && ::fchmod(out.get(), mode) != 0) throw EInOutError(errno);

    std::uint64_t done = 0;
    // In the kernel where it can (no trip through our memory), else by reading and writing.
    bool inKernel = true;
    std::vector<char> buffer;
    for (;;) {
      ssize_t got = -1;
      if (inKernel) {
        got = ::copy_file_range(src.get(), nullptr, out.get(), nullptr, 1 << 20, 0);
        if (got < 0 && done == 0 &&
            (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
          inKernel = false;
          buffer.resize(1 << 20);
          continue;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw EInOutError(errno);
      } else {
        got = ::read(src.get(), buffer.data(), buffer.size());
        if (got < 0) {
          if (errno == EINTR) continue;
          throw EInOutError(errno);
        }
        for (ssize_t off = 0; off < got;) {
          const ssize_t put =
              ::write(out.get(), buffer.data() + off, static_cast<size_t>(got - off));
          if (put < 0) {
            if (errno == EINTR) continue;
            throw EInOutError(errno);
          }
          off += put;
        }
      }
      if (got == 0) break;
      done += static_cast<std::uint64_t>(got);
      if (onBytes && !onBytes(done)) throw ECancelled();
    }
    // New private copies are working files, thrown away soon; anything else is flushed
    // before it is renamed into place.
    if ((replacing || mode != 0600) && ::fsync(out.get()) != 0) throw EInOutError(errno);
    if (::close(out.release()) != 0) throw EInOutError(errno);
    if (::rename(tmpName.c_str(), FDst.c_str()) != 0) throw EInOutError(errno);
  } catch (...) {
    out.reset();
    ::unlink(tmpName.c_str());
    throw;
  }
}

}  // namespace qorva
