#include "command_line/whole_number.h"

#include <charconv>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>

namespace {

constexpr std::uint64_t largest = std::numeric_limits<std::uint64_t>::max();

// The model: the standard library's reading of plain digits, then the limit.
std::optional<std::uint64_t> model(const std::string& text, std::uint64_t limit) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || value > limit)
    return std::nullopt;
  return value;
}

} // namespace

// Random texts of digits (with the odd sign, space or letter) against random
// limits, small ones below a single digit among them, and the limits near
// where 64 bits overflow.
TEST(WholeNumberTest, AgreesWithTheStandardReadingUnderAnyLimit) {
  std::mt19937_64 random(20261208);
  const std::string alphabet = "0123456789012345678901234567890123456789+- x.";
  std::uniform_int_distribution<std::size_t> length(0, 24), pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> limitKind(0, 3);
  for (int round = 0; round < 200000; ++round) {
    std::string text;
    for (std::size_t n = length(random); n > 0; --n)
      text += alphabet[pick(random)];
    std::uint64_t limit = 0;
    switch (limitKind(random)) {
    case 0:
      limit = random() % 10;
      break;
    case 1:
      limit = random() % 100000;
      break;
    case 2:
      limit = largest - random() % 20;
      break;
    default:
      limit = random() >> (random() % 64);
      break;
    }
    ASSERT_EQ(parseWholeNumber(text, limit), model(text, limit))
        << "\"" << text << "\" limit " << limit;
  }
}

TEST(WholeNumberTest, TakesTheLimitItselfAndNothingAbove) {
  for (const std::uint64_t limit :
       {std::uint64_t{0}, std::uint64_t{5}, std::uint64_t{240}, std::uint64_t{572999},
        std::uint64_t{std::numeric_limits<std::uint32_t>::max()}, largest}) {
    const std::string text = std::to_string(limit);
    EXPECT_EQ(parseWholeNumber(text, limit), limit);
    EXPECT_EQ(parseWholeNumber("000" + text, limit), limit);
    EXPECT_EQ(parseWholeNumber(text + "1", limit), std::nullopt) << limit;
    if (limit < largest) {
      EXPECT_EQ(parseWholeNumber(std::to_string(limit + 1), limit), std::nullopt) << limit;
    }
  }
  // 2^64 and more wrap to small numbers in plain arithmetic.
  EXPECT_EQ(parseWholeNumber("18446744073709551616", largest), std::nullopt);
  EXPECT_EQ(parseWholeNumber("36893488147419103232", largest), std::nullopt);
}
