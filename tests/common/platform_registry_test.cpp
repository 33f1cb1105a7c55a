// The current user's registry tree removal: only the named key and what lies beneath it go,
// and looking for a missing key makes nothing.
#include <gtest/gtest.h>

#include <string>

#include "platform.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace qorva {
namespace {

#ifdef _WIN32
const std::wstring kParent = L"Software\\QorvaRegistryTest";

bool KeyExists(const std::wstring& key) {
  HKEY h = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
    return false;
  ::RegCloseKey(h);
  return true;
}

void SetValue(const std::wstring& key, const wchar_t* name) {
  HKEY h = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &h, nullptr),
            ERROR_SUCCESS);
  const DWORD one = 1;
  ::RegSetValueExW(h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
  ::RegCloseKey(h);
}

bool ValueExists(const std::wstring& key, const wchar_t* name) {
  return ::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_ANY, nullptr, nullptr,
                        nullptr) == ERROR_SUCCESS;
}

TEST(PlatformRegistry, RemovesTheKeyAndItsSubKeysOnly) {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, kParent.c_str());
  SetValue(kParent, L"InBasketDefaults");  // a value of the same name, beside the key
  SetValue(kParent + L"\\InBasketDefaults", L"Folder");
  SetValue(kParent + L"\\InBasketDefaults\\Sub\\Deep", L"Value");
  SetValue(kParent + L"\\Other", L"Keep");
  EXPECT_TRUE(platform::RemoveUserRegistryTree("Software\\QorvaRegistryTest\\InBasketDefaults"));
  EXPECT_FALSE(KeyExists(kParent + L"\\InBasketDefaults"));
  EXPECT_TRUE(ValueExists(kParent, L"InBasketDefaults"));
  EXPECT_TRUE(KeyExists(kParent + L"\\Other"));
  ::RegDeleteTreeW(HKEY_CURRENT_USER, kParent.c_str());
  ::RegDeleteKeyW(HKEY_CURRENT_USER, kParent.c_str());
}

TEST(PlatformRegistry, MissingKeyCreatesNothing) {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, kParent.c_str());
  ::RegDeleteKeyW(HKEY_CURRENT_USER, kParent.c_str());
  EXPECT_FALSE(platform::RemoveUserRegistryTree("Software\\QorvaRegistryTest\\InBasketDefaults"));
  EXPECT_FALSE(KeyExists(kParent));
}
#else
TEST(PlatformRegistry, NoRegistryDoesNothing) {
  EXPECT_FALSE(platform::RemoveUserRegistryTree("Software\\QorvaRegistryTest\\InBasketDefaults"));
}
#endif

}  // namespace
}  // namespace qorva
