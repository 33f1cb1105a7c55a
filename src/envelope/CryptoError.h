// Errors and progress reporting shared by the zip and cipher layer.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace qorva {

// Every failure of the zip and cipher layer comes back as this type; no exception of an
// underlying library escapes it.
class CryptoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raised when an RSA private key does not open the data: the key does not pair with the
// public key it was sealed with (or the data is damaged).
class CryptoKeyMismatch : public CryptoError {
 public:
  using CryptoError::CryptoError;
};

// Raised when a progress callback asked to stop; partial outputs are already removed.
class CryptoCancelled : public CryptoError {
 public:
  CryptoCancelled() : CryptoError("Operation cancelled.") {}
};

// Called now and then with bytes done so far and the total; return false to cancel.
using ProgressCallback = std::function<bool(std::uint64_t done, std::uint64_t total)>;

}  // namespace qorva
