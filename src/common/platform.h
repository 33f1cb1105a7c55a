// The platform layer: every operating-system call that the standard library and our
// libraries do not cover lives behind this header, with a POSIX and a Windows
// implementation side by side (platform_posix.cpp, platform_windows.cpp; CMake picks one).
// Paths are UTF-8 strings throughout; on Windows they become wide paths here. Failures come
// back as std::error_code in std::system_category() with the platform's own codes (errno
// here, GetLastError() on Windows).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

namespace qorva::platform {

// A UTF-8 path as a filesystem path (wide on Windows), and back.
std::filesystem::path PathFromUtf8(const std::string& utf8);
std::string PathToUtf8(const std::filesystem::path& path);

// Whether the stream is an interactive terminal (progress indicators, escaping).
bool IsTerminal(std::FILE* stream);
// Reads and writes the stream's bytes as they are (no line-end translation on Windows).
void SetBinaryMode(std::FILE* stream);

// The current user's registry (Windows). Removes HKEY_CURRENT_USER\<key> (a path with "\"
// separators, no leading one) together with every key and value beneath it, when the key
// exists; opens nothing for writing and creates nothing on the way. True when the key was
// there and is gone. Systems without a registry do nothing and return false.
bool RemoveUserRegistryTree(const std::string& key);

// The user's temporary folder (TMPDIR, else the system's), without a trailing separator.
std::string UserTempFolder();

// Bytes free for the user in the file system that holds `folder`.
std::uint64_t FreeSpace(const std::string& folder, std::error_code& ec);

// Broken-down local time of `t` (thread-safe).
std::tm LocalTime(std::time_t t);

// Who may read a file made by CreateExclusive.
enum class FileAccess {
  OwnerOnly,  // the user alone, whatever the process's file-creation mask says
  Usual,      // what any new file of the process gets (the mask applies)
};

// An open file, closed when the object goes. Move-only.
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool IsOpen() const;
  // Writes all of `data` (at the current end or at `offset`); false and ec on failure.
  bool Write(const void* data, std::size_t n, std::error_code& ec);
  bool WriteAt(std::uint64_t offset, const void* data, std::size_t n, std::error_code& ec);
  // Reads up to n bytes; 0 at the end or on failure (then ec is set).
  std::size_t Read(void* data, std::size_t n, std::error_code& ec);
  // Moves the read/write position to `offset` from the start.
  bool Seek(std::uint64_t offset, std::error_code& ec);
  std::uint64_t Size(std::error_code& ec) const;
  // Forces the written data to the disk.
  bool Flush(std::error_code& ec);
  bool Close(std::error_code& ec);

  // Copies the rest of `from` into this file, in the kernel where it can; `onBytes` hears
  // the bytes copied so far and may return false to stop (then ec is operation_canceled).
  bool CopyFrom(File& from, const std::function<bool(std::uint64_t)>& onBytes, std::error_code& ec);

  // The platform's handle (a descriptor here), for the implementation only.
  std::intptr_t native() const { return handle_; }
  explicit File(std::intptr_t handle) : handle_(handle) {}

 private:
  std::intptr_t handle_ = -1;
};

// Opens an existing regular file for reading (a folder is refused with is_a_directory).
File OpenForReading(const std::string& path, std::error_code& ec);
// Creates `path`, which must not exist yet (file_exists otherwise; a link planted there is
// never followed), for writing with the given access.
File CreateExclusive(const std::string& path, FileAccess access, std::error_code& ec);

// Whether an existing file may be opened for reading and writing: a folder gives
// is_a_directory, a file without any write permission is read-only even for the superuser
// (as the read-only attribute is elsewhere). A missing file gives no error.
std::error_code CheckWritable(const std::string& path);

// Renames `from` to `to` in one step, replacing a file at `to`.
bool RenameOver(const std::string& from, const std::string& to, std::error_code& ec);
// The same, but an existing `to` is never replaced (file_exists).
bool RenameNoReplace(const std::string& from, const std::string& to, std::error_code& ec);

// Makes a new folder that only the user may enter, named prefix + something unique, under
// `parent`; returns its path (empty, with ec, on failure).
std::string MakePrivateFolder(const std::string& parent, const std::string& prefix,
                              std::error_code& ec);

// A fresh owner-only folder under the user's temporary folder, removed with everything in
// it when the object goes.
class PrivateFolder {
 public:
  explicit PrivateFolder(const std::string& prefix);
  ~PrivateFolder();
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  // Empty when the folder could not be made; error() says why.
  const std::string& path() const { return path_; }
  const std::error_code& error() const { return error_; }

 private:
  std::string path_;
  std::error_code error_;
};

// Interrupts: Ctrl-C, termination, hang-up, quit and a broken pipe are caught for the rest
// of the program instead of ending it, so that a long run can stop cleanly.
void CatchInterrupts();
// The number of the first such signal that arrived, 0 while none has.
int InterruptSignal();
// The exit status of a program stopped by `signal`, as shells report one (128 + number).
inline int ExitStatusForSignal(int signal) { return 128 + signal; }
#ifdef _WIN32
// The console control handler CatchInterrupts installs (Ctrl-C, Ctrl-Break, console close,
// log-off, shut-down), as the console calls it: the event's code in, TRUE (handled) out.
int ConsoleControlHandler(unsigned long event);
#endif

// The program's command-line arguments in UTF-8 (Windows hands main() its ANSI code page's
// version, so they are read again from the system there).
std::vector<std::string> Utf8Arguments(int argc, char** argv);
// Standard output and error pass bytes through as they are (Windows' text mode would add a
// CR to each LF), so a program writes the same bytes on every system.
void UntranslatedStandardStreams();
// std::fopen for a UTF-8 path.
std::FILE* OpenStdioFile(const std::string& path, const char* mode);

// Reads a small secret file (a private key) whole into `content`. Refuses, with a message
// naming the file in `error`, anything that is not a regular file, is larger than
// `maxBytes`, or that other users may access: on POSIX any group or other permission bit
// (as ssh refuses its keys), checked on the opened file itself. Windows: no permission check.
bool ReadOwnerOnlyFile(const std::string& path, std::size_t maxBytes, std::string& content,
                       std::string& error);

// Creates `path` exclusively (an existing file or link there is never touched) with exactly
// the permission bits `mode` (POSIX; ignored on Windows), writes `content` and flushes it to
// disk. On failure nothing is left at `path` and `error` says why.
bool WriteNewFile(const std::string& path, const std::string& content, unsigned mode,
                  std::string& error);

}  // namespace qorva::platform
