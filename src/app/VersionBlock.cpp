#include "VersionBlock.h"

#include "version.h"

namespace qorva {

const TVersionBlock& TVersionBlock::Program() {
  static const TVersionBlock block([] {
    const std::string t = kVersionTablePath;
    return std::map<std::string, std::string>{
        {t + "CompanyName", QORVA_COMPANY},
        {t + "FileDescription", "QORVA File Encryption Utility"},
        {t + "FileVersion", QORVA_VERSION},
        {t + "InternalName", "qorva-encryptor"},
        {t + "LegalCopyright", QORVA_COPYRIGHT},
        {t + "OriginalFileName", "qorva-encryptor"},
        {t + "ProductName", "QORVA File Encryption Utility"},
        {t + "ProductVersion", QORVA_VERSION},
    };
  }());
  return block;
}

std::size_t TVersionBlock::Size() const {
  std::size_t size = 0;
  for (const auto& [path, value] : values_) size += path.size() + value.size() + 2;
  return size;
}

std::optional<std::string> TVersionBlock::Query(const std::string& path) const {
  auto it = values_.find(path);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

}  // namespace qorva
