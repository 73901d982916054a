#include "tools/mdbwrite/description.h"

#include <cctype>
#include <sstream>

#include "tools/mdbwrite/fields.h"
#include "tools/mdbwrite/text.h"

namespace mdbwrite {

static const size_t kMaxNameLength = 64;
static const size_t kMaxColumns = 255;

struct TypeName {
  const char* name;
  ColumnType type;
};

static const TypeName kTypes[] = {
    {"bool", ColumnType::Bool}, {"byte", ColumnType::Byte},     {"int", ColumnType::Int},
    {"long", ColumnType::Long}, {"double", ColumnType::Double}, {"datetime", ColumnType::DateTime},
    {"text", ColumnType::Text}, {"memo", ColumnType::Memo},     {"decimal", ColumnType::Decimal},
};

static bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

static void CheckName(const Format& format, const std::string& name, int line) {
  if (EncodedLength(format, EncodeText(format, name, line)) > kMaxNameLength) {
    Fail(line, "the name \"" + name + "\" is longer than 64 characters");
  }
  for (unsigned char c : name) {
    if (c < 0x20) Fail(line, "the name \"" + name + "\" holds a control character");
  }
}

static size_t LiveColumns(const Table& table) {
  size_t count = 0;
  for (const Column& column : table.columns) count += column.deleted ? 0 : 1;
  return count;
}

static void CheckHasColumns(const std::vector<Table>& tables) {
  if (!tables.empty() && LiveColumns(tables.back()) == 0) {
    Fail(tables.back().line, "table \"" + tables.back().name + "\" has no columns");
  }
}

static void ParseTable(const Format& format, std::string_view rest, int line,
                       std::vector<Table>& tables) {
  const size_t begin = rest.find_first_not_of(" \t");
  const size_t end = rest.find_last_not_of(" \t");
  const std::string name(begin == std::string_view::npos ? ""
                                                         : rest.substr(begin, end + 1 - begin));
  if (name.empty()) Fail(line, "a table needs a name");
  CheckName(format, name, line);
  if (SameName(name, "MSysObjects")) Fail(line, "the table name \"" + name + "\" is reserved");
  for (const Table& table : tables) {
    if (SameName(table.name, name)) Fail(line, "a second table named \"" + name + "\"");
  }
  CheckHasColumns(tables);
  tables.push_back(Table{name, line, {}, {}});
}

static ColumnType ParseType(const std::string& type, int line) {
  for (const TypeName& known : kTypes) {
    if (type == known.name) return known.type;
  }
  Fail(line, "unknown column type \"" + type +
                 "\" (bool, byte, int, long, double, datetime, text, memo or decimal)");
}

// The words after the type: "compressed" for Jet 4 text and memo, precision
// and scale for a decimal.
static void ParseOptions(const Format& format, std::istringstream& words, Column& column,
                         int line) {
  std::string option, extra;
  const bool isText = column.type == ColumnType::Text || column.type == ColumnType::Memo;
  if (column.type == ColumnType::Decimal) {
    if (format.jet3) Fail(line, "decimal columns exist in Jet 4 only");
    if (!(words >> column.precision >> column.scale) || column.precision < 1 ||
        column.precision > 28 || column.scale < 0 || column.scale > column.precision) {
      Fail(line, "expected: column NAME decimal PRECISION SCALE (1 to 28, 0 to PRECISION)");
    }
  } else if (isText && !format.jet3 && (words >> option) && option == "compressed") {
    column.compressed = true;
  } else if (!option.empty()) {
    Fail(line, "unknown option \"" + option + "\" (only Jet 4 text and memo take compressed)");
  }
  if (words >> extra) Fail(line, "unexpected \"" + extra + "\" after the column's type");
}

static Table& TableForColumn(std::vector<Table>& tables, int line) {
  if (tables.empty()) Fail(line, "a column before any table");
  Table& table = tables.back();
  if (!table.rows.empty()) Fail(line, "a column after the first row of its table");
  if (table.columns.size() == kMaxColumns) Fail(line, "more than 255 columns in a table");
  return table;
}

static void ParseColumn(const Format& format, std::string_view rest, int line,
                        std::vector<Table>& tables) {
  std::istringstream words{std::string(rest)};
  std::string name, type;
  if (!(words >> name >> type)) Fail(line, "expected: column NAME TYPE");
  Table& table = TableForColumn(tables, line);
  CheckName(format, name, line);
  for (const Column& column : table.columns) {
    if (!column.deleted && SameName(column.name, name)) {
      Fail(line, "a second column named \"" + name + "\"");
    }
  }
  Column column{name, ParseType(type, line)};
  ParseOptions(format, words, column, line);
  table.columns.push_back(column);
}

static void ParseDeleted(const Format& format, std::string_view rest, int line,
                         std::vector<Table>& tables) {
  std::istringstream words{std::string(rest)};
  std::string type;
  if (!(words >> type)) Fail(line, "expected: deleted TYPE");
  Table& table = TableForColumn(tables, line);
  Column column{"", ParseType(type, line)};
  column.deleted = true;
  ParseOptions(format, words, column, line);
  table.columns.push_back(column);
}

static std::string Count(size_t count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

static std::vector<std::string_view> SplitAtTabs(std::string_view values) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (true) {
    const size_t tab = values.find('\t', start);
    parts.push_back(values.substr(start, tab - start));
    if (tab == std::string_view::npos) return parts;
    start = tab + 1;
  }
}

// One value for each column that is not deleted; deleted columns are NULL.
static void ParseRow(const Format& format, std::string_view text, bool moved, int line,
                     std::vector<Table>& tables) {
  if (tables.empty() || tables.back().columns.empty()) Fail(line, "a row before any column");
  Table& table = tables.back();
  const std::vector<std::string_view> values = SplitAtTabs(text);
  if (values.size() != LiveColumns(table)) {
    Fail(line, "the row has " + Count(values.size(), "value") + ", table \"" + table.name +
                   "\" has " + Count(LiveColumns(table), "column"));
  }
  Row row{line, {}, moved};
  size_t next = 0;
  for (const Column& column : table.columns) {
    row.fields.push_back(column.deleted ? Field{}
                                        : EncodeField(format, column, values[next++], line));
  }
  table.rows.push_back(std::move(row));
}

static void ParseLine(const Format& format, std::string_view text, int line,
                      std::vector<Table>& tables) {
  if (text.starts_with("row ")) return ParseRow(format, text.substr(4), false, line, tables);
  if (text.starts_with("moved ")) return ParseRow(format, text.substr(6), true, line, tables);
  const size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos || text[begin] == '#') return;
  const std::string_view content = text.substr(begin);
  const size_t space = content.find_first_of(" \t");
  const std::string_view keyword = content.substr(0, space);
  const std::string_view rest = space == std::string_view::npos ? "" : content.substr(space);
  if (keyword == "table") return ParseTable(format, rest, line, tables);
  if (keyword == "column") return ParseColumn(format, rest, line, tables);
  if (keyword == "deleted") return ParseDeleted(format, rest, line, tables);
  if (keyword == "row") Fail(line, "a row is \"row \" followed by TAB-separated values");
  Fail(line, "expected a table, column, deleted, row or moved line");
}

std::vector<Table> ParseDescription(std::string_view text, const Format& format) {
  std::vector<Table> tables;
  int line = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view content = text.substr(start, end - start);
    if (content.ends_with('\r')) content.remove_suffix(1);
    ParseLine(format, content, ++line, tables);
    start = end + 1;
  }
  CheckHasColumns(tables);
  return tables;
}

}  // namespace mdbwrite
