#include "uKVXDecrypt.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "CipherMethods.h"
#include "CryptoError.h"
#include "CryptoSelfTest.h"
#include "FileCipher.h"
#include "ZipArchive.h"
#include "uKVXCodecs.h"
#include "uKVXFileUtils.h"
#include "uKVXPublicKey.h"
#include "version.h"
#include "w_dialog.h"

namespace qorva {
namespace fs = std::filesystem;

namespace {

const char* const kInputFile = "InputFile.txt";
const char* const kInnerZip = "HZFile.zip";
const char* const kTwofishMember = "HZTFile.two";
const char* const kRsaMember = "TwoFishKey.RSA";
const char* const kTempEnvelope = "Temp_HDE.zip";
const char* const kTempPassKey = "Temp_PassKey.TXT";
const char* const kFixedNames[] = {kInputFile, kInnerZip,     kTwofishMember,
                                   kRsaMember, kTempEnvelope, kTempPassKey};

const char* const kSecretKeyFailed = "Secret Key Decryption failed\r";

std::string NotInstalledNotice() {
  return std::string(
             "Files ending in \".hde\" are securely encrypted and require our certified "
             "decryption software. \rPlease contact:\r") +
         QORVA_COMPANY + "\rPhone: (555) 014-2290\rFax: (555) 014-2291";
}

// One byte from the operating system's cryptographic random source.
class TSystemRandom {
 public:
  std::uint8_t Byte() {
    if (pos_ == sizeof(buf_)) {
      size_t got = 0;
      while (got < sizeof(buf_)) {
        const ssize_t n = ::getrandom(buf_ + got, sizeof(buf_) - got, 0);
        if (n < 0) {
          if (errno == EINTR) continue;
          throw EInOutError(errno);
        }
        got += static_cast<size_t>(n);
      }
      pos_ = 0;
    }
    return buf_[pos_++];
  }
  // Uniform in 0..n-1 (n <= 256), by rejection so that no value is favoured.
  unsigned Below(unsigned n) {
    const unsigned limit = 256 - 256 % n;
    for (;;) {
      const unsigned b = Byte();
      if (b < limit) return b % n;
    }
  }

 private:
  std::uint8_t buf_[256] = {};
  size_t pos_ = sizeof(buf_);
};

// 64 to 71 characters of codes 34..121.
std::string MakePassPhrase() {
  TSystemRandom random;
  const unsigned length = 64 + random.Below(8);
  std::string phrase;
  for (unsigned i = 0; i < length; ++i) {
    unsigned r = random.Below(122);
    if (r <= 34 || r == 39) r += 34;
    phrase += static_cast<char>(r);
  }
  return phrase;
}

std::uint64_t FileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// Why a caller's file cannot be used with working folder W (the clean-up would delete it
// or a working file would overwrite it); empty when it can.
std::string WorkingNameClash(const std::string& W, const std::string& path) {
  std::error_code ec;
  const fs::path target = fs::weakly_canonical(fs::absolute(path, ec), ec);
  if (ec) return {};
  for (const char* name : kFixedNames) {
    std::error_code ec2;
    const fs::path fixed = fs::weakly_canonical(fs::absolute(fs::path(W) / name, ec2), ec2);
    if (!ec2 && fixed == target) {
      return "Cannot use " + path + ": the envelope needs that name for a working file";
    }
  }
  return {};
}

// Working files are readable by the user alone. The zip and cipher layer creates files
// with the process's mask, so the mask is narrowed while any envelope call runs (calls on
// several threads share one narrowing) and the previous one kept for the placed envelope.
class TPrivateFilesScope {
 public:
  TPrivateFilesScope() {
    std::lock_guard<std::mutex> lock(Guard());
    if (Depth()++ == 0) Previous() = ::umask(077);
  }
  ~TPrivateFilesScope() {
    std::lock_guard<std::mutex> lock(Guard());
    if (--Depth() == 0) ::umask(Previous());
  }
  TPrivateFilesScope(const TPrivateFilesScope&) = delete;
  TPrivateFilesScope& operator=(const TPrivateFilesScope&) = delete;

  // The mode a new file would have had outside envelope calls.
  static unsigned UsualNewFileMode() {
    std::lock_guard<std::mutex> lock(Guard());
    return 0666 & ~(Depth() ? Previous() : CurrentUmask());
  }

 private:
  static std::mutex& Guard() {
    static std::mutex m;
    return m;
  }
  static int& Depth() {
    static int depth = 0;
    return depth;
  }
  static mode_t& Previous() {
    static mode_t mask = 022;
    return mask;
  }
};

// Renames the finished envelope over target when both are on one file system, with the
// permissions a new file (or the file it replaces) would have; false when it cannot.
bool MoveEnvelope(const std::string& from, const std::string& target) {
  struct stat existing {};
  const mode_t mode = ::stat(target.c_str(), &existing) == 0
                          ? (existing.st_mode & 07777)
                          : static_cast<mode_t>(TPrivateFilesScope::UsualNewFileMode());
  const int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ready = ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  ::close(fd);
  return ready && std::rename(from.c_str(), target.c_str()) == 0;
}

}  // namespace

// The state of one call: nothing of it outlives the call.
struct TKVXDecryption::TCall {
  TCall(const std::string& directive, const std::string& file, const std::string& returnName,
        bool filesList)
      : Directive(directive),
        FileToProcess(file),
        ReturnFileName(returnName),
        bFilesList(filesList) {}

  const std::string& Directive;
  const std::string& FileToProcess;
  const std::string& ReturnFileName;
  bool bFilesList;

  std::string W;
  int stage = 0;  // the stage marker "1".."10", kept as its number
  bool result = false;
  std::string passPhrase;
  std::string zipName, rsaName, twoName;  // generated names, empty until chosen

  std::unique_ptr<TZipArchive> zip;
  std::unique_ptr<TFileCipher> cipher;
  std::unique_ptr<TRSAEncryptionMethod> rsa;
  std::unique_ptr<TSHAHashingMethod> sha;
  std::unique_ptr<TTwofishEncryptionMethod> twofish;

  // Progress over the whole call: `unit` bytes per step, `steps` steps.
  std::function<bool(std::uint64_t, std::uint64_t)> progress;
  std::uint64_t unit = 1;
  std::uint64_t steps = 1;
  bool cancelled = false;

  bool Report(std::uint64_t done) {
    if (!progress || cancelled) return !cancelled;
    const std::uint64_t total = unit * steps;
    if (!progress(std::min(done, total), total)) cancelled = true;
    return !cancelled;
  }
  // A callback for step `index` (from 0) that scales the step's own done/total.
  ProgressCallback Step(std::uint64_t index) {
    return [this, index](std::uint64_t done, std::uint64_t total) {
      const double part = total ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
      return Report(unit * index + static_cast<std::uint64_t>(part * static_cast<double>(unit)));
    };
  }
  void ThrowIfCancelled() const {
    if (cancelled) throw ECancelled();
  }
  void Release() {
    zip.reset();
    cipher.reset();
    twofish.reset();
    sha.reset();
    rsa.reset();
  }
};

TKVXDecryption::TKVXDecryption() = default;

TKVXDecryption::~TKVXDecryption() {
  if (AccessInstance(0) == this) AccessInstance(2);
}

TKVXDecryption* TKVXDecryption::AccessInstance(int Request) {
  static std::mutex guard;
  static TKVXDecryption* FInstance = nullptr;
  std::lock_guard<std::mutex> lock(guard);
  switch (Request) {
    case 0:
      break;
    case 1:
      if (!FInstance) FInstance = new TKVXDecryption();
      break;
    case 2:
      FInstance = nullptr;
      break;
    default:
      throw std::logic_error("Illegal request " + std::to_string(Request) + " in AccessInstance");
  }
  return FInstance;
}

TKVXDecryption* TKVXDecryption::Instance() { return AccessInstance(1); }

void TKVXDecryption::SetProgress(std::function<bool(std::uint64_t, std::uint64_t)> cb) {
  progress_ = std::move(cb);
}

void TKVXDecryption::SetPrivateKeys(KeyBlockFn newer, KeyBlockFn older) {
  newerKey_ = std::move(newer);
  olderKey_ = std::move(older);
}

bool TKVXDecryption::IsActiveXInstalled(std::string* why) const {
  std::vector<std::uint8_t> der;
  StrToBinary(AsciiArmor("", false, Get_Public_Key()), der);
  const SelfTestResult check = CryptoSelfTest(der);
  if (why) *why = check.message;
  return check.ok;
}

std::string TKVXDecryption::MakeTempFile(const std::string& AWorkingFolder,
                                         const std::string& AExtension) {
  unsigned long counter = 1;
  while (Exists(AWorkingFolder + "XQTF" + std::to_string(counter) + AExtension)) ++counter;
  return "XQTF" + std::to_string(counter) + AExtension;
}

void TKVXDecryption::DeleteAnyCreatedTempFiles(const std::string& W, const std::string& zipName,
                                               const std::string& rsaName,
                                               const std::string& twoName) {
  if (W.empty()) return;  // no working folder was set up
  const std::string names[] = {zipName,        kInputFile, kInnerZip,     rsaName,     kRsaMember,
                               kTwofishMember, twoName,    kTempEnvelope, kTempPassKey};
  for (const std::string& name : names) {
    // An empty generated name would stand for the folder itself, which stays.
    if (name.empty()) continue;
    const std::string path = W + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) ::unlink(path.c_str());
  }
}

bool TKVXDecryption::TwoFishRSADigitalEnvelope(const std::string& Directive,
                                               const std::string& FileToProcess,
                                               const std::string& ReturnFileName) {
  return TwoFishRSADigitalEnvelope(Directive, FileToProcess, ReturnFileName, GetTempDirectory(),
                                   false);
}

bool TKVXDecryption::TwoFishRSADigitalEnvelope(const std::string& Directive,
                                               const std::string& FileToProcess,
                                               const std::string& ReturnFileName,
                                               const std::string& AWorkingDirectory,
                                               bool bFilesList) {
  TPrivateFilesScope privateFiles;
  TCall call(Directive, FileToProcess, ReturnFileName, bFilesList);
  call.progress = progress_;
  try {
    std::string why;
    const bool installed = IsActiveXInstalled(&why);
    call.stage = 1;
    const bool goOn =
        installed ||
        AskYesNo("It appears decryption software may not be installed. Proceed anyway?");
    call.stage = 2;
    if (!goOn) {
      ShowMessage(NotInstalledNotice());
      call.result = false;
    } else {
      call.stage = 3;
      call.result = true;
      call.W = WithTrailingSeparator(AWorkingDirectory);
      if (bFilesList) stlstFileList.push_back(call.W + ReturnFileName);
      // A caller's file under a working name is refused before anything is cleaned up.
      const std::string output =
          Directive == "encrypt" && fs::path(ReturnFileName).has_parent_path()
              ? ReturnFileName
              : call.W + ReturnFileName;
      std::string clash = WorkingNameClash(call.W, FileToProcess);
      if (clash.empty() && (Directive == "encrypt" || Directive == "decrypt")) {
        clash = WorkingNameClash(call.W, output);
      }
      call.stage = 4;
      bool setUp = false;
      if (!clash.empty()) {
        ShowMessage(kSecretKeyFailed + clash);
        call.W.clear();  // nothing of the caller's is cleaned away
        call.result = false;
      } else {
        try {
          // Components that failed their self-test are not used, whatever the answer was.
          if (!installed) throw CryptoError(why.empty() ? "The encryption self-test failed." : why);
          call.zip = std::make_unique<TZipArchive>();
          call.zip->CompressionLevel = xclHigh;
          call.zip->PreservePaths = false;
          call.cipher = std::make_unique<TFileCipher>();
          call.rsa = std::make_unique<TRSAEncryptionMethod>();
          call.sha = std::make_unique<TSHAHashingMethod>();
          call.twofish = std::make_unique<TTwofishEncryptionMethod>();
          call.sha->HashSize = 512;
          call.twofish->HashingMethod = call.sha.get();
          call.twofish->EncryptionMode = emoFreeBlocks;
          call.twofish->PaddingMethod = epmRFC1423;
          setUp = true;
        } catch (const std::exception& e) {
          ShowMessage(kSecretKeyFailed + std::string(e.what()));
          DeleteAnyCreatedTempFiles(call.W, call.zipName, call.rsaName, call.twoName);
          call.result = false;
        }
      }
      if (setUp) {
        call.stage = 5;
        if (Directive == "decrypt") {
          DecryptSteps(call);
        } else if (Directive == "encrypt") {
          call.stage = 7;
          EncryptSteps(call);
        }
      }
      call.stage = 8;
      call.Release();
    }
    call.stage = 9;
    DeleteAnyCreatedTempFiles(call.W, call.zipName, call.rsaName, call.twoName);
    call.stage = 10;
    return call.result && !call.cancelled;
  } catch (...) {
    call.Release();
    DeleteAnyCreatedTempFiles(call.W, call.zipName, call.rsaName, call.twoName);
    if (call.stage != 10) info("Error in TwoFishRSADigitalEnvelope:" + std::to_string(call.stage));
    throw;
  }
}

void TKVXDecryption::EncryptSteps(TCall& c) {
  const std::string& W = c.W;
  c.unit = std::max<std::uint64_t>(FileSize(c.FileToProcess), 1);
  c.steps = 5;  // copy, inner zip, Twofish, outer zip, placement
  TZipArchive& zip = *c.zip;
  TFileCipher& cipher = *c.cipher;
  try {
    const bool hasFolder = fs::path(c.ReturnFileName).has_parent_path();
    const std::string target = hasFolder ? c.ReturnFileName : W + c.ReturnFileName;

    // Earlier runs' leftovers go first, so that every archive below is made new.
    DeleteAnyCreatedTempFiles(W, c.zipName, c.rsaName, c.twoName);

    const auto copyStep = c.Step(0);
    FileCopy(c.FileToProcess, W + kInputFile,
             [&](std::uint64_t done) { return copyStep(done, c.unit); });

    zip.FilesToProcess = "";
    zip.AddFilesToProcess(W + kInputFile);
    zip.ZipFilename = W + kInnerZip;
    zip.SetProgress(c.Step(1));
    zip.Zip();  // a failed inner archive shows in the Twofish step
    c.ThrowIfCancelled();

    c.passPhrase = MakePassPhrase();

    TTwofishEncryptionMethod& twofish = *c.twofish;
    twofish.SetRandomInitVector();
    twofish.SetSecretKeyFromPassPhrase(c.passPhrase, 256);
    cipher.EncryptionMethod = &twofish;
    cipher.SetProgress(c.Step(2));
    std::uint64_t bytesRead = 0;
    std::int64_t count = static_cast<std::int64_t>(cipher.ProcessFile(
        W + kInnerZip, 0, 0, efpEncrypt, true, W + kTwofishMember, false, bytesRead));
    if (fault_) fault_("encrypt-twofish", count);
    if (count == 0) {
      info("Error Encrypting File (Twofish - 0 bytes)");
      c.result = false;
    }

    std::vector<std::uint8_t> key;
    StrToBinary(AsciiArmor("", false, Get_Public_Key()), key);
    c.rsa->SetPublicKey(key);

    cipher.EncryptionMethod = c.rsa.get();
    cipher.WriteFile(c.passPhrase, efpEncrypt, true, W + kRsaMember, false);

    zip.FilesToProcess = "";
    zip.AddFilesToProcess(W + kTwofishMember);
    zip.AddFilesToProcess(W + kRsaMember);
    zip.ZipFilename = W + kTempEnvelope;
    zip.SetProgress(c.Step(3));
    std::int64_t code = zip.Zip();
    c.ThrowIfCancelled();
    if (fault_) fault_("final-zip", code);
    if (code != xerSuccess) {
      info("Error in final compression.");
      c.result = false;
    }

    // The new envelope is complete before it replaces anything: an existing one is
    // checked as erasable (a read-only one stays, with its error) and then replaced in a
    // single rename, so a failed run leaves the output path as it was.
    if (c.result) {
      CheckWritable(target);
      if (hasFolder) {
        // A rename is the whole of the last step, so its progress comes first: a cancel
        // there still leaves nothing placed.
        if (!c.Report(c.unit * c.steps)) throw ECancelled();
        if (!MoveEnvelope(W + kTempEnvelope, target)) {
          // Another file system: copied beside the target, then renamed over it.
          const std::uint64_t size = std::max<std::uint64_t>(FileSize(W + kTempEnvelope), 1);
          const auto placeStep = c.Step(4);
          FileCopy(
              W + kTempEnvelope, target, [&](std::uint64_t done) { return placeStep(done, size); },
              TPrivateFilesScope::UsualNewFileMode());
        }
      } else if (std::rename((W + kTempEnvelope).c_str(), target.c_str()) != 0) {
        throw EInOutError(errno);
      }
    }

    DeleteAnyCreatedTempFiles(W, c.zipName, c.rsaName, c.twoName);
  } catch (const ECancelled&) {
    c.cancelled = true;
    c.result = false;
    DeleteAnyCreatedTempFiles(W, c.zipName, c.rsaName, c.twoName);
  } catch (const CryptoCancelled&) {
    c.cancelled = true;
    c.result = false;
    DeleteAnyCreatedTempFiles(W, c.zipName, c.rsaName, c.twoName);
  } catch (const std::exception& e) {
    c.result = false;
    if (!c.cancelled) ShowMessage(kSecretKeyFailed + std::string(e.what()));
    DeleteAnyCreatedTempFiles(W, c.zipName, c.rsaName, c.twoName);
  }
  c.passPhrase.assign(c.passPhrase.size(), '\0');
}

void TKVXDecryption::DecryptSteps(TCall& c) {
  const std::string& W = c.W;
  c.unit = std::max<std::uint64_t>(FileSize(c.FileToProcess), 1);
  c.steps = 3;  // outer unzip, Twofish, inner unzip
  TZipArchive& zip = *c.zip;
  TFileCipher& cipher = *c.cipher;

  c.zipName = MakeTempFile(W, ".zip");
  c.stage = 6;
  try {
    // A stale working file must never pass for this envelope's content.
    DeleteAnyCreatedTempFiles(W, c.zipName, c.rsaName, c.twoName);

    // Only the two members are taken out: anything else an envelope carries stays in it.
    zip.ZipFilename = c.FileToProcess;
    zip.FilesToProcess = kTwofishMember;
    zip.AddFilesToProcess(kRsaMember);
    zip.UnzipToFolder = W;
    zip.SetProgress(c.Step(0));
    zip.Unzip();  // a missing member shows in the steps that need it
    c.ThrowIfCancelled();

    c.twoName = MakeTempFile(W, ".two");
    std::rename((W + kTwofishMember).c_str(), (W + c.twoName).c_str());
    if (c.bFilesList) stlstFileList.push_back(W + c.twoName);
    c.rsaName = MakeTempFile(W, ".rsa");
    std::rename((W + kRsaMember).c_str(), (W + c.rsaName).c_str());
    if (c.bFilesList) stlstFileList.push_back(W + c.rsaName);

    const auto readPassPhrase = [&](const KeyBlockFn& block) {
      if (!block) throw CryptoError("No private key is available to open envelopes.");
      std::vector<std::uint8_t> key;
      StrToBinary(AsciiArmor("", false, block()), key);
      c.rsa->SetPrivateKey(key);
      cipher.EncryptionMethod = c.rsa.get();
      std::uint64_t bytesRead = 0;
      return cipher.ReadFile(W + c.rsaName, 0, 0, efpDecrypt, true, bytesRead);
    };
    c.passPhrase = readPassPhrase(newerKey_);
    if (kvx::IsEmptyStr(c.passPhrase)) c.passPhrase = readPassPhrase(olderKey_);

    TTwofishEncryptionMethod& twofish = *c.twofish;
    twofish.SetSecretKeyFromPassPhrase(c.passPhrase, 256);
    cipher.EncryptionMethod = &twofish;
    cipher.SetProgress(c.Step(1));
    std::uint64_t bytesRead = 0;
    std::int64_t count = static_cast<std::int64_t>(
        cipher.ProcessFile(W + c.twoName, 0, 0, efpDecrypt, true, W + c.zipName, false, bytesRead));
    if (fault_) fault_("decrypt-twofish", count);
    if (count == 0) {
      info("Error Decrypting File (Twofish - 0 bytes)");
      c.result = false;
    }

    zip.ZipFilename = W + c.zipName;
    zip.FilesToProcess = kInputFile;
    zip.UnzipToFolder = W;
    zip.SetProgress(c.Step(2));
    zip.Unzip();
    c.ThrowIfCancelled();

    if (Exists(W + kInputFile)) {
      // A report already under that name is replaced: the caller chose the name.
      if (std::rename((W + kInputFile).c_str(), (W + c.ReturnFileName).c_str()) != 0) {
        throw EInOutError(errno);
      }
      if (c.bFilesList) stlstFileList.push_back(W + "Holder_Summary.TXT");
    } else {
      info("The .hde file appears to be corrupt and cannot be imported.");
      c.result = false;
    }
  } catch (const ECancelled&) {
    c.cancelled = true;
    c.result = false;
    DeleteAnyCreatedTempFiles(W, c.zipName, c.rsaName, c.twoName);
  } catch (const CryptoCancelled&) {
    c.cancelled = true;
    c.result = false;
    DeleteAnyCreatedTempFiles(W, c.zipName, c.rsaName, c.twoName);
  } catch (const std::exception& e) {
    if (kvx::IsEmptyStr(c.passPhrase)) ShowMessage(kSecretKeyFailed + std::string(e.what()));
    c.result = false;
    c.passPhrase.assign(c.passPhrase.size(), '\0');
    DeleteAnyCreatedTempFiles(W, c.zipName, c.rsaName, c.twoName);
    c.Release();
    throw;
  }
  c.passPhrase.assign(c.passPhrase.size(), '\0');
}

}  // namespace qorva
