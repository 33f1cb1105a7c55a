#include "uKVXDecrypt.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "AtomicOutput.h"
#include "CipherMethods.h"
#include "CryptoError.h"
#include "CryptoSelfTest.h"
#include "FileCipher.h"
#include "ZipArchive.h"
#include "platform.h"
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

const char* const kSecretKeyFailed = "Secret Key Decryption failed\r";
const char* const kCorrupt = "The .hde file appears to be corrupt and cannot be imported.";

// What opening may write before anything in the envelope is trusted. A sealed pass phrase
// is one RSA block (256 bytes for a 2048-bit key); a few KiB allow keys up to 16384 bits.
constexpr std::uint64_t kMaxSealedPassPhrase = 4096;
// Honest ciphertext hardly compresses; an envelope whose Twofish member expands beyond
// twice its stored size (plus room for the odd repetitive report) is not ours.
constexpr std::uint64_t kCiphertextAllowance = 1u << 20;

enum class TDirection { Encrypt, Decrypt, Other };

TDirection DirectionOf(const std::string& directive) {
  if (directive == "encrypt") return TDirection::Encrypt;
  if (directive == "decrypt") return TDirection::Decrypt;
  return TDirection::Other;  // compared exactly: "Encrypt" is no directive
}

std::string NotInstalledNotice() {
  return std::string(
             "Files ending in \".hde\" are securely encrypted and require our certified "
             "decryption software. \rPlease contact:\r") +
         QORVA_COMPANY + "\rPhone: (555) 014-2290\rFax: (555) 014-2291";
}

// 64 to 71 characters of codes 34..121, in wiped memory.
SecretBytes MakePassPhrase() {
  TSystemRandom random;
  const unsigned length = 64 + random.Below(8);
  SecretBytes phrase;
  phrase.reserve(length);
  for (unsigned i = 0; i < length; ++i) {
    unsigned r = random.Below(122);
    if (r <= 34 || r == 39) r += 34;
    phrase.push_back(static_cast<std::uint8_t>(r));
  }
  return phrase;
}

// Blank (codes 32 and below) from end to end, as an empty pass phrase reads.
bool IsBlank(const SecretBytes& text) {
  return std::all_of(text.begin(), text.end(), [](std::uint8_t c) { return c <= 32; });
}

std::uint64_t FileSize(const std::string& path) {
  std::error_code ec;
  const auto size = fs::file_size(platform::PathFromUtf8(path), ec);
  return ec ? 0 : static_cast<std::uint64_t>(size);
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(platform::PathFromUtf8(path), ec));
}

void Rename(const std::string& from, const std::string& to) {
  std::error_code ec;
  if (!platform::RenameOver(from, to, ec)) throw EInOutError(ec.value());
}

// What a byte costs each kind of step, relative to copying it: the progress bar gives every
// step a share in proportion to bytes times cost, so that it moves at an even pace.
namespace cost {
constexpr double kCopy = 1;
constexpr double kDeflate = 30;  // level 9; nearly all of an encryption's time
constexpr double kTwofish = 10;
constexpr double kStore = 1;  // zipping ciphertext, which is stored, not compressed
constexpr double kInflate = 3;
// Fixed-width reports deflate to about a tenth (the samples to a twentieth), until the
// inner archive's real size is known.
constexpr double kInnerShare = 0.1;
}  // namespace cost

// Progress over one call. The bar's length is fixed when the call starts; each step owns a
// stretch of it in proportion to its planned cost. Steps whose sizes show only later are
// planned with an estimate and planned again, over what is left of the bar, once known.
class TProgressPlan {
 public:
  explicit TProgressPlan(ProgressCallback cb) : cb_(std::move(cb)) {}

  // The first plan of all the call's steps; fixes the bar's length.
  void Plan(const std::vector<double>& costs) {
    double sum = 0;
    for (double c : costs) sum += c;
    total_ = std::max<std::uint64_t>(static_cast<std::uint64_t>(sum), 1);
    bounds_.assign(costs.size() + 1, 0);
    Replan(0, costs);
  }
  // Shares what is left of the bar from step `first` on among `costs` (one per step left).
  void Replan(std::size_t first, const std::vector<double>& costs) {
    if (first >= bounds_.size()) return;
    const std::uint64_t from = std::max(reported_, bounds_[first]);
    double sum = 0;
    for (double c : costs) sum += c;
    double at = 0;
    for (std::size_t i = 0; i < costs.size() && first + i + 1 < bounds_.size(); ++i) {
      at += costs[i];
      const double share = sum > 0 ? at / sum : 1.0;
      bounds_[first + i + 1] =
          from + static_cast<std::uint64_t>(share * static_cast<double>(total_ - from));
    }
    bounds_[first] = from;
    bounds_.back() = total_;
  }
  // A callback for step `index` that places the step's own done/total in its stretch.
  ProgressCallback Step(std::size_t index) {
    return [this, index](std::uint64_t done, std::uint64_t total) {
      const std::uint64_t lo = bounds_[index], hi = bounds_[index + 1];
      const double part =
          total ? std::min(1.0, static_cast<double>(done) / static_cast<double>(total)) : 1.0;
      return Report(lo + static_cast<std::uint64_t>(part * static_cast<double>(hi - lo)));
    };
  }
  bool Report(std::uint64_t at) {
    if (cancelled_) return false;
    reported_ = std::max(reported_, std::min(at, total_));
    if (cb_ && !cb_(reported_, total_)) cancelled_ = true;
    return !cancelled_;
  }
  bool Finish() { return Report(total_); }
  bool Cancelled() const { return cancelled_; }
  void ThrowIfCancelled() const {
    if (cancelled_) throw CryptoCancelled();
  }

 private:
  ProgressCallback cb_;
  std::uint64_t total_ = 1;
  std::uint64_t reported_ = 0;
  std::vector<std::uint64_t> bounds_{0, 1};
  bool cancelled_ = false;
};

}  // namespace

// The state of one call: nothing of it outlives the call. Its working folder is private to
// the call and goes, with everything in it, when the call ends, however it ends.
struct TKVXDecryption::TCall {
  TCall(const std::string& directive, const std::string& file, const std::string& returnName,
        bool filesList, const ProgressCallback& cb)
      : Directive(directive),
        direction(DirectionOf(directive)),
        FileToProcess(file),
        ReturnFileName(returnName),
        bFilesList(filesList),
        progress(cb) {}
  ~TCall() {
    Release();
    if (!P.empty()) DeleteAnyCreatedTempFiles(P, zipName, rsaName, twoName);
  }

  const std::string& Directive;
  TDirection direction;
  const std::string& FileToProcess;
  const std::string& ReturnFileName;
  bool bFilesList;

  std::string W;  // the caller's folder: where bare names land
  std::unique_ptr<platform::PrivateFolder> folder;
  std::string P;  // the private working folder, with a trailing separator
  int stage = 0;  // the stage marker "1".."10", kept as its number
  bool result = false;
  SecretBytes passPhrase;
  std::string zipName, rsaName, twoName;  // generated names, empty until chosen

  std::unique_ptr<TZipArchive> zip;
  std::unique_ptr<TFileCipher> cipher;
  std::unique_ptr<TRSAEncryptionMethod> rsa;
  std::unique_ptr<TSHAHashingMethod> sha;
  std::unique_ptr<TTwofishEncryptionMethod> twofish;

  TProgressPlan progress;

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
  std::vector<KeyBlockFn> keys;
  if (newer) keys.push_back(std::move(newer));
  if (older) keys.push_back(std::move(older));
  SetPrivateKeys(std::move(keys));
}

void TKVXDecryption::SetPrivateKeys(std::vector<KeyBlockFn> keys) {
  privateKeys_ = std::move(keys);
}

void TKVXDecryption::SetPublicKey(KeyBlockFn key) { publicKey_ = std::move(key); }

std::vector<std::string> TKVXDecryption::PublicKeyBlock() const {
  return publicKey_ ? publicKey_() : Get_Public_Key();
}

bool TKVXDecryption::IsActiveXInstalled(std::string* why) const {
  std::vector<std::uint8_t> der;
  StrToBinary(AsciiArmor("", false, PublicKeyBlock()), der);
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
    const fs::path path = platform::PathFromUtf8(W + name);
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (fs::is_directory(status)) continue;
    // Windows deletes no read-only file; these are the call's own, so they go all the same.
    if (fs::is_regular_file(status) &&
        (status.permissions() & fs::perms::owner_write) == fs::perms::none)
      fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ec);
    fs::remove(path, ec);
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
  TCall call(Directive, FileToProcess, ReturnFileName, bFilesList, progress_);
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
      call.stage = 4;
      bool setUp = false;
      try {
        // Components that failed their self-test are not used, whatever the answer was.
        if (!installed) throw CryptoError(why.empty() ? "The encryption self-test failed." : why);
        // Every working file lives in a folder of this call's own, never among other
        // users' files.
        call.folder = std::make_unique<platform::PrivateFolder>("qorva-envelope");
        if (call.folder->path().empty())
          throw CryptoError("Cannot make a working folder in " + platform::UserTempFolder() + ": " +
                            call.folder->error().message());
        call.P = WithTrailingSeparator(call.folder->path());
        call.zip = std::make_unique<TZipArchive>();
        call.zip->CompressionLevel = xclHigh;
        call.zip->PreservePaths = false;
        call.zip->Durability = TDurability::Scratch;
        call.cipher = std::make_unique<TFileCipher>();
        call.cipher->Durability = TDurability::Scratch;
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
        call.result = false;
      }
      if (setUp) {
        call.stage = 5;
        if (call.direction == TDirection::Decrypt) {
          DecryptSteps(call);
        } else if (call.direction == TDirection::Encrypt) {
          call.stage = 7;
          EncryptSteps(call);
        }
      }
      call.stage = 8;
      call.Release();
    }
    call.stage = 9;
    call.stage = 10;  // the working folder goes with the call
    return call.result && !call.progress.Cancelled();
  } catch (...) {
    if (call.stage != 10) info("Error in TwoFishRSADigitalEnvelope:" + std::to_string(call.stage));
    throw;
  }
}

void TKVXDecryption::EncryptSteps(TCall& c) {
  const std::string& P = c.P;
  TZipArchive& zip = *c.zip;
  TFileCipher& cipher = *c.cipher;
  TProgressPlan& progress = c.progress;
  // copy, inner zip, Twofish, outer zip, placement
  const double report = static_cast<double>(FileSize(c.FileToProcess));
  const double inner = report * cost::kInnerShare;
  progress.Plan({report * cost::kCopy, report * cost::kDeflate, inner * cost::kTwofish,
                 inner * cost::kStore, inner * cost::kCopy});
  try {
    const bool hasFolder = fs::path(c.ReturnFileName).has_parent_path();
    const std::string target = hasFolder ? c.ReturnFileName : c.W + c.ReturnFileName;

    const auto copyStep = progress.Step(0);
    const std::uint64_t reportBytes = FileSize(c.FileToProcess);
    FileCopy(
        c.FileToProcess, P + kInputFile,
        [&](std::uint64_t done) { return copyStep(done, reportBytes); },
        platform::FileAccess::OwnerOnly, TDurability::Scratch);

    zip.FilesToProcess = "";
    zip.AddFilesToProcess(P + kInputFile);
    zip.ZipFilename = P + kInnerZip;
    zip.SetProgress(progress.Step(1));
    const int innerCode = zip.Zip();  // a failed inner archive shows in the Twofish step
    progress.ThrowIfCancelled();
    if (innerCode == xerNoSpace) throw CryptoError(zip.LastErrorMessage());

    const double zipped = static_cast<double>(FileSize(P + kInnerZip));
    progress.Replan(2, {zipped * cost::kTwofish, zipped * cost::kStore, zipped * cost::kCopy});

    c.passPhrase = MakePassPhrase();

    TTwofishEncryptionMethod& twofish = *c.twofish;
    twofish.SetRandomInitVector();
    twofish.SetSecretKeyFromPassPhrase(c.passPhrase, 256);
    cipher.EncryptionMethod = &twofish;
    cipher.SetProgress(progress.Step(2));
    std::uint64_t bytesRead = 0;
    std::int64_t count = static_cast<std::int64_t>(cipher.ProcessFile(
        P + kInnerZip, 0, 0, efpEncrypt, true, P + kTwofishMember, false, bytesRead));
    if (fault_) fault_("encrypt-twofish", count);
    if (count == 0) {
      info("Error Encrypting File (Twofish - 0 bytes)");
      c.result = false;
    }

    std::vector<std::uint8_t> key;
    StrToBinary(AsciiArmor("", false, PublicKeyBlock()), key);
    c.rsa->SetPublicKey(key);

    cipher.EncryptionMethod = c.rsa.get();
    cipher.WriteFile(c.passPhrase, efpEncrypt, true, P + kRsaMember, false);

    zip.FilesToProcess = "";
    zip.AddFilesToProcess(P + kTwofishMember);
    zip.AddFilesToProcess(P + kRsaMember);
    zip.ZipFilename = P + kTempEnvelope;
    zip.SetProgress(progress.Step(3));
    std::int64_t code = zip.Zip();
    progress.ThrowIfCancelled();
    if (fault_) fault_("final-zip", code);
    if (code != xerSuccess) {
      if (code == xerNoSpace) info(zip.LastErrorMessage());  // said as such
      info("Error in final compression.");
      c.result = false;
    }

    // The new envelope is complete before it replaces anything: an existing one is
    // checked as erasable (a read-only one stays, with its error) and then replaced in a
    // single rename, so a failed run leaves the output path as it was. It is no secret, so
    // it gets the permissions any new file of the user's gets.
    if (c.result) {
      CheckWritable(target);
      const std::uint64_t size = FileSize(P + kTempEnvelope);
      const auto placeStep = progress.Step(4);
      FileCopy(
          P + kTempEnvelope, target, [&](std::uint64_t done) { return placeStep(done, size); },
          platform::FileAccess::Usual, TDurability::Flushed);
    }
  } catch (const CryptoCancelled&) {
    c.result = false;
  } catch (const std::exception& e) {
    c.result = false;
    if (!progress.Cancelled()) ShowMessage(kSecretKeyFailed + std::string(e.what()));
  }
  c.passPhrase.clear();
}

void TKVXDecryption::DecryptSteps(TCall& c) {
  const std::string& P = c.P;
  TZipArchive& zip = *c.zip;
  TFileCipher& cipher = *c.cipher;
  TProgressPlan& progress = c.progress;

  c.zipName = MakeTempFile(P, ".zip");
  c.stage = 6;
  try {
    // Nothing of the envelope is trusted before its sizes are: the sealed pass phrase is
    // one small block, and ciphertext hardly compresses.
    const std::string damaged = "The envelope " + c.FileToProcess + " is damaged: ";
    std::uint64_t cipherBytes = 0, needed = 0;
    for (const TZipEntry& e : TZipArchive::ListEntries(c.FileToProcess)) {
      if (e.name != kTwofishMember && e.name != kRsaMember) continue;
      if (e.encrypted)
        throw CryptoError(damaged + "its member " + e.name + " is password-protected.");
      if (e.name == kRsaMember && e.size > kMaxSealedPassPhrase)
        throw CryptoError(damaged + "its member " + e.name +
                          " is too large for a sealed pass phrase (" + std::to_string(e.size) +
                          " bytes).");
      if (e.name == kTwofishMember) {
        if (e.size > 2 * e.compressedSize + kCiphertextAllowance)
          throw CryptoError(damaged + "its member " + e.name +
                            " expands far beyond what "
                            "encrypted data can (" +
                            std::to_string(e.compressedSize) + " bytes to " +
                            std::to_string(e.size) + ").");
        cipherBytes = e.size;
      }
      needed += e.size;
    }
    // The members, then the decrypted inner archive (no larger than its ciphertext).
    needed += cipherBytes;
    std::error_code ec;
    std::int64_t space = static_cast<std::int64_t>(
        std::min<std::uint64_t>(platform::FreeSpace(c.folder->path(), ec), INT64_MAX));
    if (fault_) fault_("free-space", space);
    if (!ec && static_cast<std::uint64_t>(space) < needed)
      throw CryptoError("not enough space in " + c.folder->path());

    // outer unzip, Twofish, inner unzip, placement
    const double cipherSize = static_cast<double>(cipherBytes);
    const double report = cipherSize / cost::kInnerShare;
    progress.Plan({cipherSize * cost::kStore, cipherSize * cost::kTwofish, report * cost::kInflate,
                   report * cost::kCopy});

    // Only the two members are taken out: anything else an envelope carries stays in it.
    zip.ZipFilename = c.FileToProcess;
    zip.FilesToProcess = kTwofishMember;
    zip.AddFilesToProcess(kRsaMember);
    zip.UnzipToFolder = P;
    zip.SetProgress(progress.Step(0));
    const int outerCode = zip.Unzip();
    progress.ThrowIfCancelled();
    // No members at all shows in the steps that need them; a damaged archive is said so.
    if (outerCode == xerNoSpace) throw CryptoError(zip.LastErrorMessage());
    if (outerCode != xerSuccess && outerCode != xerNothingToDo)
      throw CryptoError(damaged + zip.LastErrorMessage());

    c.twoName = MakeTempFile(P, ".two");
    if (Exists(P + kTwofishMember)) Rename(P + kTwofishMember, P + c.twoName);
    if (c.bFilesList) stlstFileList.push_back(c.W + c.twoName);
    c.rsaName = MakeTempFile(P, ".rsa");
    if (Exists(P + kRsaMember)) Rename(P + kRsaMember, P + c.rsaName);
    if (c.bFilesList) stlstFileList.push_back(c.W + c.rsaName);

    // Each key in turn until one gives a pass phrase: a key that does not pair with the
    // envelope's public key gives none, so the older key still opens what it sealed.
    if (privateKeys_.empty()) throw CryptoError("No private key is available to open envelopes.");
    for (std::size_t k = 0; k < privateKeys_.size() && IsBlank(c.passPhrase); ++k) {
      std::vector<std::uint8_t> key;
      StrToBinary(AsciiArmor("", false, privateKeys_[k]()), key);
      c.rsa->SetPrivateKey(key);
      cipher.EncryptionMethod = c.rsa.get();
      std::uint64_t bytesRead = 0;
      try {
        c.passPhrase =
            cipher.ReadSecret(P + c.rsaName, efpDecrypt, kMaxSealedPassPhrase, bytesRead);
      } catch (const CryptoKeyMismatch&) {
        if (k + 1 == privateKeys_.size()) throw;  // no key opens it
      }
    }

    TTwofishEncryptionMethod& twofish = *c.twofish;
    twofish.SetSecretKeyFromPassPhrase(c.passPhrase, 256);
    cipher.EncryptionMethod = &twofish;
    cipher.SetProgress(progress.Step(1));
    std::uint64_t bytesRead = 0;
    std::int64_t count = static_cast<std::int64_t>(
        cipher.ProcessFile(P + c.twoName, 0, 0, efpDecrypt, true, P + c.zipName, false, bytesRead));
    if (fault_) fault_("decrypt-twofish", count);
    if (count == 0) {
      info("Error Decrypting File (Twofish - 0 bytes)");
      c.result = false;
    }

    // The report is bounded by what the inner archive says of it (and by the free space).
    std::string innerProblem;
    std::uint64_t reportBytes = 0;
    try {
      for (const TZipEntry& e : TZipArchive::ListEntries(P + c.zipName))
        if (e.name == kInputFile) reportBytes = e.size;
    } catch (const CryptoError& e) {
      if (count != 0) innerProblem = e.what();
    }
    const double reportSize = static_cast<double>(reportBytes);
    progress.Replan(2, {reportSize * cost::kInflate, reportSize * cost::kCopy});

    int innerCode = xerNothingToDo;
    if (innerProblem.empty() && count != 0) {
      zip.ZipFilename = P + c.zipName;
      zip.FilesToProcess = kInputFile;
      zip.UnzipToFolder = P;
      zip.SetProgress(progress.Step(2));
      innerCode = zip.Unzip();
      progress.ThrowIfCancelled();
      if (innerCode == xerNoSpace) throw CryptoError(zip.LastErrorMessage());
      if (innerCode != xerSuccess && innerCode != xerNothingToDo)
        innerProblem = zip.LastErrorMessage();
    }

    if (!innerProblem.empty()) {
      info("The report inside " + c.FileToProcess + " is damaged: " + innerProblem);
      info(kCorrupt);
      c.result = false;
    } else if (innerCode == xerSuccess && Exists(P + kInputFile)) {
      // A report already under that name is replaced: the caller chose the name. It stays
      // readable by the user alone. The last progress comes first, so that a cancel there
      // still leaves nothing.
      if (!progress.Finish()) throw CryptoCancelled();
      PlaceFile(P + kInputFile, c.W + c.ReturnFileName, TReplace::Over);
      if (c.bFilesList) stlstFileList.push_back(c.W + "Holder_Summary.TXT");
    } else {
      info(kCorrupt);
      c.result = false;
    }
  } catch (const CryptoCancelled&) {
    c.result = false;
  } catch (const std::exception& e) {
    if (IsBlank(c.passPhrase)) ShowMessage(kSecretKeyFailed + std::string(e.what()));
    c.result = false;
    c.passPhrase.clear();
    c.Release();
    throw;
  }
  c.passPhrase.clear();
}

}  // namespace qorva
