#include "CipherMethods.h"

namespace qorva {

Bytes TSHAHashingMethod::Hash(const std::string& data) const {
  return Hash(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
}
Bytes TSHAHashingMethod::Hash(const std::uint8_t*, std::size_t) const {
  throw CryptoError("not available yet");
}

TTwofishEncryptionMethod::TTwofishEncryptionMethod() = default;
TTwofishEncryptionMethod::~TTwofishEncryptionMethod() = default;
void TTwofishEncryptionMethod::SetRandomInitVector() {}
void TTwofishEncryptionMethod::SetSecretKeyFromPassPhrase(const std::string&, int) {}
void TTwofishEncryptionMethod::SetSecretKey(const Bytes& key) { key_ = key; }
std::unique_ptr<TCipherTransform> TTwofishEncryptionMethod::Start(int) const {
  throw CryptoError("not available yet");
}
std::uint64_t TTwofishEncryptionMethod::MaxInput(int) const { return UINT64_MAX; }

TRSAEncryptionMethod::TRSAEncryptionMethod() = default;
TRSAEncryptionMethod::~TRSAEncryptionMethod() = default;
void TRSAEncryptionMethod::SetPublicKey(const Bytes& der) { public_ = der; }
void TRSAEncryptionMethod::SetPrivateKey(const Bytes& der) { private_ = der; }
std::unique_ptr<TCipherTransform> TRSAEncryptionMethod::Start(int) const {
  throw CryptoError("not available yet");
}
std::uint64_t TRSAEncryptionMethod::MaxInput(int) const { return 0; }
TRSAEncryptionMethod::KeyPair TRSAEncryptionMethod::GenerateKeyPair(std::size_t) {
  throw CryptoError("not available yet");
}

}  // namespace qorva
