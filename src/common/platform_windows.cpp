// The platform layer on Windows.
#include <io.h>
#include <windows.h>

#include "platform.h"

namespace qorva::platform {

bool IsTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

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

}  // namespace qorva::platform
