#pragma once
#include <string>

namespace tessarin {

// Names the calling thread for debuggers and `top -H`; Linux keeps 15 bytes,
// so long labels keep their last, most specific part.
void setCurrentThreadName(const std::string& label);

} // namespace tessarin
