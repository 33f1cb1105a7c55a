#include "uKVXPublicKey.h"

namespace qorva {

// Built line by line, so the key never sits in the program as one text.
std::vector<std::string> Get_Public_Key() {
  std::vector<std::string> block;
  block.push_back("-----BEGIN QORVA PUBLIC KEY BLOCK-----");
  block.push_back("Version: 1.0.0.0++2025-06-02 09:15:00");
  block.push_back("");
  block.push_back("MIIBIjANBgkqhkiG9w0BAQEFAAOCAQ8AMIIBCgKCAQEAobG8tyOXtN1B9A5eVD9HqSMxLiK1Ubq");
  block.push_back("co07IL8p1NdcglvO7F45j8dw3dMz7EI7zQFDDsWeLEr8jxAluyVTmKSG9rC7ZZk1FS38Dk9b9QA");
  block.push_back("hjhUD0+L8zFSO7mol03DICIZ5aU5MpA+40VW8T3f1WnGw5AD2j6JTYck7tlW5VuLWkjxK8T8/WZ");
  block.push_back("JEQdcCpeGtHfh04HZg7t7Hz0vyyeFw6hEcMROId7g+dtbQ69TsKW8TKpNHLfdv8k8hh5e0INpbv");
  block.push_back("dpfWm8z5dGEk6D+b8mnL8IXsjjI4KODqXCNiic15pWKJpmRQNwQbZzlVbK8wD1EUEtzSimDks24");
  block.push_back("sTSv4kWwkNQIDAQAB");
  block.push_back("");
  block.push_back("-----END QORVA PUBLIC KEY BLOCK-----");
  return block;
}

}  // namespace qorva
