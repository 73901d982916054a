// Column values decoded from the row bytes: numbers and dates as stored,
// NULL told apart from the empty text.
#include <bit>
#include <charconv>
#include <set>
#include <string>

#include "base/text.h"
#include "platform/mdb/mdb_internal.h"

static uint64_t Le64(const unsigned char* p) { return Le32(p) | uint64_t{Le32(p + 4)} << 32; }

static void Need(size_t size, size_t needed) {
  if (size < needed) ThrowDatabaseError("damaged database: a value is cut short");
}

// Characters 0x80-0x9F of code page 1252; the rest is Latin-1. The code page
// leaves 0x81, 0x8D, 0x8F, 0x90 and 0x9D undefined: they become U+FFFD, the
// replacement character, rather than a guess at what was meant.
static const char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

// Jet 4 text is UCS-2, or, after the mark FF FE, runs of one byte per
// character (compressed) and of two, each zero byte switching between them.
static std::u16string Jet4Units(const unsigned char* data, size_t size) {
  std::u16string units;
  bool marked = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
  bool compressed = marked;
  for (size_t i = marked ? 2 : 0; i < size;) {
    if (marked && data[i] == 0) {
      compressed = !compressed;
      ++i;
    } else if (compressed) {
      units += static_cast<char16_t>(data[i++]);
    } else if (i + 1 < size) {
      units += static_cast<char16_t>(Le16(data + i));
      i += 2;
    } else {
      break;
    }
  }
  return units;
}

std::wstring DecodeText(const MdbConnection& c, const unsigned char* data, size_t size) {
  if (!c.jet3) return FromUtf16(Jet4Units(data, size));
  std::u16string units;
  for (size_t i = 0; i < size; ++i) {
    unsigned char b = data[i];
    units += b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<char16_t>(b);
  }
  return FromUtf16(units);
}

// A memo or OLE value: a 12-byte header, then the data inline, in one row of
// another page, or in a chain of rows that each begin with the next pointer.
static std::string ReadLongValue(MdbConnection& c, const unsigned char* field, size_t size) {
  if (size == 0) return {};
  Need(size, 12);
  uint32_t header = Le32(field);
  uint32_t length = header & 0x3FFFFFFF;
  uint32_t pointer = Le32(field + 4);
  if ((header & 0xC0000000) == 0x80000000) {
    return std::string(reinterpret_cast<const char*>(field) + 12, size - 12);
  }
  if ((header & 0xC0000000) == 0xC0000000) ThrowDatabaseError("damaged database: bad long value");
  bool chained = (header & 0xC0000000) == 0;
  std::string value;
  std::set<uint32_t> visited;
  while (pointer != 0 && value.size() < length) {
    if (!visited.insert(pointer).second) ThrowDatabaseError("damaged database: long value loops");
    RowSpan span = LocateRow(c, pointer, "a long value");
    const unsigned char* data = c.altPage.bytes.data() + span.start;
    size_t skip = chained ? 4 : 0;
    Need(span.size, skip);
    pointer = chained ? Le32(data) : 0;
    value.append(reinterpret_cast<const char*>(data) + skip, span.size - skip);
  }
  if (value.size() > length) value.resize(length);
  return value;
}

static Variant Number(VariantType type, double number) {
  Variant v;
  v.type = type;
  v.number = number;
  return v;
}

static Variant Integer(VariantType type, int64_t integer) {
  Variant v;
  v.type = type;
  v.integer = integer;
  return v;
}

// A decimal: a sign byte, then the value times 10^scale as a 128-bit integer
// in four 32-bit words, the most significant first, each little-endian. The
// text is exact, without trailing zeros after the point.
static Variant DecimalValue(const JetColumn& column, const unsigned char* p, size_t size) {
  Need(size, 17);
  unsigned __int128 value = 0;
  for (int word = 0; word < 4; ++word) value = value << 32 | Le32(p + 1 + 4 * word);
  std::string digits;
  for (; value != 0; value /= 10)
    digits.insert(digits.begin(), static_cast<char>('0' + value % 10));
  if (digits.size() <= column.scale) digits.insert(0, column.scale + 1 - digits.size(), '0');
  std::string text = digits.substr(0, digits.size() - column.scale);
  std::string fraction = digits.substr(text.size());
  fraction.erase(fraction.find_last_not_of('0') + 1);
  if (!fraction.empty()) text += "." + fraction;
  if (p[0] != 0 && text != "0") text.insert(0, "-");
  Variant v;
  v.type = VariantType::Decimal;
  std::from_chars(text.data(), text.data() + text.size(), v.number);
  v.text.assign(text.begin(), text.end());
  return v;
}

static Variant Fixed(const JetColumn& column, const unsigned char* p, size_t size) {
  switch (column.type) {
    case kByte:
      Need(size, 1);
      return Integer(VariantType::Byte, p[0]);
    case kInt:
      Need(size, 2);
      return Integer(VariantType::Int16, static_cast<int16_t>(Le16(p)));
    case kLong:
      Need(size, 4);
      return Integer(VariantType::Int32, static_cast<int32_t>(Le32(p)));
    case kMoney:
      Need(size, 8);
      return Number(VariantType::Currency, static_cast<int64_t>(Le64(p)) / 10000.0);
    case kFloat:
      Need(size, 4);
      return Number(VariantType::Float, std::bit_cast<float>(Le32(p)));
    case kDouble:
      Need(size, 8);
      return Number(VariantType::Double, std::bit_cast<double>(Le64(p)));
    case kDateTime:
      Need(size, 8);
      return Number(VariantType::Date, std::bit_cast<double>(Le64(p)));
    case kNumeric:
      return DecimalValue(column, p, size);
  }
  Variant v;
  v.type = VariantType::Binary;
  v.bytes.assign(reinterpret_cast<const char*>(p), size);
  return v;
}

Variant DecodeField(MdbConnection& c, const JetColumn& column, const JetField& field) {
  if (column.type == kBool) return Integer(VariantType::Bool, field.isNull ? 0 : -1);
  Variant v;
  if (field.isNull) {
    v.type = VariantType::Null;
    return v;
  }
  const unsigned char* p = c.page.bytes.data() + field.start;
  size_t size = static_cast<size_t>(field.size);
  if (column.type == kText || column.type == kMemo) {
    v.type = VariantType::Text;
    if (column.type == kText) {
      v.text = DecodeText(c, p, size);
    } else {
      std::string bytes = ReadLongValue(c, p, size);
      v.text = DecodeText(c, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    }
    return v;
  }
  if (column.type == kOle) {
    v.type = VariantType::Binary;
    v.bytes = ReadLongValue(c, p, size);
    return v;
  }
  return Fixed(column, p, size);
}
