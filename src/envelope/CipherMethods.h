// The cipher and hashing methods that TFileCipher runs: Twofish, RSA and SHA.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CryptoError.h"

namespace qorva {

constexpr int efpEncrypt = 0;
constexpr int efpDecrypt = 1;
constexpr int emoFreeBlocks = 0;  // each block on its own, no chaining
constexpr int epmRFC1423 = 2;     // n bytes of value n, n = 1..block size, always present

using Bytes = std::vector<std::uint8_t>;

class TSHAHashingMethod {
 public:
  int HashSize = 512;  // bits: 160, 256, 384 or 512
  // The digest of `data`; throws CryptoError for an unsupported size.
  Bytes Hash(const std::string& data) const;
  Bytes Hash(const std::uint8_t* data, std::size_t n) const;
};

// A streaming transform handed out by a method for one encrypt or decrypt run.
class TCipherTransform {
 public:
  virtual ~TCipherTransform() = default;
  // Appends the output for `n` more input bytes to `out`.
  virtual void Update(const std::uint8_t* in, std::size_t n, Bytes& out) = 0;
  // Appends what remains after the last input; throws CryptoError on bad input.
  virtual void Finish(Bytes& out) = 0;
};

class TEncryptionMethod {
 public:
  virtual ~TEncryptionMethod() = default;
  // A new transform for `action` (efpEncrypt or efpDecrypt); throws CryptoError when
  // the method is not ready (no key) or the action is unknown.
  virtual std::unique_ptr<TCipherTransform> Start(int action) const = 0;
  // The largest input that one run accepts; SIZE_MAX when unbounded.
  virtual std::uint64_t MaxInput(int action) const = 0;
};

class TTwofishEncryptionMethod : public TEncryptionMethod {
 public:
  TTwofishEncryptionMethod();
  ~TTwofishEncryptionMethod() override;

  TSHAHashingMethod* HashingMethod = nullptr;  // not owned; derives the key from a pass phrase
  int EncryptionMode = emoFreeBlocks;
  int PaddingMethod = epmRFC1423;

  // Draws a fresh initialisation vector from the system's random source. Free-blocks
  // mode does not use it; it is kept for modes that chain.
  void SetRandomInitVector();
  const Bytes& InitVector() const { return iv_; }
  // Key = the first keyBits/8 bytes of HashingMethod's digest of the pass phrase bytes.
  void SetSecretKeyFromPassPhrase(const std::string& passPhrase, int keyBits);
  // Sets the raw key (16, 24 or 32 bytes).
  void SetSecretKey(const Bytes& key);
  const Bytes& SecretKey() const { return key_; }

  std::unique_ptr<TCipherTransform> Start(int action) const override;
  std::uint64_t MaxInput(int action) const override;

 private:
  Bytes key_;
  Bytes iv_;
};

// RSAES-OAEP with SHA-256 and MGF1-SHA-256, empty label.
class TRSAEncryptionMethod : public TEncryptionMethod {
 public:
  TRSAEncryptionMethod();
  ~TRSAEncryptionMethod() override;

  // X.509 SubjectPublicKeyInfo DER; throws CryptoError when it is not an RSA public key.
  void SetPublicKey(const Bytes& der);
  const Bytes& PublicKey() const { return public_; }
  // PKCS#8 PrivateKeyInfo DER (unencrypted); throws CryptoError when it is not an RSA key.
  void SetPrivateKey(const Bytes& der);
  const Bytes& PrivateKey() const { return private_; }

  // Encrypting needs the public key, decrypting the private key.
  std::unique_ptr<TCipherTransform> Start(int action) const override;
  std::uint64_t MaxInput(int action) const override;

  // A fresh key pair (public SubjectPublicKeyInfo DER, private PKCS#8 DER).
  struct KeyPair {
    Bytes publicKey;
    Bytes privateKey;
  };
  static KeyPair GenerateKeyPair(std::size_t bits);

 private:
  Bytes public_;
  Bytes private_;
};

}  // namespace qorva
