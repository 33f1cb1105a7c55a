// Windows only: the programs carry the version resource with the About window's values.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform.h"
#include "version.h"

namespace qorva {
namespace {

// The string `key` of the program's version table, as UTF-8; empty when there is none.
std::string VersionString(const std::string& program, const std::string& key) {
  const std::wstring file = platform::PathFromUtf8(program).wstring();
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<char> block(size);
  if (!::GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return {};
  const std::wstring path = platform::PathFromUtf8("\\StringFileInfo\\040904E4\\" + key).wstring();
  void* value = nullptr;
  UINT chars = 0;
  if (!::VerQueryValueW(block.data(), path.c_str(), &value, &chars) || chars == 0) return {};
  return platform::PathToUtf8(std::wstring(static_cast<const wchar_t*>(value), chars - 1));
}

TEST(VersionResource, ProgramsCarryTheAboutWindowsValues) {
  for (const std::string program : {QORVA_BIN, QORVA_OPEN_BIN}) {
    SCOPED_TRACE(program);
    EXPECT_EQ(VersionString(program, "FileVersion"), QORVA_VERSION);
    EXPECT_EQ(VersionString(program, "ProductVersion"), QORVA_VERSION);
    EXPECT_EQ(VersionString(program, "CompanyName"), QORVA_COMPANY);
    EXPECT_EQ(VersionString(program, "LegalCopyright"), QORVA_COPYRIGHT);
    EXPECT_EQ(VersionString(program, "ProductName"), "QORVA File Encryption Utility");
  }
  // The icon is there too.
  HMODULE module = ::LoadLibraryExW(platform::PathFromUtf8(QORVA_BIN).wstring().c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  EXPECT_NE(::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */),
            nullptr);
  ::FreeLibrary(module);
}

}  // namespace
}  // namespace qorva
