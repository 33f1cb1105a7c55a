#include "ZipArchive.h"

namespace qorva {

TFilesToProcess& TFilesToProcess::operator=(const std::string& entry) {
  entries_.clear();
  if (!entry.empty()) entries_.push_back(entry);
  return *this;
}

int TZipArchive::Fail(int code, const std::string& message) {
  last_error_ = message;
  return code;
}

int TZipArchive::Zip() { return Fail(xerBadParameter, "Zip is not available yet."); }
int TZipArchive::Unzip() { return Fail(xerBadParameter, "Unzip is not available yet."); }
std::vector<std::string> TZipArchive::ListMembers(const std::string&) {
  throw CryptoError("Listing is not available yet.");
}

}  // namespace qorva
