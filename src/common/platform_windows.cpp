// The platform layer on Windows.
#include <io.h>

#include "platform.h"

namespace qorva::platform {

bool IsTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

}  // namespace qorva::platform
