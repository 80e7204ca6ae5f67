#include <cstdio>

#include "display/ptc.h"
#include "platform/message_box.h"

namespace ptc {

DynamicError::DynamicError(const std::string& message) : std::runtime_error(message) {}

void DynamicError::report() const {
  std::fprintf(stderr, "velvetstaticfog: %s\n", what());
  MessageBoxA(nullptr, what(), "Error", MB_OK);
}

} // namespace ptc
