#include "uTztStringField.h"

namespace qorva {

std::string_view TrimBlanks(std::string_view s) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

std::string TztStringField::GetAsString(const TFieldValue& v) const {
  return std::string(TrimBlanks(TStringField::GetAsString(v)));
}

}  // namespace qorva
