// The digital envelope: seals a holder report file into an ".HDE" envelope and opens one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qorva {

class TKVXDecryption {
 public:
  // The single instance, created on first use; it lives until the process ends.
  static TKVXDecryption* Instance();

  ~TKVXDecryption();
  TKVXDecryption(const TKVXDecryption&) = delete;
  TKVXDecryption& operator=(const TKVXDecryption&) = delete;

  // Directive "encrypt": seals the report FileToProcess into the envelope ReturnFileName
  // (a path, or a bare name for the working folder). "decrypt": opens the envelope
  // FileToProcess and leaves its report in the working folder under the bare name
  // ReturnFileName. Works in the user's temporary folder. Failures are shown through the
  // message helper and give false; the decrypt direction also passes its step errors on
  // as exceptions (std::exception).
  bool TwoFishRSADigitalEnvelope(const std::string& Directive, const std::string& FileToProcess,
                                 const std::string& ReturnFileName);
  // The same in AWorkingDirectory. With bFilesList, the paths of files the call leaves
  // behind are added to FileList().
  bool TwoFishRSADigitalEnvelope(const std::string& Directive, const std::string& FileToProcess,
                                 const std::string& ReturnFileName,
                                 const std::string& AWorkingDirectory, bool bFilesList);

  // Bytes processed so far / total; return false to cancel. A cancelled run leaves no
  // envelope and no working file, shows no failure box and returns false.
  void SetProgress(std::function<bool(std::uint64_t done, std::uint64_t total)> cb);

  // Where the decrypt direction gets its private-key blocks (armoured, as the key module
  // hands them out), tried in order: the newer key first, then the older. A key that gives
  // an empty pass phrase, or does not pair with the envelope's public key, passes to the
  // next. Only the opening program sets them; without them decrypting fails.
  using KeyBlockFn = std::function<std::vector<std::string>()>;
  void SetPrivateKeys(KeyBlockFn newer, KeyBlockFn older);
  void SetPrivateKeys(std::vector<KeyBlockFn> keys);
  // The public key block that encrypting seals with; Get_Public_Key unless set (tests).
  void SetPublicKey(KeyBlockFn key);

  const std::vector<std::string>& FileList() const { return stlstFileList; }

 private:
  friend class TKVXDecryptionTestAccess;
  struct TCall;

  TKVXDecryption();  // CreateInstance
  // 0 = as it is, 1 = create when there is none, 2 = forget; anything else throws.
  static TKVXDecryption* AccessInstance(int Request);

  bool IsActiveXInstalled(std::string* why = nullptr) const;
  std::vector<std::string> PublicKeyBlock() const;
  static std::string MakeTempFile(const std::string& AWorkingFolder, const std::string& AExtension);
  static void DeleteAnyCreatedTempFiles(const std::string& W, const std::string& zipName,
                                        const std::string& rsaName, const std::string& twoName);
  void EncryptSteps(TCall& call);
  void DecryptSteps(TCall& call);

  // The armour codec: decodes the data lines of a key block, or (lbEncode) encodes
  // scString as Base64 lines of 75 characters, each ended by CR LF.
  static std::string AsciiArmor(const std::string& scString, bool lbEncode,
                                const std::vector<std::string>& sStringList);
  static void StrToBinary(const std::string& sSource, std::vector<std::uint8_t>& vaDestination);

  std::vector<std::string> stlstFileList;
  std::function<bool(std::uint64_t, std::uint64_t)> progress_;
  std::vector<KeyBlockFn> privateKeys_;
  KeyBlockFn publicKey_;
  // Test seam for results the real layer never gives (a Twofish run writing 0 bytes):
  // called with the step's name and its value, which it may change.
  std::function<void(const std::string& step, std::int64_t& value)> fault_;
};

}  // namespace qorva
