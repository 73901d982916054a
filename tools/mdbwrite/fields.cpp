#include "tools/mdbwrite/fields.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "tools/mdbwrite/oledate.h"
#include "tools/mdbwrite/text.h"

namespace mdbwrite {

static const size_t kMaxTextLength = 255;

[[noreturn]] static void FailValue(const Column& column, std::string_view text, int line,
                                   const std::string& problem) {
  Fail(line, "column \"" + column.name + "\": \"" + std::string(text) + "\" " + problem);
}

Field IntegerField(int64_t value, int size) {
  Field field{false, ""};
  Append(field.bytes, static_cast<uint64_t>(value), size);
  return field;
}

static Field DoubleField(double value) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return IntegerField(static_cast<int64_t>(bits), 8);
}

static Field Integer(const Column& column, std::string_view text, int line, int64_t min,
                     int64_t max, int size) {
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < min || value > max) {
    FailValue(column, text, line,
              "is not a whole number from " + std::to_string(min) + " to " + std::to_string(max));
  }
  return IntegerField(value, size);
}

static bool ParseReal(std::string_view text, double* value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return error == std::errc() && end == text.data() + text.size();
}

static Field Real(const Column& column, std::string_view text, int line) {
  double value = 0;
  if (!ParseReal(text, &value)) FailValue(column, text, line, "is not a number");
  return DoubleField(value);
}

static Field Bool(const Column& column, std::string_view text, int line) {
  if (text == "1" || text == "true") return Field{false, ""};
  if (text == "0" || text == "false") return Field{true, ""};
  FailValue(column, text, line, "is not a bool (0, 1, false or true)");
}

static Field DateTime(const Column& column, std::string_view text, int line) {
  double value = 0;
  const bool raw = text.starts_with("ole:");
  if (raw ? !ParseReal(text.substr(4), &value) : !ParseOleDate(text, &value)) {
    FailValue(column, text, line,
              "is not a date (YYYY-MM-DD HH:MM:SS, YYYY-MM-DD or ole:<number>)");
  }
  return DoubleField(value);
}

static std::string Unescape(const Column& column, std::string_view text, int line) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    const char next = i + 1 < text.size() ? text[++i] : '\0';
    if (next != 't' && next != 'n' && next != '\\') {
      FailValue(column, text, line, "holds an unknown escape (only \\t, \\n, \\\\ and \\N)");
    }
    out += next == 't' ? '\t' : next == 'n' ? '\n' : '\\';
  }
  return out;
}

static Field Text(const Format& format, const Column& column, std::string_view text, int line) {
  Field field{false, EncodeText(format, Unescape(column, text, line), line)};
  if (column.type == ColumnType::Text && EncodedLength(format, field.bytes) > kMaxTextLength) {
    FailValue(column, text, line, "is longer than 255 characters (a memo column takes more)");
  }
  if (column.compressed) field.bytes = CompressText(field.bytes);
  return field;
}

// A decimal: a sign byte (0x80 when negative), then the value times
// 10^scale as a 128-bit integer in four 32-bit words, the most significant
// word first, each little-endian.
static Field Decimal(const Column& column, std::string_view text, int line) {
  const bool negative = text.starts_with('-');
  const std::string_view number = text.substr(negative ? 1 : 0);
  const size_t point = number.find('.');
  const std::string_view whole = number.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : number.substr(point + 1);
  std::string digits = std::string(whole) + std::string(fraction);
  if (whole.empty() || (point != std::string_view::npos && fraction.empty()) ||
      digits.find_first_not_of("0123456789") != std::string::npos ||
      fraction.size() > static_cast<size_t>(column.scale)) {
    FailValue(
        column, text, line,
        "is not a decimal of scale " + std::to_string(column.scale) + " ([-]DIGITS[.DIGITS])");
  }
  digits.append(column.scale - fraction.size(), '0');
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
  if (digits.size() > static_cast<size_t>(column.precision)) {
    FailValue(column, text, line, "has more than " + std::to_string(column.precision) + " digits");
  }
  unsigned __int128 value = 0;
  for (char digit : digits) value = value * 10 + static_cast<unsigned>(digit - '0');
  Field field{false, std::string(1, negative ? '\x80' : '\0')};
  for (int word = 3; word >= 0; --word)
    Append(field.bytes, static_cast<uint32_t>(value >> (32 * word)), 4);
  return field;
}

Field EncodeField(const Format& format, const Column& column, std::string_view text, int line) {
  if (column.type == ColumnType::Bool && text == "\\N") {
    FailValue(column, text, line, "is not allowed: a bool cannot be NULL");
  }
  if (text == "\\N") return Field{};
  if (column.type == ColumnType::Text || column.type == ColumnType::Memo) {
    return Text(format, column, text, line);
  }
  if (text.empty()) FailValue(column, text, line, "is empty (NULL is \\N)");
  switch (column.type) {
    case ColumnType::Bool:
      return Bool(column, text, line);
    case ColumnType::Byte:
      return Integer(column, text, line, 0, 255, 1);
    case ColumnType::Int:
      return Integer(column, text, line, -32768, 32767, 2);
    case ColumnType::Long:
      return Integer(column, text, line, INT32_MIN, INT32_MAX, 4);
    case ColumnType::Double:
      return Real(column, text, line);
    case ColumnType::DateTime:
      return DateTime(column, text, line);
    case ColumnType::Decimal:
      return Decimal(column, text, line);
    default:
      FailValue(column, text, line, "cannot be written to this column");
  }
}

}  // namespace mdbwrite
