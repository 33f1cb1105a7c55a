// The RSA public key that seals every envelope's pass phrase.
#pragma once

#include <string>
#include <vector>

namespace qorva {

// The key as an armoured block (begin marker, version, empty line, Base64 lines of the
// X.509 SubjectPublicKeyInfo DER, empty line, end marker); a new list for each call.
std::vector<std::string> Get_Public_Key();

}  // namespace qorva
