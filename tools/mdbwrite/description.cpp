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
    {"text", ColumnType::Text}, {"memo", ColumnType::Memo},
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

static void CheckHasColumns(const std::vector<Table>& tables) {
  if (!tables.empty() && tables.back().columns.empty()) {
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
                 "\" (bool, byte, int, long, double, datetime, text or memo)");
}

static void ParseColumn(const Format& format, std::string_view rest, int line,
                        std::vector<Table>& tables) {
  std::istringstream words{std::string(rest)};
  std::string name, type, extra;
  if (!(words >> name >> type) || (words >> extra)) Fail(line, "expected: column NAME TYPE");
  if (tables.empty()) Fail(line, "a column before any table");
  Table& table = tables.back();
  if (!table.rows.empty()) Fail(line, "a column after the first row of its table");
  if (table.columns.size() == kMaxColumns) Fail(line, "more than 255 columns in a table");
  CheckName(format, name, line);
  for (const Column& column : table.columns) {
    if (SameName(column.name, name)) Fail(line, "a second column named \"" + name + "\"");
  }
  table.columns.push_back(Column{name, ParseType(type, line)});
}

static std::string Count(size_t count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

static void ParseRow(const Format& format, std::string_view values, int line,
                     std::vector<Table>& tables) {
  if (tables.empty() || tables.back().columns.empty()) Fail(line, "a row before any column");
  Table& table = tables.back();
  Row row{line, {}};
  size_t start = 0;
  while (true) {
    const size_t tab = values.find('\t', start);
    const std::string_view value = values.substr(start, tab - start);
    if (row.fields.size() < table.columns.size()) {
      row.fields.push_back(EncodeField(format, table.columns[row.fields.size()], value, line));
    } else {
      row.fields.emplace_back();
    }
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  if (row.fields.size() != table.columns.size()) {
    Fail(line, "the row has " + Count(row.fields.size(), "value") + ", table \"" + table.name +
                   "\" has " + Count(table.columns.size(), "column"));
  }
  table.rows.push_back(std::move(row));
}

static void ParseLine(const Format& format, std::string_view text, int line,
                      std::vector<Table>& tables) {
  if (text.starts_with("row ")) return ParseRow(format, text.substr(4), line, tables);
  const size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos || text[begin] == '#') return;
  const std::string_view content = text.substr(begin);
  const size_t space = content.find_first_of(" \t");
  const std::string_view keyword = content.substr(0, space);
  const std::string_view rest = space == std::string_view::npos ? "" : content.substr(space);
  if (keyword == "table") return ParseTable(format, rest, line, tables);
  if (keyword == "column") return ParseColumn(format, rest, line, tables);
  if (keyword == "row") Fail(line, "a row is \"row \" followed by TAB-separated values");
  Fail(line, "expected a table, column or row line");
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
