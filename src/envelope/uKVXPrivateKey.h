// The RSA private keys that open envelopes. They are never built in: the opening program
// reads them from the administrator's key files. Only the opening program (and the tests)
// link this; the holder's programs never carry a private key or a way to read one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace qorva {

// A key file that cannot be used, with a message that names the file and says why.
class KeyFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A text found in every program that carries this reader, and in no other.
extern const char kPrivateKeyReaderMark[];

// Armoured blocks of PKCS#8 PrivateKeyInfo DER of the keys given to UsePrivateKeys or
// UsePrivateKeyFiles: the newer key (the first) and the older one (the second); an empty
// list when there is no such key. A new list for each call.
std::vector<std::string> Get_New_Private_Key();
std::vector<std::string> Get_Private_Key();

// All keys in the order given (the newer first); block i of PrivateKeyCount().
std::size_t PrivateKeyCount();
std::vector<std::string> PrivateKeyBlock(std::size_t i);

// The keys that the functions above hand out, newer first.
void UsePrivateKeys(std::vector<std::vector<std::string>> blocks);
// Reads each file with ReadPrivateKeyFile, in order; throws KeyFileError on the first that
// cannot be used, keeping the keys as they were.
void UsePrivateKeyFiles(const std::vector<std::string>& paths);

// A private key file: an armoured private key block, or a PEM PKCS#8 private key (as
// openssl writes it); either way an RSA key with a 2048-bit modulus. The file must be
// accessible to its owner only. Returns the key as an armoured block.
std::vector<std::string> ReadPrivateKeyFile(const std::string& path);
// The same for a key file's text; `name` names it in messages.
std::vector<std::string> ParsePrivateKey(const std::string& text, const std::string& name);

// An armoured block: begin marker, "Version: " + versionTag, empty line, the DER bytes in
// Base64 lines of 75 characters, empty line, end marker.
enum class KeyBlockType { Public, Private };
std::vector<std::string> ArmourKeyBlock(const std::vector<std::uint8_t>& der, KeyBlockType type,
                                        const std::string& versionTag);
// The tag for a key made now: the program version, "++", the UTC date and time.
std::string KeyVersionTag();
// The text of a key file holding `block`, one line each.
std::string KeyFileText(const std::vector<std::string>& block);

// Makes a new RSA-2048 key pair (public exponent 65537) from the system's random source and
// writes dir/public.key (mode 0644) and dir/private.key (0600), both armoured blocks. Never
// replaces a file: when either exists nothing is written. A missing dir is created (0700).
// Throws KeyFileError.
void WriteNewKeyPair(const std::string& dir);

}  // namespace qorva
