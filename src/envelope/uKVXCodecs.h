// Small helpers of the armour codec (TKVXDecryption::AsciiArmor). Internal to the envelope
// library; nothing outside it needs them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qorva::kvx {

// The standard Base64 alphabet, index 0..63.
inline constexpr std::string_view b64Table =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Binary digits of lInValue, most significant first, left-padded with "0" to lnBinLength.
// More digits than lnBinLength shows a warning and returns them all, unshortened.
std::string Int2Bin(std::int32_t lInValue, int lnBinLength);

// Value of a text of binary digits; any character other than '1' counts as 0.
std::int32_t Bin2Int(std::string_view Value);

// Left-pads sString with sChar to iWidth, or cuts it to its first iWidth characters.
std::string PadL(const std::string& sString, int iWidth, const std::string& sChar);

template <typename T>
T IIF(bool bCond, T v1, T v2) {
  return bCond ? v1 : v2;
}

// True when nothing but characters of code 32 or less is in sString.
bool IsEmptyStr(std::string_view sString);

}  // namespace qorva::kvx
