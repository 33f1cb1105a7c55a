// The platform layer on POSIX systems.
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform.h"

namespace qorva::platform {
namespace {

std::error_code Errno() { return std::error_code(errno, std::system_category()); }

int Fd(const File& f) { return static_cast<int>(f.native()); }

volatile sig_atomic_t g_signal = 0;

void OnInterrupt(int signal) {
  if (g_signal == 0) g_signal = signal;
}

}  // namespace

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

void SetBinaryMode(std::FILE*) {}  // POSIX streams never translate

bool RemoveUserRegistryTree(const std::string&) { return false; }  // no registry here

std::uint64_t FreeSpace(const std::string& folder, std::error_code& ec) {
  struct statvfs st {};
  if (::statvfs(folder.c_str(), &st) != 0) {
    ec = Errno();
    return 0;
  }
  ec.clear();
  return static_cast<std::uint64_t>(st.f_bavail) * static_cast<std::uint64_t>(st.f_frsize);
}

std::tm LocalTime(std::time_t t) {
  std::tm tm{};
  ::localtime_r(&t, &tm);
  return tm;
}

bool File::IsOpen() const { return handle_ >= 0; }

bool File::Write(const void* data, std::size_t n, std::error_code& ec) {
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    const ssize_t put = ::write(Fd(*this), p, n);
    if (put < 0) {
      if (errno == EINTR) continue;
      ec = Errno();
      return false;
    }
    p += put;
    n -= static_cast<std::size_t>(put);
  }
  ec.clear();
  return true;
}

bool File::WriteAt(std::uint64_t offset, const void* data, std::size_t n, std::error_code& ec) {
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    const ssize_t put = ::pwrite(Fd(*this), p, n, static_cast<off_t>(offset));
    if (put < 0) {
      if (errno == EINTR) continue;
      ec = Errno();
      return false;
    }
    p += put;
    n -= static_cast<std::size_t>(put);
    offset += static_cast<std::uint64_t>(put);
  }
  ec.clear();
  return true;
}

std::size_t File::Read(void* data, std::size_t n, std::error_code& ec) {
  for (;;) {
    const ssize_t got = ::read(Fd(*this), data, n);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      ec = Errno();
      return 0;
    }
    ec.clear();
    return static_cast<std::size_t>(got);
  }
}

bool File::Seek(std::uint64_t offset, std::error_code& ec) {
  if (::lseek(Fd(*this), static_cast<off_t>(offset), SEEK_SET) < 0) {
    ec = Errno();
    return false;
  }
  ec.clear();
  return true;
}

std::uint64_t File::Size(std::error_code& ec) const {
  struct stat st {};
  if (::fstat(Fd(*this), &st) != 0) {
    ec = Errno();
    return 0;
  }
  ec.clear();
  return static_cast<std::uint64_t>(st.st_size);
}

bool File::Flush(std::error_code& ec) {
  if (::fsync(Fd(*this)) != 0) {
    ec = Errno();
    return false;
  }
  ec.clear();
  return true;
}

bool File::Close(std::error_code& ec) {
  ec.clear();
  if (handle_ < 0) return true;
  const int fd = Fd(*this);
  handle_ = -1;
  if (::close(fd) != 0 && errno != EINTR) {
    ec = Errno();
    return false;
  }
  return true;
}

bool File::CopyFrom(File& from, const std::function<bool(std::uint64_t)>& onBytes,
                    std::error_code& ec) {
  constexpr std::size_t kPiece = 1 << 20;
  std::uint64_t done = 0;
  bool inKernel = true;
  std::vector<char> buffer;
  for (;;) {
    ssize_t got = -1;
    if (inKernel) {
      got = ::copy_file_range(Fd(from), nullptr, Fd(*this), nullptr, kPiece, 0);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0 && done == 0 &&
          (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
           errno == EPERM)) {
        inKernel = false;
        buffer.resize(kPiece);
        continue;
      }
      if (got < 0) {
        ec = Errno();
        return false;
      }
    } else {
      got = static_cast<ssize_t>(from.Read(buffer.data(), buffer.size(), ec));
      if (ec) return false;
      if (got > 0 && !Write(buffer.data(), static_cast<std::size_t>(got), ec)) return false;
    }
    if (got == 0) break;
    done += static_cast<std::uint64_t>(got);
    if (onBytes && !onBytes(done)) {
      ec = std::make_error_code(std::errc::operation_canceled);
      return false;
    }
  }
  ec.clear();
  return true;
}

File OpenForReading(const std::string& path, std::error_code& ec) {
  File f(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!f.IsOpen()) {
    ec = Errno();
    return f;
  }
  struct stat st {};
  if (::fstat(Fd(f), &st) != 0) {
    ec = Errno();
    return File();
  }
  if (S_ISDIR(st.st_mode)) {
    ec = std::make_error_code(std::errc::is_a_directory);
    return File();
  }
  ec.clear();
  return f;
}

File CreateExclusive(const std::string& path, FileAccess access, std::error_code& ec) {
  const mode_t mode = access == FileAccess::OwnerOnly ? 0600 : 0666;
  // O_EXCL: never a file or link that someone else put there first.
  File f(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
  if (!f.IsOpen()) {
    ec = Errno();
    return f;
  }
  ec.clear();
  return f;
}

std::error_code CheckWritable(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return {};
  if (S_ISDIR(st.st_mode)) return std::make_error_code(std::errc::is_a_directory);
  if (!S_ISLNK(st.st_mode) && (st.st_mode & 0222) == 0)
    return std::make_error_code(std::errc::permission_denied);
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Errno();
  if (::close(fd) != 0) return Errno();
  return {};
}

bool RenameOver(const std::string& from, const std::string& to, std::error_code& ec) {
  if (::rename(from.c_str(), to.c_str()) != 0) {
    ec = Errno();
    return false;
  }
  ec.clear();
  return true;
}

bool RenameNoReplace(const std::string& from, const std::string& to, std::error_code& ec) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    ec.clear();
    return true;
  }
  if (errno != EINVAL && errno != ENOSYS) {
    ec = Errno();
    return false;
  }
  // File systems without the flag: a hard link never replaces either.
  if (::link(from.c_str(), to.c_str()) != 0) {
    ec = Errno();
    return false;
  }
  ::unlink(from.c_str());
  ec.clear();
  return true;
}

std::string MakePrivateFolder(const std::string& parent, const std::string& prefix,
                              std::error_code& ec) {
  std::string pattern = parent;
  if (pattern.empty() || pattern.back() != '/') pattern += '/';
  pattern += prefix + "-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!::mkdtemp(name.data())) {  // mode 0700
    ec = Errno();
    return {};
  }
  ec.clear();
  return name.data();
}

void CatchInterrupts() {
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) ::sigaction(signal, &sa, nullptr);
}

int InterruptSignal() { return g_signal; }

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return {argv, argv + argc}; }

void UntranslatedStandardStreams() {}  // streams never translate here

std::FILE* OpenStdioFile(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

namespace {

struct OwnedFd {
  int fd;
  ~OwnedFd() {
    if (fd >= 0) ::close(fd);
  }
};

std::string Octal(unsigned mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", mode & 07777u);
  return text;
}

}  // namespace

bool ReadOwnerOnlyFile(const std::string& path, std::size_t maxBytes, std::string& content,
                       std::string& error) {
  content.clear();
  OwnedFd f{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
  if (f.fd < 0) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(f.fd, &st) != 0) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error = path + " is not a regular file";
    return false;
  }
  if ((st.st_mode & 077) != 0) {
    error = "permissions " + Octal(st.st_mode) + " for " + path +
            " are too open: a private key file must be accessible to its owner only "
            "(chmod 600 " +
            path + ")";
    return false;
  }
  if (static_cast<std::size_t>(st.st_size) > maxBytes) {
    error = path + " is too large for a key file";
    return false;
  }
  content.resize(static_cast<std::size_t>(st.st_size));
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::read(f.fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = "cannot read " + path + ": " + std::strerror(errno);
      content.assign(content.size(), '\0');
      content.clear();
      return false;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  content.resize(done);
  return true;
}

bool WriteNewFile(const std::string& path, const std::string& content, unsigned mode,
                  std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    error = errno == EEXIST ? path + " exists; it is not replaced"
                            : "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  OwnedFd f{fd};
  bool ok = ::fchmod(fd, static_cast<mode_t>(mode)) == 0;
  for (std::size_t done = 0; ok && done < content.size();) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  if (!ok) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    ::unlink(path.c_str());
  }
  return ok;
}

}  // namespace qorva::platform
