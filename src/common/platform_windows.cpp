// The platform layer on Windows.
#include <windows.h>
// after windows.h
#include <fcntl.h>
#include <io.h>
#include <sddl.h>
#include <shellapi.h>
#include <signal.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform.h"

namespace qorva::platform {
namespace {

std::error_code LastError() {
  return std::error_code(static_cast<int>(::GetLastError()), std::system_category());
}

HANDLE H(const File& f) { return reinterpret_cast<HANDLE>(f.native()); }

std::wstring Wide(const std::string& utf8) { return PathFromUtf8(utf8).wstring(); }

std::atomic<int> g_signal{0};

BOOL WINAPI OnConsoleEvent(DWORD event) { return ConsoleControlHandler(event); }

// Security attributes that let the current user alone in (a folder passes that on to what
// is made in it): the owner-only mode of POSIX. Null, so the inherited access list applies,
// when the user's identity cannot be read.
class OwnerOnlyAttributes {
 public:
  explicit OwnerOnlyAttributes(bool folder) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<char> user(size);
    LPWSTR sid = nullptr;
    if (size > 0 && ::GetTokenInformation(token, TokenUser, user.data(), size, &size) &&
        ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid)) {
      const std::wstring sddl =
          std::wstring(L"D:P(A;") + (folder ? L"OICI" : L"") + L";FA;;;" + sid + L")";
      ::LocalFree(sid);
      if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                                 &descriptor_, nullptr)) {
        attributes_.nLength = sizeof attributes_;
        attributes_.lpSecurityDescriptor = descriptor_;
        attributes_.bInheritHandle = FALSE;
      }
    }
    ::CloseHandle(token);
  }
  ~OwnerOnlyAttributes() {
    if (descriptor_) ::LocalFree(descriptor_);
  }
  OwnerOnlyAttributes(const OwnerOnlyAttributes&) = delete;
  OwnerOnlyAttributes& operator=(const OwnerOnlyAttributes&) = delete;
  SECURITY_ATTRIBUTES* get() { return descriptor_ ? &attributes_ : nullptr; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  SECURITY_ATTRIBUTES attributes_{};
};

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Other programs (and our own later steps) may read, write, rename or delete a file that is
// open here, as they may on POSIX; what keeps strangers out is the folder's access list.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

bool IsTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

void SetBinaryMode(std::FILE* stream) { ::_setmode(::_fileno(stream), _O_BINARY); }

bool RemoveUserRegistryTree(const std::string& key) {
  const std::wstring wide = PathFromUtf8(key).wstring();
  HKEY handle = nullptr;
  // Opened for reading only: a missing key is never made by looking for it.
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, wide.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
    return false;
  ::RegCloseKey(handle);
  if (::RegDeleteTreeW(HKEY_CURRENT_USER, wide.c_str()) != ERROR_SUCCESS) return false;
  // The emptied key itself, where the tree removal left it.
  const LSTATUS last = ::RegDeleteKeyW(HKEY_CURRENT_USER, wide.c_str());
  return last == ERROR_SUCCESS || last == ERROR_FILE_NOT_FOUND;
}

bool ReadOwnerOnlyFile(const std::string& path, std::size_t maxBytes, std::string& content,
                       std::string& error) {
  // Access on Windows is a matter of the file's access list; the user profile's default
  // keeps other users out, so there is no mode to check here.
  content.clear();
  std::error_code ec;
  const std::filesystem::path p = PathFromUtf8(path);
  if (!std::filesystem::is_regular_file(p, ec)) {
    error = path + " is not a regular file";
    return false;
  }
  if (std::filesystem::file_size(p, ec) > maxBytes) {
    error = path + " is too large for a key file";
    return false;
  }
  std::ifstream in(p, std::ios::binary);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool WriteNewFile(const std::string& path, const std::string& content, unsigned /*mode*/,
                  std::string& error) {
  const std::wstring wide = PathFromUtf8(path).wstring();
  const int fd =
      ::_wopen(wide.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) {
    error = errno == EEXIST ? path + " exists; it is not replaced"
                            : "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  bool ok = true;
  for (std::size_t done = 0; ok && done < content.size();) {
    const int n = ::_write(fd, content.data() + done, static_cast<unsigned>(content.size() - done));
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  ok = ::_commit(fd) == 0 && ok;
  ::_close(fd);
  if (!ok) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    ::_wunlink(wide.c_str());
  }
  return ok;
}

std::uint64_t FreeSpace(const std::string& folder, std::error_code& ec) {
  ULARGE_INTEGER avail{};
  if (!::GetDiskFreeSpaceExW(Wide(folder).c_str(), &avail, nullptr, nullptr)) {
    ec = LastError();
    return 0;
  }
  ec.clear();
  return avail.QuadPart;
}

std::tm LocalTime(std::time_t t) {
  std::tm tm{};
  ::localtime_s(&tm, &t);
  return tm;
}

bool File::IsOpen() const { return H(*this) != INVALID_HANDLE_VALUE && handle_ != -1; }

bool File::Write(const void* data, std::size_t n, std::error_code& ec) {
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    DWORD put = 0;
    const DWORD want = static_cast<DWORD>(n > (1u << 30) ? (1u << 30) : n);
    if (!::WriteFile(H(*this), p, want, &put, nullptr)) {
      ec = LastError();
      return false;
    }
    p += put;
    n -= put;
  }
  ec.clear();
  return true;
}

bool File::WriteAt(std::uint64_t offset, const void* data, std::size_t n, std::error_code& ec) {
  LARGE_INTEGER here{}, zero{}, at{};
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (!::SetFilePointerEx(H(*this), zero, &here, FILE_CURRENT) ||
      !::SetFilePointerEx(H(*this), at, nullptr, FILE_BEGIN)) {
    ec = LastError();
    return false;
  }
  const bool ok = Write(data, n, ec);
  if (!::SetFilePointerEx(H(*this), here, nullptr, FILE_BEGIN) && ok) {
    ec = LastError();
    return false;
  }
  return ok;
}

std::size_t File::Read(void* data, std::size_t n, std::error_code& ec) {
  DWORD got = 0;
  const DWORD want = static_cast<DWORD>(n > (1u << 30) ? (1u << 30) : n);
  if (!::ReadFile(H(*this), data, want, &got, nullptr)) {
    ec = LastError();
    return 0;
  }
  ec.clear();
  return got;
}

bool File::Seek(std::uint64_t offset, std::error_code& ec) {
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (!::SetFilePointerEx(H(*this), at, nullptr, FILE_BEGIN)) {
    ec = LastError();
    return false;
  }
  ec.clear();
  return true;
}

std::uint64_t File::Size(std::error_code& ec) const {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(H(*this), &size)) {
    ec = LastError();
    return 0;
  }
  ec.clear();
  return static_cast<std::uint64_t>(size.QuadPart);
}

bool File::Flush(std::error_code& ec) {
  if (!::FlushFileBuffers(H(*this))) {
    // Windows flushes only through a handle that may write; a file opened for reading gets
    // one of its own for the moment.
    if (::GetLastError() != ERROR_ACCESS_DENIED) {
      ec = LastError();
      return false;
    }
    const HANDLE writer = ::ReOpenFile(H(*this), GENERIC_WRITE, kShareAll, 0);
    if (writer == INVALID_HANDLE_VALUE) {
      ec = LastError();
      return false;
    }
    const bool flushed = ::FlushFileBuffers(writer);
    ec = flushed ? std::error_code() : LastError();
    ::CloseHandle(writer);
    return flushed;
  }
  ec.clear();
  return true;
}

bool File::Close(std::error_code& ec) {
  ec.clear();
  if (!IsOpen()) return true;
  const HANDLE h = H(*this);
  handle_ = -1;
  if (!::CloseHandle(h)) {
    ec = LastError();
    return false;
  }
  return true;
}

bool File::CopyFrom(File& from, const std::function<bool(std::uint64_t)>& onBytes,
                    std::error_code& ec) {
  std::vector<char> buffer(1 << 20);
  std::uint64_t done = 0;
  for (;;) {
    const std::size_t got = from.Read(buffer.data(), buffer.size(), ec);
    if (ec) return false;
    if (got == 0) break;
    if (!Write(buffer.data(), got, ec)) return false;
    done += got;
    if (onBytes && !onBytes(done)) {
      ec = std::make_error_code(std::errc::operation_canceled);
      return false;
    }
  }
  ec.clear();
  return true;
}

File OpenForReading(const std::string& path, std::error_code& ec) {
  const std::wstring wide = Wide(path);
  if (IsFolder(wide)) {
    ec = std::make_error_code(std::errc::is_a_directory);
    return File();
  }
  const HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    ec = LastError();
    return File();
  }
  ec.clear();
  return File(reinterpret_cast<std::intptr_t>(h));
}

File CreateExclusive(const std::string& path, FileAccess access, std::error_code& ec) {
  // CREATE_NEW fails on anything already there, a link included, so nothing is followed.
  OwnerOnlyAttributes ownerOnly(false);
  SECURITY_ATTRIBUTES* security = access == FileAccess::OwnerOnly ? ownerOnly.get() : nullptr;
  const HANDLE h = ::CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_DELETE, security, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    ec = LastError();
    return File();
  }
  ec.clear();
  return File(reinterpret_cast<std::intptr_t>(h));
}

std::error_code CheckWritable(const std::string& path) {
  const std::wstring wide = Wide(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return {};
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return std::make_error_code(std::errc::is_a_directory);
  // The read-only attribute gives "access denied" (5), as opening the file would.
  if (attributes & FILE_ATTRIBUTE_READONLY)
    return std::error_code(ERROR_ACCESS_DENIED, std::system_category());
  const HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return LastError();
  ::CloseHandle(h);
  return {};
}

bool RenameOver(const std::string& from, const std::string& to, std::error_code& ec) {
  if (!::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ec = LastError();
    return false;
  }
  ec.clear();
  return true;
}

bool RenameNoReplace(const std::string& from, const std::string& to, std::error_code& ec) {
  if (!::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_WRITE_THROUGH)) {
    ec = LastError();
    return false;
  }
  ec.clear();
  return true;
}

std::string MakePrivateFolder(const std::string& parent, const std::string& prefix,
                              std::error_code& ec) {
  OwnerOnlyAttributes ownerOnly(true);
  std::string base = parent;
  if (!base.empty() && base.back() != '/' && base.back() != '\\') base += '\\';
  for (int attempt = 0; attempt < 100; ++attempt) {
    LARGE_INTEGER counter{};
    ::QueryPerformanceCounter(&counter);
    const std::string name = base + prefix + "-" + std::to_string(::GetCurrentProcessId()) + "-" +
                             std::to_string(counter.QuadPart % 1000000007) +
                             std::to_string(attempt);
    if (::CreateDirectoryW(Wide(name).c_str(), ownerOnly.get())) {
      ec.clear();
      return name;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  ec = LastError();
  return {};
}

int ConsoleControlHandler(unsigned long event) {
  int expected = 0;
  const int signal = event == CTRL_C_EVENT       ? SIGINT
                     : event == CTRL_BREAK_EVENT ? SIGBREAK
                                                 : SIGTERM;
  g_signal.compare_exchange_strong(expected, signal);
  // Closing the console (or logging off) ends the process once the handler returns; the
  // wait gives the run the time Windows allows to stop and clean up, and the run's own exit
  // ends the wait.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
    ::Sleep(4000);
  return TRUE;
}

void CatchInterrupts() { ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  // main() gets the arguments in the ANSI code page; the system keeps them in UTF-16.
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> out;
  if (!wide || count != argc) {
    if (wide) ::LocalFree(wide);
    for (int i = 0; i < argc; ++i) out.emplace_back(argv[i]);
    return out;
  }
  for (int i = 0; i < count; ++i) out.push_back(PathToUtf8(std::filesystem::path(wide[i])));
  ::LocalFree(wide);
  return out;
}

void UntranslatedStandardStreams() {
  // Text mode would write CR LF for each LF: the bytes would differ from other systems'.
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
  ::SetConsoleOutputCP(CP_UTF8);  // a console shows the UTF-8 as such
}

std::FILE* OpenStdioFile(const std::string& path, const char* mode) {
  const std::wstring wideMode(mode, mode + std::strlen(mode));
  return ::_wfopen(Wide(path).c_str(), wideMode.c_str());
}

int InterruptSignal() { return g_signal.load(); }

}  // namespace qorva::platform
