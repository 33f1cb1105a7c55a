#include "uKVXCodecs.h"

#include <algorithm>

#include "uKVXDecrypt.h"
#include "w_dialog.h"

namespace qorva::kvx {

std::string Int2Bin(std::int32_t lInValue, int lnBinLength) {
  std::string digits;
  std::int32_t t = lInValue;
  do {
    // The remainder takes the sign of t, so a negative value only ever gives zeros.
    digits.insert(digits.begin(), t % 2 == 1 ? '1' : '0');
    t /= 2;
  } while (t != 0);
  if (static_cast<int>(digits.size()) < lnBinLength) {
    digits = PadL(digits, lnBinLength, "0");
  } else if (static_cast<int>(digits.size()) > lnBinLength) {
    ShowMessage("WARNING: string Too Long for Int2Bin");
  }
  return digits;
}

std::int32_t Bin2Int(std::string_view Value) {
  // Unsigned arithmetic: a text of more than 31 digits wraps instead of overflowing.
  std::uint32_t sum = 0;
  for (char c : Value) sum = (sum << 1) | (c == '1' ? 1u : 0u);
  return static_cast<std::int32_t>(sum);
}

std::string PadL(const std::string& sString, int iWidth, const std::string& sChar) {
  const std::string pad = (sChar.empty() || sChar == std::string(1, '\0')) ? " " : sChar;
  const size_t width = iWidth < 1 ? 80 : static_cast<size_t>(iWidth);
  if (sString.size() >= width) return sString.substr(0, width);
  std::string prefix;
  while (prefix.size() + sString.size() < width) prefix += pad;
  return prefix + sString;
}

bool IsEmptyStr(std::string_view sString) {
  for (char c : sString) {
    if (static_cast<unsigned char>(c) > 32) return false;
  }
  return true;
}

namespace {

bool IsDataLine(const std::string& line) {
  if (!line.empty() && line[0] == '=') return false;  // armour checksum line
  if (IsEmptyStr(line)) return false;
  if (line.find("Version: ") != std::string::npos) return false;
  if (line.find("-----") != std::string::npos) return false;  // marker lines
  return true;
}

std::string Decode(const std::vector<std::string>& lines) {
  std::string bits;
  size_t pads = 0;
  for (const std::string& line : lines) {
    if (!IsDataLine(line)) continue;
    for (char c : line) {
      if (c == '=') {
        ++pads;
        continue;
      }
      const size_t index = b64Table.find(c);
      // Outside the alphabet: -1, which gives six zero bits.
      bits += Int2Bin(index == std::string_view::npos ? -1 : static_cast<std::int32_t>(index), 6);
    }
  }
  bits.resize(bits.size() - std::min(bits.size(), 2 * pads));
  std::string out;
  // A trailing chunk of a single bit is dropped; a longer short chunk is converted as it is.
  for (size_t start = 0; start + 1 < bits.size(); start += 8) {
    out += static_cast<char>(Bin2Int(std::string_view(bits).substr(start, 8)));
  }
  return out;
}

std::string Encode(const std::string& data) {
  std::string bits;
  bits.reserve(data.size() * 8);
  for (unsigned char b : data) bits += Int2Bin(b, 8);
  const size_t r = bits.size() % 24;
  std::string text;
  for (size_t start = 0; start < bits.size(); start += 6) {
    std::string chunk = bits.substr(start, 6);
    if (chunk.size() < 6) chunk.append((24 - r) / 4, '0');
    text += b64Table[static_cast<size_t>(Bin2Int(chunk))];
  }
  if (r == 8) text += "==";
  if (r == 16) text += "=";
  std::string out;
  for (size_t start = 0; start < text.size(); start += 75) {
    out += text.substr(start, 75);
    out += "\r\n";
  }
  return out;
}

}  // namespace

}  // namespace qorva::kvx

namespace qorva {

std::string TKVXDecryption::AsciiArmor(const std::string& scString, bool lbEncode,
                                       const std::vector<std::string>& sStringList) {
  return lbEncode ? kvx::Encode(scString) : kvx::Decode(sStringList);
}

void TKVXDecryption::StrToBinary(const std::string& sSource,
                                 std::vector<std::uint8_t>& vaDestination) {
  vaDestination.assign(sSource.begin(), sSource.end());
}

}  // namespace qorva
