// The program's version block: string tables addressed by "StringFileInfo\<language><code
// page>\<key>", as the About window reads them. The values are compiled in.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>

namespace qorva {

class TVersionBlock {
 public:
  TVersionBlock() = default;  // no block at all
  explicit TVersionBlock(std::map<std::string, std::string> values) : values_(std::move(values)) {}

  // The block of the running program: the US-English, code page 1252 table.
  static const TVersionBlock& Program();

  // Bytes the block takes; 0 when the program has no block.
  std::size_t Size() const;
  // The value at `path` (e.g. "StringFileInfo\040904E4\ProductVersion"), if there is one.
  std::optional<std::string> Query(const std::string& path) const;

 private:
  std::map<std::string, std::string> values_;
};

// The US-English, code page 1252 string table's path prefix.
inline constexpr const char* kVersionTablePath = "StringFileInfo\\040904E4\\";

}  // namespace qorva
