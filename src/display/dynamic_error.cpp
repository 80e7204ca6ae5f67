#include "display/ptc.h"
#include "platform/message_box.h"

namespace ptc {

DynamicError::DynamicError(const std::string& message) : std::runtime_error(message) {}

// The box also puts its text on standard error, with or without a screen.
void DynamicError::report() const { MessageBoxA(nullptr, what(), "Error", MB_OK); }

} // namespace ptc
