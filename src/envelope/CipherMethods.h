// The cipher and hashing methods that TFileCipher runs: Twofish, RSA and SHA.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CryptoError.h"

namespace qorva {

enum TCipherAction : int { efpEncrypt = 0, efpDecrypt = 1 };
enum TEncryptionMode : int { emoFreeBlocks = 0 };  // each block on its own, no chaining
enum TPaddingMethod : int { epmRFC1423 = 2 };      // n bytes of value n, n = 1..block size

using Bytes = std::vector<std::uint8_t>;

// Memory for secrets (pass phrases, keys): taken from the crypto library's locked pool where
// it can and wiped when freed.
void* SecureAllocate(std::size_t count, std::size_t size);
void SecureFree(void* p, std::size_t count, std::size_t size) noexcept;
// Overwrites n bytes at p with zeros in a way the compiler keeps.
void Wipe(void* p, std::size_t n) noexcept;

template <class T>
struct SecureAllocator {
  using value_type = T;
  SecureAllocator() noexcept = default;
  template <class U>
  SecureAllocator(const SecureAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) { return static_cast<T*>(SecureAllocate(n, sizeof(T))); }
  void deallocate(T* p, std::size_t n) noexcept { SecureFree(p, n, sizeof(T)); }
  template <class U>
  bool operator==(const SecureAllocator<U>&) const noexcept {
    return true;
  }
};

// Bytes of a secret, wiped when freed (a copy made by the vector itself is wiped too).
using SecretBytes = std::vector<std::uint8_t, SecureAllocator<std::uint8_t>>;

inline SecretBytes SecretFromText(const std::string& text) {
  return SecretBytes(text.begin(), text.end());
}

// The one random source: the operating system's, through the crypto library. Throws
// CryptoError when it fails.
class TSystemRandom {
 public:
  static void Fill(std::uint8_t* out, std::size_t n);
  // Uniform in 0..n-1 (1 <= n <= 256), drawn from a buffer that is wiped when freed.
  unsigned Below(unsigned n);

 private:
  SecretBytes pool_;
  std::size_t pos_ = 0;
};

class TSHAHashingMethod {
 public:
  int HashSize = 512;  // bits: 160, 256, 384 or 512
  // The digest of `data`; throws CryptoError for an unsupported size.
  Bytes Hash(const std::string& data) const;
  Bytes Hash(const std::uint8_t* data, std::size_t n) const;
  // The same in wiped memory, for digests that are keys.
  SecretBytes HashSecret(const std::uint8_t* data, std::size_t n) const;
};

// A streaming transform handed out by a method for one encrypt or decrypt run.
class TCipherTransform {
 public:
  virtual ~TCipherTransform() = default;
  // Appends the output for `n` more input bytes to `out`.
  virtual void Update(const std::uint8_t* in, std::size_t n, Bytes& out) = 0;
  // Appends what remains after the last input; throws CryptoError on bad input.
  virtual void Finish(Bytes& out) = 0;
  // The same for output that is a secret.
  virtual void FinishSecret(SecretBytes& out);
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
  void SetSecretKeyFromPassPhrase(const SecretBytes& passPhrase, int keyBits);
  void SetSecretKeyFromPassPhrase(const std::string& passPhrase, int keyBits);
  // Sets the raw key (16, 24 or 32 bytes).
  void SetSecretKey(const Bytes& key);
  // A copy of the key, for known-answer checks.
  Bytes SecretKey() const { return Bytes(key_.begin(), key_.end()); }

  std::unique_ptr<TCipherTransform> Start(int action) const override;
  std::uint64_t MaxInput(int action) const override;

 private:
  SecretBytes key_;
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
