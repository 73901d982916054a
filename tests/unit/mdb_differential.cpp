// Our reader against a second, independent one: every database written here
// is read by platform/mdb and by mdb-export (libmdb), and the two must agree
// value for value. libmdb's known faults, allowed for here and nowhere else:
// - it prints the empty text as NULL: both count as NULL;
// - it returns a row that moved to another page (an overflow row) where the
//   row now lies, not where its pointer is: tables with moved rows are
//   compared without regard to row order;
// - its calendar is wrong before 1900 and after about 2700, and it converts
//   Jet 4 text as UCS-2 (a character beyond U+FFFF comes out as "??"): the
//   cases hold neither.
// Two differences of form are evened out: libmdb prints a decimal with all
// the digits of its scale ("-12.3400", we give "-12.34") and a yes/no value
// as 1 or 0 (we give -1 or 0).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/database.h"
#include "tests/support/mdb_file.h"

namespace {

constexpr char kColumnSeparator = '\x1F';
constexpr char kRowSeparator = '\x1E';

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1) {
    parts.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) parts.push_back(text.substr(start));
  return parts;
}

// A number's fraction without trailing zeros; any other text as it is.
std::string WithoutTrailingZeros(std::string number) {
  if (number.find('.') == std::string::npos ||
      number.find_first_not_of("-.0123456789") != std::string::npos) {
    return number;
  }
  number.erase(number.find_last_not_of('0') + 1);
  if (number.back() == '.') number.pop_back();
  return number == "-0" ? "0" : number;
}

// A table's header and rows as mdb-export gives them, with invisible
// characters escaped; each row's values joined by kColumnSeparator.
std::vector<std::string> ExportRows(const std::string& path, const std::string& table) {
  std::string output = RunCommand(
                           "mdb-export -Q -e -0 NULL -T '%Y-%m-%d %H:%M:%S' "
                           "-d \"$(printf '\\037')\" -R \"$(printf '\\036')\" " +
                           ShellQuote(path) + " " + ShellQuote(table))
                           .output;
  std::vector<std::string> rows = Split(output, kRowSeparator);
  for (std::string& row : rows) {
    std::vector<std::string> values = Split(row, kColumnSeparator);
    row.clear();
    for (size_t i = 0; i < values.size(); ++i) {
      row += (i ? std::string(1, kColumnSeparator) : "") + WithoutTrailingZeros(values[i]);
    }
  }
  return rows;
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '\n' || c == '\t' || c == '\r') {
      out += '\\';
      out += c == '\n' ? 'n' : c == '\t' ? 't' : c == '\r' ? 'r' : '\\';
    } else {
      out += c;
    }
  }
  return out;
}

std::string DateText(double ole) {
  double days = std::floor(ole);
  auto seconds = static_cast<time_t>(std::llround((days - 25569) * 86400 + (ole - days) * 86400));
  struct tm parts;
  gmtime_r(&seconds, &parts);
  char text[32];
  strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
  return text;
}

// A value as mdb-export prints it, with the known faults applied.
std::string AsExported(const Variant& v) {
  char number[64];
  switch (v.type) {
    case VariantType::Null:
      return "NULL";
    case VariantType::Bool:
      return v.integer ? "1" : "0";
    case VariantType::Byte:
    case VariantType::Int16:
    case VariantType::Int32:
      return std::to_string(v.integer);
    case VariantType::Double:
      snprintf(number, sizeof number, "%.16g", v.number);
      return WithoutTrailingZeros(number);
    case VariantType::Date:
      return DateText(v.number);
    case VariantType::Text:
      return v.text.empty() ? "NULL" : Escaped(ToUtf8(v.text));
    case VariantType::Decimal:
      return ToUtf8(v.text);
    default:
      return "<unexpected type>";
  }
}

std::vector<std::string> OurRows(const std::string& path, const std::string& table,
                                 const std::vector<std::string>& columns) {
  Database db;
  db.Open(path);
  std::vector<std::string> rows;
  for (Recordset rs(db, table, columns); !rs.IsEOF(); rs.MoveNext()) {
    std::string row;
    for (size_t i = 0; i < columns.size(); ++i) {
      row += (i ? std::string(1, kColumnSeparator) : "") + AsExported(rs.GetFieldValue(columns[i]));
    }
    rows.push_back(row);
  }
  return rows;
}

// Writes `description` and compares every table both readers find.
void ExpectSameReading(const std::string& description, bool jet3) {
  const std::string path = WriteMdb(description, jet3);
  const std::vector<std::string> tables =
      Split(RunCommand("mdb-tables -1 " + ShellQuote(path)).output, '\n');
  ASSERT_FALSE(tables.empty());
  for (const std::string& table : tables) {
    std::vector<std::string> theirs = ExportRows(path, table);
    ASSERT_FALSE(theirs.empty()) << table;
    std::vector<std::string> columns = Split(theirs[0], kColumnSeparator);
    theirs.erase(theirs.begin());
    std::vector<std::string> ours = OurRows(path, table, columns);
    if (description.find("\nmoved ") != std::string::npos) {
      std::sort(theirs.begin(), theirs.end());
      std::sort(ours.begin(), ours.end());
    }
    ASSERT_EQ(ours.size(), theirs.size()) << table;
    for (size_t i = 0; i < ours.size(); ++i) EXPECT_EQ(ours[i], theirs[i]) << table << " row " << i;
  }
}

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

class Differential : public testing::TestWithParam<bool> {
 protected:
  void Expect(const std::string& description) { ExpectSameReading(description, GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(Jet, Differential, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Jet3" : "Jet4"; });

TEST_P(Differential, EveryTypeNullsAndEmptyTexts) {
  Expect(
      "table things\ncolumn b bool\ncolumn y byte\ncolumn i int\ncolumn l long\n"
      "column d double\ncolumn w datetime\ncolumn s text\ncolumn m memo\n"
      "row 1\t200\t-32768\t-2147483648\t0.1\t2021-08-14 20:30:00\tOpéra – Cœur €\tun mémo\n"
      "row 0\t0\t-1\t7\t-2.5e-300\t1900-03-01\t\t\n"
      "row true\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\n"
      "row 0\t255\t32767\t2147483647\t1234567890.123456789\t2099-12-31 23:59:59\ta\\tb\\nc\\\\\t"
      "x\\ny\n");
}

TEST_P(Differential, DeletedColumnsLeaveGapsAndAHigherVariableCount) {
  Expect(
      "table shows\ndeleted text\ncolumn id long\ndeleted int\ncolumn name text\ndeleted memo\n"
      "column ndays int\ndeleted text\n"
      "row 1\tCarmen\t3\nrow 2\t\\N\t\\N\nrow 3\t\t-1\n");
}

TEST_P(Differential, MovedRowsAreFoundThroughTheirPointers) {
  std::string description = "table t\ncolumn id long\ncolumn name text\n";
  for (int i = 0; i < 300; ++i) {
    description += (i % 7 == 3 ? "moved " : "row ") + std::to_string(i) + "\tname " +
                   std::string(i % 50, 'n') + "\n";
  }
  Expect(description);
}

TEST_P(Differential, MemosInlineOnOnePageAndOnChains) {
  std::string description = "table notes\ncolumn id int\ncolumn body memo\n";
  const int lengths[] = {0, 1, 64, 65, 2000, 4080, 4097, 9000, 20000};
  for (int length : lengths) {
    description += "row " + std::to_string(length) + "\t" + Repeat("é", length / 3) +
                   std::string(length - length / 3, 'm') + "\n";
  }
  Expect(description);
}

TEST_P(Differential, ADefinitionOverSeveralPages) {
  std::string description = "table wide\n", row = "row ";
  for (int c = 0; c < 150; ++c) {
    std::string name = "a_rather_long_column_name_" + std::to_string(c);
    description += "column " + name + (c % 3 ? " long\n" : " text\n");
    row += (c ? "\t" : "") + (c % 3 ? std::to_string(c * 1000) : c % 2 ? "\\N" : "t");
  }
  Expect(description + row + "\n" + row + "\n");
}

TEST_P(Differential, RowsWiderThan256Bytes) {
  std::string description = "table v\ncolumn a text\ncolumn n int\ncolumn b text\ncolumn c text\n";
  for (int i = 0; i < 300; ++i) {
    description += "row " + std::string(i % 250, 'a') + "\t" + std::to_string(i) + "\t" +
                   std::string((i * 7) % 250, 'b') + "\t" + (i % 5 ? "\\N" : "c") + "\n";
  }
  Expect(description);
}

TEST_P(Differential, ManyRowsOverManyPages) {
  std::string description = kShowsColumns;
  for (int i = 0; i < 3000; ++i) {
    description += "row " + std::to_string(i) + "\tShow " + std::to_string(i) +
                   "\t2021-08-14 20:30:00\t\\N\t\t\\N\tv.jpg\t" + std::to_string(i % 500) + "\n";
  }
  Expect(description + kAnnoncesColumns);
}

TEST(DifferentialJet4, CompressedTextInlineAndInMemos) {
  ExpectSameReading(
      "table t\ncolumn a text compressed\ncolumn m memo compressed\ncolumn p text\n"
      "row Opéra\tcourt\tplain\n"
      "row 東京 and Paris\t" +
          Repeat("mémoire 東 ", 900) +
          "\tx\n"
          "row \t\t\nrow \\N\t\\N\t\\N\nrow Ā\\tĀ\t" +
          Repeat("Ā", 3000) + "\tĀ\n",
      false);
}

TEST(DifferentialJet4, DecimalsOfEveryScaleAndSign) {
  ExpectSameReading(
      "table money\ncolumn price decimal 18 4\ncolumn big decimal 28 0\ncolumn tiny decimal 28 28\n"
      "row -12.34\t9999999999999999999999999999\t0.0000000000000000000000000001\n"
      "row 0\t-1\t-0.9999999999999999999999999999\n"
      "row 99999999999999.9999\t0\t0\n"
      "row \\N\t\\N\t\\N\n",
      false);
}

}  // namespace
