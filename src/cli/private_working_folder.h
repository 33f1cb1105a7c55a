// A private working folder under the temporary folder, removed with everything in it.
// Each run of a program gets its own, so that runs at the same time never share the
// envelope's fixed working-file names.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "uKVXFileUtils.h"

namespace qorva::cli {

class PrivateWorkingFolder {
 public:
  explicit PrivateWorkingFolder(const std::string& prefix) {
    std::string tmpl = GetTempDirectory() + prefix + "-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    if (::mkdtemp(name.data())) path_ = name.data();  // mode 0700
  }
  ~PrivateWorkingFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  PrivateWorkingFolder(const PrivateWorkingFolder&) = delete;
  PrivateWorkingFolder& operator=(const PrivateWorkingFolder&) = delete;
  // Empty when the folder could not be made.
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace qorva::cli
