// Runs an encryption method over files and short texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "AtomicOutput.h"
#include "CipherMethods.h"
#include "CryptoError.h"

namespace qorva {

class TFileCipher {
 public:
  TEncryptionMethod* EncryptionMethod = nullptr;  // not owned
  // Scratch for working files that are thrown away: not forced to disk.
  TDurability Durability = TDurability::Flushed;

  // Runs `action` over `size` bytes of `source` from `offset` (size 0 = to the end) and
  // writes the result as a new `destination` (beside it, then renamed over it). Returns
  // the bytes written; bytesRead gets the bytes consumed. Only endOfData = true and
  // append = false are supported. Throws CryptoError (CryptoCancelled when the progress
  // callback stops it); a failure leaves no destination file behind.
  std::uint64_t ProcessFile(const std::string& source, std::uint64_t offset, std::uint64_t size,
                            int action, bool endOfData, const std::string& destination, bool append,
                            std::uint64_t& bytesRead);
  // Runs `action` over the bytes of `data` and writes the result as a new `destination`.
  void WriteFile(const std::string& data, int action, bool endOfData,
                 const std::string& destination, bool append);
  // The same for a secret (a pass phrase): no copy of it outside wiped memory.
  void WriteFile(const SecretBytes& data, int action, bool endOfData,
                 const std::string& destination, bool append);
  // Runs `action` over (part of) `source` and returns the result as text.
  std::string ReadFile(const std::string& source, std::uint64_t offset, std::uint64_t size,
                       int action, bool endOfData, std::uint64_t& bytesRead);

  // Runs `action` over the whole of `source` (at most maxBytes) into wiped memory.
  SecretBytes ReadSecret(const std::string& source, int action, std::uint64_t maxBytes,
                         std::uint64_t& bytesRead);

  // Optional; called during ProcessFile with bytes read so far and the total.
  void SetProgress(ProgressCallback cb) { progress_ = std::move(cb); }

 private:
  // Both WriteFile overloads: the result of `action` over the bytes as a new destination.
  void WriteBytes(const std::uint8_t* data, std::size_t size, int action, bool endOfData,
                  const std::string& destination, bool append);

  ProgressCallback progress_;
};

}  // namespace qorva
