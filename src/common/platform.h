// The platform layer: every operating-system call that the standard library and our
// libraries do not cover lives behind this header, with a POSIX and a Windows
// implementation side by side (platform_posix.cpp, platform_windows.cpp; CMake picks one).
// Paths are UTF-8 strings throughout; on Windows they become wide paths here.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace qorva::platform {

// A UTF-8 path as a filesystem path (wide on Windows), and back.
std::filesystem::path PathFromUtf8(const std::string& utf8);
std::string PathToUtf8(const std::filesystem::path& path);

// Whether the stream is an interactive terminal (progress indicators, escaping).
bool IsTerminal(std::FILE* stream);

// The current user's registry (Windows). Removes HKEY_CURRENT_USER\<key> (a path with "\"
// separators, no leading one) together with every key and value beneath it, when the key
// exists; opens nothing for writing and creates nothing on the way. True when the key was
// there and is gone. Systems without a registry do nothing and return false.
bool RemoveUserRegistryTree(const std::string& key);

}  // namespace qorva::platform
