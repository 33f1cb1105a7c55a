#include "CryptoSelfTest.h"

#include <cstdio>

namespace qorva {
namespace {

ScopedSelfTestOverride::Fn& Override() {
  static ScopedSelfTestOverride::Fn fn;
  return fn;
}

Bytes FromHex(const char* hex) {
  Bytes out;
  for (const char* p = hex; p[0] && p[1]; p += 2) {
    unsigned v = 0;
    std::sscanf(p, "%2x", &v);
    out.push_back(static_cast<std::uint8_t>(v));
  }
  return out;
}

// One Twofish block through the free-blocks transform, without the padding block.
Bytes TwofishBlock(const Bytes& key, const Bytes& block) {
  TTwofishEncryptionMethod tf;
  tf.SetSecretKey(key);
  auto t = tf.Start(efpEncrypt);
  Bytes out;
  t->Update(block.data(), block.size(), out);
  t->Finish(out);
  out.resize(16);
  return out;
}

SelfTestResult RealSelfTest(const Bytes& publicKeyDer) {
  try {
    // Twofish paper, 256-bit key known answers.
    struct Kat {
      const char *key, *pt, *ct;
    };
    const Kat kats[] = {
        {"0000000000000000000000000000000000000000000000000000000000000000",
         "00000000000000000000000000000000", "57FF739D4DC92C1BD7FC01700CC8216F"},
        {"0123456789ABCDEFFEDCBA987654321000112233445566778899AABBCCDDEEFF",
         "00000000000000000000000000000000", "37527BE0052334B89F0CFCCAE87CFA20"},
    };
    for (const Kat& k : kats)
      if (TwofishBlock(FromHex(k.key), FromHex(k.pt)) != FromHex(k.ct))
        return {false, "Twofish known-answer test failed."};

    TSHAHashingMethod sha;
    sha.HashSize = 512;
    if (sha.Hash("abc") !=
        FromHex("DDAF35A193617ABACC417349AE20413112E6FA4E89A97EA20A9EEEE64B55D39A"
                "2192992A274FC1A836BA3C23A3FEEBBD454D4423643CE80E2A9AC94FA54CA49F"))
      return {false, "SHA-512 known-answer test failed."};

    TRSAEncryptionMethod rsa;
    rsa.SetPublicKey(publicKeyDer);
    if (rsa.MaxInput(efpEncrypt) < 71) return {false, "The RSA public key is too short."};
    return {true, {}};
  } catch (const std::exception& e) {
    return {false, e.what()};
  }
}

}  // namespace

SelfTestResult CryptoSelfTest(const Bytes& publicKeyDer) {
  if (Override()) return Override()(publicKeyDer);
  return RealSelfTest(publicKeyDer);
}

ScopedSelfTestOverride::ScopedSelfTestOverride(Fn fn) : previous_(std::move(Override())) {
  Override() = std::move(fn);
}
ScopedSelfTestOverride::~ScopedSelfTestOverride() { Override() = std::move(previous_); }

}  // namespace qorva
