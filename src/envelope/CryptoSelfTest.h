// Known-answer checks of the cipher layer, run before the first envelope.
#pragma once

#include <functional>
#include <string>

#include "CipherMethods.h"

namespace qorva {

struct SelfTestResult {
  bool ok = false;
  std::string message;  // what failed; empty when ok
};

// Twofish-256 and SHA-512 known answers, and that `publicKeyDer` loads as an RSA public key
// large enough to seal a pass phrase. Never throws.
SelfTestResult CryptoSelfTest(const Bytes& publicKeyDer);

// Replaces the self-test for as long as the object lives (tests use it to make the check
// fail); the previous one comes back when it ends.
class ScopedSelfTestOverride {
 public:
  using Fn = std::function<SelfTestResult(const Bytes& publicKeyDer)>;
  explicit ScopedSelfTestOverride(Fn fn);
  ~ScopedSelfTestOverride();
  ScopedSelfTestOverride(const ScopedSelfTestOverride&) = delete;
  ScopedSelfTestOverride& operator=(const ScopedSelfTestOverride&) = delete;

 private:
  Fn previous_;
};

}  // namespace qorva
