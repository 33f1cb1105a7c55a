#include "EnvelopeName.h"

#include <filesystem>

namespace qorva {
namespace {

constexpr char kNative = static_cast<char>(std::filesystem::path::preferred_separator);

bool IsSeparator(char c) { return c == '/' || c == kNative; }

}  // namespace

std::string EnvelopePathFor(const std::string& output_folder, const std::string& report_file) {
  // Separators are searched byte by byte: the path is in the file-name encoding, whatever it is.
  std::string name = report_file;
  for (std::size_t i = name.size(); i > 0; --i) {
    if (IsSeparator(name[i - 1])) {
      name.erase(0, i);
      break;
    }
  }
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  std::string path = output_folder;
  if (path.empty() || !IsSeparator(path.back())) path += kNative;
  return path + name + ".HDE";
}

}  // namespace qorva
