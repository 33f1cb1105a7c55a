#include "CipherMethods.h"

#include <botan/block_cipher.h>
#include <botan/data_src.h>
#include <botan/hash.h>
#include <botan/mem_ops.h>
#include <botan/pk_keys.h>
#include <botan/pkcs8.h>
#include <botan/pubkey.h>
#include <botan/rsa.h>
#include <botan/system_rng.h>
#include <botan/x509_key.h>

#include <algorithm>
#include <cstring>

namespace qorva {
namespace {

// OAEP with SHA-256 for both the label hash and MGF1; the same name works in Botan 2 and 3.
constexpr const char* kOaep = "OAEP(SHA-256)";
constexpr std::size_t kOaepOverhead = 2 * 32 + 2;
constexpr std::size_t kBlock = 16;

std::unique_ptr<Botan::Public_Key> LoadPublic(const Bytes& der) {
  if (der.empty()) throw CryptoError("No RSA public key set.");
  try {
    Botan::DataSource_Memory src(der.data(), der.size());
    std::unique_ptr<Botan::Public_Key> key(Botan::X509::load_key(src));
    if (!key || key->algo_name() != "RSA") throw CryptoError("The public key is not an RSA key.");
    return key;
  } catch (const CryptoError&) {
    throw;
  } catch (const std::exception& e) {
    throw CryptoError(std::string("The RSA public key cannot be read: ") + e.what());
  }
}

std::unique_ptr<Botan::Private_Key> LoadPrivate(const Bytes& der) {
  if (der.empty()) throw CryptoError("No RSA private key set.");
  try {
    Botan::DataSource_Memory src(der.data(), der.size());
    std::unique_ptr<Botan::Private_Key> key(Botan::PKCS8::load_key(src));
    if (!key || key->algo_name() != "RSA") throw CryptoError("The private key is not an RSA key.");
    return key;
  } catch (const CryptoError&) {
    throw;
  } catch (const std::exception& e) {
    throw CryptoError(std::string("The RSA private key cannot be read: ") + e.what());
  }
}

void CheckAction(int action) {
  if (action != efpEncrypt && action != efpDecrypt)
    throw CryptoError("Unknown cipher action " + std::to_string(action) + ".");
}

// Twofish on each 16-byte block alone, with RFC 1423 padding (n bytes of value n, n = 1..16,
// always present, so the ciphertext is a whole number of blocks and never empty).
class TwofishFreeBlocks : public TCipherTransform {
 public:
  TwofishFreeBlocks(const SecretBytes& key, bool encrypt) : encrypt_(encrypt) {
    try {
      cipher_ = Botan::BlockCipher::create_or_throw("Twofish");
      cipher_->set_key(key.data(), key.size());
    } catch (const std::exception& e) {
      throw CryptoError(std::string("Twofish is not available: ") + e.what());
    }
  }

  void Update(const std::uint8_t* in, std::size_t n, Bytes& out) override {
    if (n == 0) return;
    pending_.insert(pending_.end(), in, in + n);
    std::size_t whole = pending_.size() / kBlock * kBlock;
    // Decryption holds back the last whole block: only Finish knows it carries the padding.
    if (!encrypt_ && whole == pending_.size() && whole > 0) whole -= kBlock;
    if (whole == 0) return;
    Run(pending_.data(), whole, out);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(whole));
  }

  void Finish(Bytes& out) override {
    if (encrypt_) {
      const std::size_t pad = kBlock - pending_.size() % kBlock;
      pending_.insert(pending_.end(), pad, static_cast<std::uint8_t>(pad));
      Run(pending_.data(), pending_.size(), out);
      pending_.clear();
      return;
    }
    if (pending_.size() != kBlock)
      throw CryptoError(
          "The encrypted data has a bad length (not a whole number of 16-byte blocks); the "
          "file is truncated or damaged.");
    const std::size_t start = out.size();
    Run(pending_.data(), kBlock, out);
    pending_.clear();
    const std::uint8_t pad = out.back();
    bool ok = pad >= 1 && pad <= kBlock;
    for (std::size_t i = 0; ok && i < pad; ++i) ok = out[start + kBlock - 1 - i] == pad;
    if (!ok) {
      out.resize(start);
      throw CryptoError(
          "The encrypted data has bad padding; the key is wrong or the file is damaged.");
    }
    out.resize(start + kBlock - pad);
  }

 private:
  void Run(const std::uint8_t* in, std::size_t n, Bytes& out) {
    const std::size_t at = out.size();
    out.resize(at + n);
    try {
      if (encrypt_)
        cipher_->encrypt_n(in, out.data() + at, n / kBlock);
      else
        cipher_->decrypt_n(in, out.data() + at, n / kBlock);
    } catch (const std::exception& e) {
      throw CryptoError(std::string("Twofish failed: ") + e.what());
    }
  }

  bool encrypt_;
  std::unique_ptr<Botan::BlockCipher> cipher_;
  Bytes pending_;
};

// RSA input is a pass phrase (sealing) and its output one (opening): both stay in wiped
// memory; only the ciphertext goes to ordinary buffers.
class RsaOaep : public TCipherTransform {
 public:
  RsaOaep(const Bytes& publicKey, const Bytes& privateKey, bool encrypt)
      : encrypt_(encrypt), public_(publicKey), private_(privateKey) {}

  void Update(const std::uint8_t* in, std::size_t n, Bytes& out) override {
    (void)out;
    in_.insert(in_.end(), in, in + n);
    if (in_.size() > 4096) throw CryptoError("The data is too long for RSA.");
  }

  void Finish(Bytes& out) override {
    if (encrypt_) {
      auto key = LoadPublic(public_);
      try {
        Botan::RandomNumberGenerator& rng = Botan::system_rng();
        Botan::PK_Encryptor_EME enc(*key, rng, kOaep);
        if (in_.size() > enc.maximum_input_size())
          throw CryptoError("The data is too long for the RSA key (" + std::to_string(in_.size()) +
                            " bytes; at most " + std::to_string(enc.maximum_input_size()) + ").");
        const auto ct = enc.encrypt(in_.data(), in_.size(), rng);
        out.insert(out.end(), ct.begin(), ct.end());
      } catch (const CryptoError&) {
        throw;
      } catch (const std::exception& e) {
        throw CryptoError(std::string("RSA encryption failed: ") + e.what());
      }
      return;
    }
    SecretBytes secret;
    FinishSecret(secret);
    out.insert(out.end(), secret.begin(), secret.end());
  }

  void FinishSecret(SecretBytes& out) override {
    if (encrypt_) return TCipherTransform::FinishSecret(out);
    auto key = LoadPrivate(private_);
    try {
      Botan::PK_Decryptor_EME dec(*key, Botan::system_rng(), kOaep);
      const Botan::secure_vector<std::uint8_t> pt = dec.decrypt(in_.data(), in_.size());
      out.insert(out.end(), pt.begin(), pt.end());
    } catch (const std::exception&) {
      throw CryptoKeyMismatch(
          "RSA decryption failed: the private key does not match or the data is damaged.");
    }
  }

 private:
  bool encrypt_;
  Bytes public_, private_;
  SecretBytes in_;
};

const char* ShaName(int bits) {
  switch (bits) {
    case 160:
      return "SHA-1";
    case 256:
      return "SHA-256";
    case 384:
      return "SHA-384";
    case 512:
      return "SHA-512";
    default:
      throw CryptoError("Unsupported SHA hash size " + std::to_string(bits) + ".");
  }
}

}  // namespace

void* SecureAllocate(std::size_t count, std::size_t size) {
  void* p = Botan::allocate_memory(count, size);
  if (!p) throw std::bad_alloc();
  return p;
}

void SecureFree(void* p, std::size_t count, std::size_t size) noexcept {
  Botan::deallocate_memory(p, count, size);
}

void Wipe(void* p, std::size_t n) noexcept { Botan::secure_scrub_memory(p, n); }

void TSystemRandom::Fill(std::uint8_t* out, std::size_t n) {
  try {
    Botan::system_rng().randomize(out, n);
  } catch (const std::exception& e) {
    throw CryptoError(std::string("The system random source failed: ") + e.what());
  }
}

unsigned TSystemRandom::Below(unsigned n) {
  if (n == 0 || n > 256) throw CryptoError("Random range out of bounds.");
  // Rejection keeps every value equally likely.
  const unsigned limit = 256 - 256 % n;
  for (;;) {
    if (pos_ == pool_.size()) {
      pool_.resize(256);
      Fill(pool_.data(), pool_.size());
      pos_ = 0;
    }
    const unsigned b = pool_[pos_++];
    if (b < limit) return b % n;
  }
}

void TCipherTransform::FinishSecret(SecretBytes& out) {
  Bytes plain;
  Finish(plain);
  out.insert(out.end(), plain.begin(), plain.end());
  Wipe(plain.data(), plain.size());
}

Bytes TSHAHashingMethod::Hash(const std::string& data) const {
  return Hash(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
}

Bytes TSHAHashingMethod::Hash(const std::uint8_t* data, std::size_t n) const {
  const char* name = ShaName(HashSize);
  try {
    auto h = Botan::HashFunction::create_or_throw(name);
    h->update(data, n);
    const auto d = h->final();
    return Bytes(d.begin(), d.end());
  } catch (const std::exception& e) {
    throw CryptoError(std::string("SHA hashing failed: ") + e.what());
  }
}

TTwofishEncryptionMethod::TTwofishEncryptionMethod() = default;
TTwofishEncryptionMethod::~TTwofishEncryptionMethod() = default;

SecretBytes TSHAHashingMethod::HashSecret(const std::uint8_t* data, std::size_t n) const {
  const char* name = ShaName(HashSize);
  try {
    auto h = Botan::HashFunction::create_or_throw(name);
    h->update(data, n);
    const Botan::secure_vector<std::uint8_t> d = h->final();
    return SecretBytes(d.begin(), d.end());
  } catch (const std::exception& e) {
    throw CryptoError(std::string("SHA hashing failed: ") + e.what());
  }
}

void TTwofishEncryptionMethod::SetRandomInitVector() {
  iv_.resize(kBlock);
  TSystemRandom::Fill(iv_.data(), iv_.size());
}

void TTwofishEncryptionMethod::SetSecretKeyFromPassPhrase(const SecretBytes& passPhrase,
                                                          int keyBits) {
  if (keyBits != 128 && keyBits != 192 && keyBits != 256)
    throw CryptoError("Unsupported Twofish key size " + std::to_string(keyBits) + ".");
  if (!HashingMethod) throw CryptoError("No hashing method set for the Twofish key.");
  const SecretBytes digest = HashingMethod->HashSecret(passPhrase.data(), passPhrase.size());
  const std::size_t n = static_cast<std::size_t>(keyBits) / 8;
  if (digest.size() < n)
    throw CryptoError("The hash is too short for a " + std::to_string(keyBits) + "-bit key.");
  key_.assign(digest.begin(), digest.begin() + static_cast<std::ptrdiff_t>(n));
}

void TTwofishEncryptionMethod::SetSecretKeyFromPassPhrase(const std::string& passPhrase,
                                                          int keyBits) {
  SetSecretKeyFromPassPhrase(SecretFromText(passPhrase), keyBits);
}

void TTwofishEncryptionMethod::SetSecretKey(const Bytes& key) {
  if (key.size() != 16 && key.size() != 24 && key.size() != 32)
    throw CryptoError("A Twofish key has 16, 24 or 32 bytes.");
  key_.assign(key.begin(), key.end());
}

std::unique_ptr<TCipherTransform> TTwofishEncryptionMethod::Start(int action) const {
  CheckAction(action);
  if (EncryptionMode != emoFreeBlocks)
    throw CryptoError("Unsupported encryption mode " + std::to_string(EncryptionMode) + ".");
  if (PaddingMethod != epmRFC1423)
    throw CryptoError("Unsupported padding method " + std::to_string(PaddingMethod) + ".");
  if (key_.empty()) throw CryptoError("No Twofish key set.");
  return std::make_unique<TwofishFreeBlocks>(key_, action == efpEncrypt);
}

std::uint64_t TTwofishEncryptionMethod::MaxInput(int) const { return UINT64_MAX; }

TRSAEncryptionMethod::TRSAEncryptionMethod() = default;
TRSAEncryptionMethod::~TRSAEncryptionMethod() = default;

void TRSAEncryptionMethod::SetPublicKey(const Bytes& der) {
  LoadPublic(der);
  public_ = der;
}

void TRSAEncryptionMethod::SetPrivateKey(const Bytes& der) {
  LoadPrivate(der);
  private_ = der;
}

std::unique_ptr<TCipherTransform> TRSAEncryptionMethod::Start(int action) const {
  CheckAction(action);
  if (action == efpEncrypt && public_.empty()) throw CryptoError("No RSA public key set.");
  if (action == efpDecrypt && private_.empty()) throw CryptoError("No RSA private key set.");
  return std::make_unique<RsaOaep>(public_, private_, action == efpEncrypt);
}

std::uint64_t TRSAEncryptionMethod::MaxInput(int action) const {
  try {
    if (action == efpEncrypt && !public_.empty()) {
      const std::size_t k = (LoadPublic(public_)->key_length() + 7) / 8;
      return k > kOaepOverhead ? k - kOaepOverhead : 0;
    }
    if (action == efpDecrypt && !private_.empty())
      return (LoadPrivate(private_)->key_length() + 7) / 8;
  } catch (const CryptoError&) {
  }
  return 0;
}

TRSAEncryptionMethod::KeyPair TRSAEncryptionMethod::GenerateKeyPair(std::size_t bits) {
  try {
    Botan::RSA_PrivateKey key(Botan::system_rng(), bits);
    const auto spki = key.subject_public_key();
    const auto pkcs8 = key.private_key_info();
    return {Bytes(spki.begin(), spki.end()), Bytes(pkcs8.begin(), pkcs8.end())};
  } catch (const std::exception& e) {
    throw CryptoError(std::string("RSA key generation failed: ") + e.what());
  }
}

}  // namespace qorva
