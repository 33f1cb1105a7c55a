// Key pairs made when a test first needs them: no key of any kind is stored with the tests.
#pragma once

#include <string>
#include <vector>

#include "CipherMethods.h"
#include "uKVXDecrypt.h"
#include "uKVXPrivateKey.h"

namespace qorva {

struct TestKeyPair {
  Bytes publicDer, privateDer;
  std::vector<std::string> publicBlock, privateBlock;

  TKVXDecryption::KeyBlockFn PublicFn() const {
    return [this] { return publicBlock; };
  }
  TKVXDecryption::KeyBlockFn PrivateFn() const {
    return [this] { return privateBlock; };
  }
};

inline TestKeyPair MakeTestKeyPair(const std::string& tag) {
  const auto pair = TRSAEncryptionMethod::GenerateKeyPair(2048);
  return {pair.publicKey, pair.privateKey,
          ArmourKeyBlock(pair.publicKey, KeyBlockType::Public, tag),
          ArmourKeyBlock(pair.privateKey, KeyBlockType::Private, tag)};
}

// The administrator's current pair, and an older one.
inline const TestKeyPair& NewerKeys() {
  static const TestKeyPair keys = MakeTestKeyPair("1.1.0.0++2026-12-11 10:00:00");
  return keys;
}
inline const TestKeyPair& OlderKeys() {
  static const TestKeyPair keys = MakeTestKeyPair("1.0.0.0++2025-06-02 09:15:00");
  return keys;
}

}  // namespace qorva
