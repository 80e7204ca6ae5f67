#pragma once
// A whole number as a program's command line gives it.

#include <cstdint>
#include <optional>
#include <string_view>

// Decimal digits only: no sign, no spaces, nothing above `limit`, so no
// overflow whatever the length.
std::optional<std::uint64_t> parseWholeNumber(std::string_view text, std::uint64_t limit);
