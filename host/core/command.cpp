#include "command.h"

#include <cctype>
#include <charconv>
#include <cstdint>

namespace agsi::host {

namespace {

class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}

  void SkipSpaces() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }
  bool AtEnd() {
    SkipSpaces();
    return pos_ >= text_.size();
  }
  bool Take(char c) {
    SkipSpaces();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  std::string Word() {
    SkipSpaces();
    std::string word;
    while (pos_ < text_.size() && std::isalpha(static_cast<unsigned char>(text_[pos_]))) {
      word += static_cast<char>(std::tolower(static_cast<unsigned char>(text_[pos_++])));
    }
    return word;
  }
  // A decimal number or a hexadecimal one with the prefix 0x.
  std::optional<uint64_t> Number() {
    SkipSpaces();
    int base = 10;
    if (text_.substr(pos_, 2) == "0x" || text_.substr(pos_, 2) == "0X") {
      base = 16;
      pos_ += 2;
    }
    uint64_t value = 0;
    const char* first = text_.data() + pos_;
    const char* last = text_.data() + text_.size();
    const auto [end, error] = std::from_chars(first, last, value, base);
    if (error != std::errc() || end == first) return std::nullopt;
    pos_ += static_cast<std::size_t>(end - first);
    return value;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

std::optional<MappedRange> ParseMapCommand(std::string_view command, std::string& error) {
  Cursor cursor(command);
  if (cursor.Word() != "map") {
    error = "unknown command \"" + std::string(command) + "\" (expected MAP first, last read|write)";
    return std::nullopt;
  }
  const std::optional<uint64_t> first = cursor.Number();
  if (!first || !cursor.Take(',')) {
    error = "MAP: expected the first address and a comma in \"" + std::string(command) + "\"";
    return std::nullopt;
  }
  const std::optional<uint64_t> last = cursor.Number();
  if (!last) {
    error = "MAP: expected the last address in \"" + std::string(command) + "\"";
    return std::nullopt;
  }
  if (*first > *last || *last >= kMemorySize) {
    error = "MAP: the range must lie within 0x000000-0xFFFFFF, first before last, in \"" + std::string(command) + "\"";
    return std::nullopt;
  }
  MappedRange range{static_cast<uint32_t>(*first), static_cast<uint32_t>(*last), false, false};
  do {
    const std::string kind = cursor.Word();
    if (kind == "read") {
      range.read = true;
    } else if (kind == "write") {
      range.write = true;
    } else {
      error = "MAP: expected read or write in \"" + std::string(command) + "\"";
      return std::nullopt;
    }
  } while (cursor.Take('|') || !cursor.AtEnd());
  return range;
}

}  // namespace agsi::host
