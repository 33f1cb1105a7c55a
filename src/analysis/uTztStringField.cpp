#include "uTztStringField.h"

namespace qorva {

std::string TztStringField::GetAsString(const TFieldValue& v) const {
  return std::string(TrimBlanks(TStringField::GetAsString(v)));
}

}  // namespace qorva
