#include "FileCipher.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "AtomicOutput.h"

namespace qorva {
namespace {

constexpr std::size_t kBuffer = 1 << 20;
// ReadFile hands back text: keep it to what sensibly fits in memory.
constexpr std::uint64_t kReadFileLimit = 64ull << 20;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

void CheckCall(const TEncryptionMethod* method, int action, bool endOfData, bool append) {
  if (!method) throw CryptoError("No encryption method set.");
  if (action != efpEncrypt && action != efpDecrypt)
    throw CryptoError("Unknown cipher action " + std::to_string(action) + ".");
  if (!endOfData) throw CryptoError("Processing data in several parts is not supported.");
  if (append) throw CryptoError("Appending to an existing file is not supported.");
}

// Opens `source` at `offset` and returns how many bytes to read from there.
File OpenRange(const std::string& source, std::uint64_t offset, std::uint64_t size,
               std::uint64_t& length) {
  File f(std::fopen(source.c_str(), "rb"));
  if (!f) throw CryptoError("Cannot open file " + source + ": " + std::strerror(errno));
  if (fseeko(f.get(), 0, SEEK_END) != 0)
    throw CryptoError("Cannot read file " + source + ": " + std::strerror(errno));
  const off_t end = ftello(f.get());
  if (end < 0) throw CryptoError("Cannot read file " + source + ": " + std::strerror(errno));
  const auto total = static_cast<std::uint64_t>(end);
  if (offset > total) throw CryptoError("The offset lies beyond the end of " + source + ".");
  length = size == 0 ? total - offset : std::min(size, total - offset);
  if (fseeko(f.get(), static_cast<off_t>(offset), SEEK_SET) != 0)
    throw CryptoError("Cannot read file " + source + ": " + std::strerror(errno));
  return f;
}

// Feeds `length` bytes of `f` through `t`, handing each piece of output to `sink`.
template <class Sink>
void Pump(std::FILE* f, const std::string& source, std::uint64_t length, TCipherTransform& t,
          const ProgressCallback& progress, Sink&& sink) {
  Bytes in(static_cast<std::size_t>(std::min<std::uint64_t>(length, kBuffer)));
  Bytes out;
  std::uint64_t done = 0;
  if (progress && !progress(0, length)) throw CryptoCancelled();
  while (done < length) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(length - done, kBuffer));
    const std::size_t got = std::fread(in.data(), 1, want, f);
    if (got != want)
      throw CryptoError("Cannot read file " + source + ": " +
                        (std::ferror(f) ? std::strerror(errno) : "it ended early"));
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
  File in = OpenRange(source, offset, size, length);
  if (length > EncryptionMethod->MaxInput(action))
    throw CryptoError("The file " + source + " is too long for this encryption method.");
  auto t = EncryptionMethod->Start(action);
  TAtomicOutput out(destination);
  std::uint64_t written = 0;
  Pump(in.get(), source, length, *t, progress_, [&](const Bytes& b) {
    out.Write(b.data(), b.size());
    written += b.size();
  });
  in.reset();
  out.Commit();
  bytesRead = length;
  return written;
}

void TFileCipher::WriteFile(const std::string& data, int action, bool endOfData,
                            const std::string& destination, bool append) {
  CheckCall(EncryptionMethod, action, endOfData, append);
  if (data.size() > EncryptionMethod->MaxInput(action))
    throw CryptoError("The data is too long for this encryption method.");
  auto t = EncryptionMethod->Start(action);
  Bytes result;
  t->Update(reinterpret_cast<const std::uint8_t*>(data.data()), data.size(), result);
  t->Finish(result);
  TAtomicOutput out(destination);
  out.Write(result.data(), result.size());
  out.Commit();
}

std::string TFileCipher::ReadFile(const std::string& source, std::uint64_t offset,
                                  std::uint64_t size, int action, bool endOfData,
                                  std::uint64_t& bytesRead) {
  bytesRead = 0;
  CheckCall(EncryptionMethod, action, endOfData, false);
  std::uint64_t length = 0;
  File in = OpenRange(source, offset, size, length);
  if (length > EncryptionMethod->MaxInput(action))
    throw CryptoError("The file " + source + " is too long for this encryption method.");
  if (length > kReadFileLimit)
    throw CryptoError("The file " + source + " is too large to read into memory.");
  auto t = EncryptionMethod->Start(action);
  std::string text;
  Pump(in.get(), source, length, *t, nullptr,
       [&](const Bytes& b) { text.append(reinterpret_cast<const char*>(b.data()), b.size()); });
  bytesRead = length;
  return text;
}

}  // namespace qorva
