// The RSA private keys that open envelopes. Only the opening program links them; the
// holder's programs never carry a private key.
#pragma once

#include <string>
#include <vector>

namespace qorva {

// Armoured blocks of PKCS#8 PrivateKeyInfo DER; a new list for each call.
std::vector<std::string> Get_New_Private_Key();  // pairs with Get_Public_Key
std::vector<std::string> Get_Private_Key();      // the earlier key

}  // namespace qorva
