#include "command_line/whole_number.h"

std::optional<std::uint64_t> parseWholeNumber(std::string_view text, std::uint64_t limit) {
  if (text.empty())
    return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9')
      return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    // value * 10 + digit <= limit, asked without forming anything above it.
    if (digit > limit || value > (limit - digit) / 10)
      return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}
