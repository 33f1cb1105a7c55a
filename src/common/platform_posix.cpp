// The platform layer on POSIX systems.
#include <unistd.h>

#include "platform.h"

namespace qorva::platform {

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

bool RemoveUserRegistryTree(const std::string&) { return false; }  // no registry here

}  // namespace qorva::platform
