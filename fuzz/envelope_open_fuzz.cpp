// Any bytes opened as an envelope give a clean answer: false or an exception carrying a
// message, and nothing of ours left in the working folder but the report of a good one.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "uKVXDecrypt.h"
#include "uKVXPrivateKey.h"
#include "w_dialog.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fs::path root = [] {
    char tmpl[] = "/tmp/qorva-envelope-fuzz-XXXXXX";
    if (!::mkdtemp(tmpl)) std::abort();
    fs::create_directory(fs::path(tmpl) / "w");
    return fs::path(tmpl);
  }();
  static qorva::TKVXDecryption* env = [] {
    auto* e = qorva::TKVXDecryption::Instance();
    e->SetPrivateKeys(&qorva::Get_New_Private_Key, &qorva::Get_Private_Key);
    return e;
  }();

  const std::string envelope = (root / "in.HDE").string();
  {
    std::ofstream out(envelope, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const fs::path work = root / "w";
  qorva::RecordingMessageHelper messages;
  try {
    env->TwoFishRSADigitalEnvelope("decrypt", envelope, "Report.txt", work.string() + "/", false);
  } catch (const std::exception&) {
    // The decrypt direction passes its step errors on; that is a clean answer.
  }
  for (const auto& entry : fs::directory_iterator(work)) {
    if (entry.path().filename() != "Report.txt") {
      std::fprintf(stderr, "left behind: %s\n", entry.path().c_str());
      std::abort();
    }
  }
  fs::remove(work / "Report.txt");
  return 0;
}
