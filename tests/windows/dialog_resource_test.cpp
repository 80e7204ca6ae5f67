// The dialog resource compiled into a Windows program (setup_dialog.rc)
// against the template data the Linux stand-in draws: the same frame, font
// and controls, field by field, read back from the module as Windows reads it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "platform/win_types.h"
#include "resources/dialog_template.h"

namespace {

constexpr WORD extendedTemplateSignature = 0xFFFF;
constexpr WORD ordinalMarker = 0xFFFF;
constexpr WORD buttonClassOrdinal = 0x0080;

// Reads the little-endian fields of a DLGTEMPLATEEX, failing the test
// rather than reading past the resource.
class TemplateReader {
public:
  TemplateReader(const unsigned char* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

  template <typename T> T next() {
    T value{};
    if (offset_ + sizeof value > size_) {
      ADD_FAILURE() << "resource ends at byte " << size_ << ", reading at " << offset_;
      offset_ = size_;
      return value;
    }
    std::memcpy(&value, bytes_ + offset_, sizeof value);
    offset_ += sizeof value;
    return value;
  }

  // A string of UTF-16 units, all ASCII here.
  std::string text() {
    std::string out;
    for (WORD unit = next<WORD>(); unit != 0 && offset_ < size_; unit = next<WORD>())
      out.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
    return out;
  }

  // A name or an ordinal; 0 and an empty string mean none.
  struct NameOrOrdinal {
    std::optional<WORD> ordinal;
    std::string name;
  };
  NameOrOrdinal nameOrOrdinal() {
    const WORD first = next<WORD>();
    if (first == 0)
      return {};
    if (first == ordinalMarker)
      return {next<WORD>(), {}};
    offset_ -= sizeof first;
    return {std::nullopt, text()};
  }

  void alignTo(std::size_t boundary) { offset_ = (offset_ + boundary - 1) / boundary * boundary; }
  void skip(std::size_t count) { offset_ += count; }
  std::size_t remaining() const { return offset_ < size_ ? size_ - offset_ : 0; }

private:
  const unsigned char* bytes_;
  std::size_t size_;
  std::size_t offset_ = 0;
};

TEST(DialogResource, MatchesTheStandInTemplateFieldByField) {
  const DialogTemplate* expected = findDialogTemplate(101);
  ASSERT_NE(expected, nullptr);

  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(101), MAKEINTRESOURCEA(5)); // RT_DIALOG
  ASSERT_NE(found, nullptr) << "no dialog resource 101 in the program";
  HGLOBAL loaded = LoadResource(module, found);
  ASSERT_NE(loaded, nullptr);
  const auto* bytes = static_cast<const unsigned char*>(LockResource(loaded));
  ASSERT_NE(bytes, nullptr);
  TemplateReader reader(bytes, SizeofResource(module, found));

  EXPECT_EQ(reader.next<WORD>(), 1) << "extended template version";
  ASSERT_EQ(reader.next<WORD>(), extendedTemplateSignature) << "not an extended template";
  EXPECT_EQ(reader.next<DWORD>(), 0u) << "help id";
  EXPECT_EQ(reader.next<DWORD>(), expected->extendedStyle);
  EXPECT_EQ(reader.next<DWORD>(), expected->style);
  const WORD controlCount = reader.next<WORD>();
  ASSERT_EQ(controlCount, expected->controls.size());
  EXPECT_EQ(reader.next<std::int16_t>(), expected->x);
  EXPECT_EQ(reader.next<std::int16_t>(), expected->y);
  EXPECT_EQ(reader.next<std::int16_t>(), expected->width);
  EXPECT_EQ(reader.next<std::int16_t>(), expected->height);
  const auto menu = reader.nameOrOrdinal();
  EXPECT_TRUE(!menu.ordinal && menu.name.empty()) << "no menu";
  const auto windowClass = reader.nameOrOrdinal();
  EXPECT_TRUE(!windowClass.ordinal && windowClass.name.empty()) << "the default dialog class";
  EXPECT_EQ(reader.text(), expected->caption);
  EXPECT_EQ(reader.next<WORD>(), expected->font.pointSize);
  EXPECT_EQ(reader.next<WORD>(), expected->font.weight);
  EXPECT_EQ(reader.next<std::uint8_t>(), expected->font.italic ? 1 : 0);
  EXPECT_EQ(reader.next<std::uint8_t>(), expected->font.charset);
  EXPECT_EQ(reader.text(), expected->font.name);

  for (const DialogControl& control : expected->controls) {
    SCOPED_TRACE(control.caption);
    reader.alignTo(sizeof(DWORD));
    EXPECT_EQ(reader.next<DWORD>(), 0u) << "help id";
    EXPECT_EQ(reader.next<DWORD>(), control.extendedStyle);
    EXPECT_EQ(reader.next<DWORD>(), control.style);
    EXPECT_EQ(reader.next<std::int16_t>(), control.x);
    EXPECT_EQ(reader.next<std::int16_t>(), control.y);
    EXPECT_EQ(reader.next<std::int16_t>(), control.width);
    EXPECT_EQ(reader.next<std::int16_t>(), control.height);
    EXPECT_EQ(reader.next<DWORD>(), static_cast<DWORD>(control.id));
    const auto controlClass = reader.nameOrOrdinal();
    EXPECT_EQ(controlClass.ordinal, std::optional<WORD>(buttonClassOrdinal)) << "a button";
    const auto title = reader.nameOrOrdinal();
    EXPECT_FALSE(title.ordinal);
    EXPECT_EQ(title.name, control.caption);
    reader.skip(reader.next<WORD>()); // creation data, none expected
  }
  EXPECT_LT(reader.remaining(), sizeof(DWORD)) << "more in the resource than the template holds";
}

} // namespace
