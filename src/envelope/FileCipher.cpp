#include "FileCipher.h"

#include <algorithm>
#include <memory>

#include "AtomicOutput.h"

namespace qorva {
namespace {

constexpr std::size_t kBuffer = 1 << 20;
// ReadFile hands back text: keep it to what sensibly fits in memory.
constexpr std::uint64_t kReadFileLimit = 64ull << 20;

void CheckCall(const TEncryptionMethod* method, int action, bool endOfData, bool append) {
  if (!method) throw CryptoError("No encryption method set.");
  if (action != efpEncrypt && action != efpDecrypt)
    throw CryptoError("Unknown cipher action " + std::to_string(action) + ".");
  if (!endOfData) throw CryptoError("Processing data in several parts is not supported.");
  if (append) throw CryptoError("Appending to an existing file is not supported.");
}

// Opens `source` at `offset` and returns how many bytes to read from there.
platform::File OpenRange(const std::string& source, std::uint64_t offset, std::uint64_t size,
                         std::uint64_t& length) {
  std::error_code ec;
  platform::File f = platform::OpenForReading(source, ec);
  if (!f.IsOpen()) throw CryptoError("Cannot open file " + source + ": " + ec.message());
  const std::uint64_t total = f.Size(ec);
  if (ec) throw CryptoError("Cannot read file " + source + ": " + ec.message());
  if (offset > total) throw CryptoError("The offset lies beyond the end of " + source + ".");
  length = size == 0 ? total - offset : std::min(size, total - offset);
  if (!f.Seek(offset, ec)) throw CryptoError("Cannot read file " + source + ": " + ec.message());
  return f;
}

// Feeds `length` bytes of `f` through `t`, handing each piece of output to `sink`.
template <class Sink>
void Pump(platform::File& f, const std::string& source, std::uint64_t length, TCipherTransform& t,
          const ProgressCallback& progress, Sink&& sink) {
  Bytes in(static_cast<std::size_t>(std::min<std::uint64_t>(length, kBuffer)));
  Bytes out;
  std::uint64_t done = 0;
  if (progress && !progress(0, length)) throw CryptoCancelled();
  while (done < length) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(length - done, kBuffer));
    std::size_t got = 0;
    std::error_code ec;
    while (got < want) {
      const std::size_t n = f.Read(in.data() + got, want - got, ec);
      if (n == 0) break;
      got += n;
    }
    if (got != want)
      throw CryptoError("Cannot read file " + source + ": " +
                        (ec ? ec.message() : std::string("it ended early")));
    out.clear();
    t.Update(in.data(), got, out);
    sink(out);
    done += got;
    if (progress && !progress(done, length)) throw CryptoCancelled();
  }
  out.clear();
  t.Finish(out);
  sink(out);
}

}  // namespace

std::uint64_t TFileCipher::ProcessFile(const std::string& source, std::uint64_t offset,
                                       std::uint64_t size, int action, bool endOfData,
                                       const std::string& destination, bool append,
                                       std::uint64_t& bytesRead) {
  bytesRead = 0;
  CheckCall(EncryptionMethod, action, endOfData, append);
  std::uint64_t length = 0;
  platform::File in = OpenRange(source, offset, size, length);
  if (length > EncryptionMethod->MaxInput(action))
    throw CryptoError("The file " + source + " is too long for this encryption method.");
  auto t = EncryptionMethod->Start(action);
  TAtomicOutput out(destination, platform::FileAccess::OwnerOnly, Durability);
  std::uint64_t written = 0;
  Pump(in, source, length, *t, progress_, [&](const Bytes& b) {
    out.Write(b.data(), b.size());
    written += b.size();
  });
  std::error_code ignored;
  in.Close(ignored);
  out.Commit();
  bytesRead = length;
  return written;
}

void TFileCipher::WriteFile(const std::string& data, int action, bool endOfData,
                            const std::string& destination, bool append) {
  WriteBytes(reinterpret_cast<const std::uint8_t*>(data.data()), data.size(), action, endOfData,
             destination, append);
}

void TFileCipher::WriteFile(const SecretBytes& data, int action, bool endOfData,
                            const std::string& destination, bool append) {
  WriteBytes(data.data(), data.size(), action, endOfData, destination, append);
}

void TFileCipher::WriteBytes(const std::uint8_t* data, std::size_t size, int action, bool endOfData,
                             const std::string& destination, bool append) {
  CheckCall(EncryptionMethod, action, endOfData, append);
  if (size > EncryptionMethod->MaxInput(action))
    throw CryptoError("The data is too long for this encryption method.");
  auto t = EncryptionMethod->Start(action);
  Bytes result;
  t->Update(data, size, result);
  t->Finish(result);
  TAtomicOutput out(destination, platform::FileAccess::OwnerOnly, Durability);
  out.Write(result.data(), result.size());
  out.Commit();
}

SecretBytes TFileCipher::ReadSecret(const std::string& source, int action, std::uint64_t maxBytes,
                                    std::uint64_t& bytesRead) {
  bytesRead = 0;
  CheckCall(EncryptionMethod, action, true, false);
  std::uint64_t length = 0;
  platform::File in = OpenRange(source, 0, 0, length);
  if (length > maxBytes || length > EncryptionMethod->MaxInput(action))
    throw CryptoError("The file " + source + " is too long for this encryption method.");
  auto t = EncryptionMethod->Start(action);
  SecretBytes data(static_cast<std::size_t>(length));
  std::size_t got = 0;
  std::error_code ec;
  while (got < data.size()) {
    const std::size_t n = in.Read(data.data() + got, data.size() - got, ec);
    if (n == 0) break;
    got += n;
  }
  if (got != data.size())
    throw CryptoError("Cannot read file " + source + ": " +
                      (ec ? ec.message() : std::string("it ended early")));
  Bytes early;  // RSA gives nothing before the end; a block cipher would
  t->Update(data.data(), data.size(), early);
  SecretBytes result(early.begin(), early.end());
  Wipe(early.data(), early.size());
  t->FinishSecret(result);
  bytesRead = length;
  return result;
}

std::string TFileCipher::ReadFile(const std::string& source, std::uint64_t offset,
                                  std::uint64_t size, int action, bool endOfData,
                                  std::uint64_t& bytesRead) {
  bytesRead = 0;
  CheckCall(EncryptionMethod, action, endOfData, false);
  std::uint64_t length = 0;
  platform::File in = OpenRange(source, offset, size, length);
  if (length > EncryptionMethod->MaxInput(action))
    throw CryptoError("The file " + source + " is too long for this encryption method.");
  if (length > kReadFileLimit)
    throw CryptoError("The file " + source + " is too large to read into memory.");
  auto t = EncryptionMethod->Start(action);
  std::string text;
  Pump(in, source, length, *t, nullptr,
       [&](const Bytes& b) { text.append(reinterpret_cast<const char*>(b.data()), b.size()); });
  bytesRead = length;
  return text;
}

}  // namespace qorva
