// A string field whose text reads without leading and trailing blanks and control
// characters (codes 0 to 32); the stored value keeps them.
#pragma once

#include <string>

#include "DataSet.h"
#include "ReportText.h"  // TrimBlanks

namespace qorva {

class TztStringField : public TStringField {
 public:
  explicit TztStringField(int size = 20) : TStringField(size) {}

 protected:
  std::string GetAsString(const TFieldValue& v) const override;
};

}  // namespace qorva
