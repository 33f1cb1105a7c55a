// Any bytes opened as an envelope give a clean answer: false or an exception carrying a
// message, and nothing of ours left in the working folder but the report of a good one.
//
// The first byte of an input says what the rest is, so that fuzzing reaches past the RSA
// step with a key pair made at start-up:
//   'E' (or anything else): a whole envelope file, opened as it is;
//   'Z': an inner archive, Twofish-encrypted and sealed into an envelope for the key pair;
//   'T': the Twofish member itself, packed with a pass phrase sealed for the key pair.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "CipherMethods.h"
#include "FileCipher.h"
#include "ZipArchive.h"
#include "uKVXDecrypt.h"
#include "uKVXPrivateKey.h"
#include "w_dialog.h"

namespace fs = std::filesystem;

namespace {

const std::string kPassPhrase(64, 'q');

struct Keys {
  qorva::Bytes publicDer;
  std::vector<std::string> publicBlock, privateBlock;
};

void Write(const fs::path& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// An envelope of the Twofish member at `two`, with the pass phrase sealed for `keys`.
void Pack(const fs::path& dir, const Keys& keys, const fs::path& envelope) {
  qorva::TRSAEncryptionMethod rsa;
  rsa.SetPublicKey(keys.publicDer);
  qorva::TFileCipher cipher;
  cipher.EncryptionMethod = &rsa;
  cipher.WriteFile(kPassPhrase, qorva::efpEncrypt, true, (dir / "TwoFishKey.RSA").string(), false);
  qorva::TZipArchive zip;
  zip.FilesToProcess = "";
  zip.AddFilesToProcess((dir / "HZTFile.two").string());
  zip.AddFilesToProcess((dir / "TwoFishKey.RSA").string());
  zip.ZipFilename = envelope.string();
  zip.Zip();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fs::path root = [] {
    std::random_device rd;
    const fs::path dir = fs::temp_directory_path() /
                         ("qorva-envelope-fuzz-" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(dir / "w");
    fs::create_directories(dir / "parts");
    return dir;
  }();
  static const Keys keys = [] {
    const auto pair = qorva::TRSAEncryptionMethod::GenerateKeyPair(2048);
    const std::string tag = qorva::KeyVersionTag();
    return Keys{pair.publicKey,
                qorva::ArmourKeyBlock(pair.publicKey, qorva::KeyBlockType::Public, tag),
                qorva::ArmourKeyBlock(pair.privateKey, qorva::KeyBlockType::Private, tag)};
  }();
  static qorva::TKVXDecryption* env = [] {
    auto* e = qorva::TKVXDecryption::Instance();
    e->SetPrivateKeys([] { return keys.privateBlock; }, nullptr);
    return e;
  }();

  const fs::path envelope = root / "in.HDE";
  const fs::path parts = root / "parts";
  const char mode = size > 0 ? static_cast<char>(data[0]) : 'E';
  if (mode == 'Z' || mode == 'T') {
    if (mode == 'T') {
      Write(parts / "HZTFile.two", data + 1, size - 1);
    } else {
      Write(parts / "inner.zip", data + 1, size - 1);
      qorva::TSHAHashingMethod sha;
      sha.HashSize = 512;
      qorva::TTwofishEncryptionMethod twofish;
      twofish.HashingMethod = &sha;
      twofish.SetSecretKeyFromPassPhrase(kPassPhrase, 256);
      qorva::TFileCipher cipher;
      cipher.EncryptionMethod = &twofish;
      std::uint64_t read = 0;
      cipher.ProcessFile((parts / "inner.zip").string(), 0, 0, qorva::efpEncrypt, true,
                         (parts / "HZTFile.two").string(), false, read);
    }
    Pack(parts, keys, envelope);
  } else {
    Write(envelope, data + (size > 0 && mode == 'E'), size - (size > 0 && mode == 'E'));
  }

  const fs::path work = root / "w";
  qorva::RecordingMessageHelper messages;
  try {
    env->TwoFishRSADigitalEnvelope("decrypt", envelope.string(), "Report.txt", work.string() + "/",
                                   false);
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
