// The databases that tools/mdbwrite writes, read back by the mdbtools programs
// and, where those programs blur the difference (NULL or empty text, dates
// outside 1899..2700, characters beyond UCS-2), by libmdb's own row cracker.
#include <glib.h>
#include <mdbtools.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/mdb_file.h"

namespace {

struct RawField {
  bool null;
  std::string bytes;
};
using RawRow = std::vector<RawField>;

// Every row of `table` as libmdb finds it, field by field, before conversion.
std::vector<RawRow> ReadRawRows(const std::string& path, const std::string& tableName) {
  std::vector<RawRow> rows;
  MdbHandle* mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
  if (mdb == nullptr) return rows;
  std::string name = tableName;
  MdbTableDef* table = mdb_read_table_by_name(mdb, name.data(), MDB_TABLE);
  if (table != nullptr) {
    mdb_read_columns(table);
    mdb_rewind_table(table);
    while (mdb_fetch_row(table)) {
      int start = 0;
      size_t size = 0;
      mdb_find_row(mdb, table->cur_row - 1, &start, &size);
      std::vector<MdbField> fields(table->num_cols);
      mdb_crack_row(table, start & 0x1FFF, size, fields.data());
      RawRow& row = rows.emplace_back();
      for (const MdbField& field : fields) {
        row.push_back(
            {field.is_null != 0, std::string(static_cast<char*>(field.value), field.siz)});
      }
    }
    mdb_free_tabledef(table);
  }
  mdb_close(mdb);
  return rows;
}

double RawDouble(const RawField& field) {
  double value = 0;
  EXPECT_EQ(field.bytes.size(), sizeof value);
  std::memcpy(&value, field.bytes.data(), std::min(field.bytes.size(), sizeof value));
  return value;
}

// Rows as "a|b|c" lines; NULL shows as NULL, dates as YYYY-MM-DD HH:MM:SS.
std::string Export(const std::string& path, const std::string& table) {
  return RunCommand("mdb-export -H -Q -d '|' -0 NULL -T '%Y-%m-%d %H:%M:%S' " + ShellQuote(path) +
                    " " + table)
      .output;
}

const char kShowRows[] =
    "row 1\tCarmen\t2021-08-14 20:30:00\tSalle A\t\\N\t\\N\tcarmen.jpg\t3\n"
    "row 2\tTosca\t2021-08-15\t\\N\tx\t\tt.jpg\t\\N\n"
    "row -2147483648\tAïda\t1900-03-01 09:05:00\t  \t\\N\t\\N\taida.jpg\t-32768\n";
const char kShowExport[] =
    "1|Carmen|2021-08-14 20:30:00|Salle A|NULL|NULL|carmen.jpg|3\n"
    "2|Tosca|2021-08-15 00:00:00|NULL|x|NULL|t.jpg|NULL\n"
    "-2147483648|Aïda|1900-03-01 09:05:00|  |NULL|NULL|aida.jpg|-32768\n";
const char kAnnonceRows[] = "row promo\t30\t2021-08-14 10:00:00\t2021-08-14 18:00:00\n";

class MdbWrite : public testing::TestWithParam<bool> {
 protected:
  bool jet3() const { return GetParam(); }
  std::string Write(const std::string& description) { return WriteMdb(description, jet3()); }
};

INSTANTIATE_TEST_SUITE_P(Jet, MdbWrite, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "Jet3" : "Jet4");
                         });

TEST_P(MdbWrite, ShowsAndAnnoncesComeBackThroughTheMdbtoolsPrograms) {
  const std::string path =
      Write(std::string(kShowsColumns) + kShowRows + kAnnoncesColumns + kAnnonceRows);
  EXPECT_EQ(RunCommand("mdb-ver " + ShellQuote(path)).output, jet3() ? "JET3\n" : "JET4\n");
  EXPECT_EQ(RunCommand("mdb-tables -1 " + ShellQuote(path)).output, "shows\nannonces\n");
  EXPECT_EQ(Export(path, "shows"), kShowExport);
  EXPECT_EQ(Export(path, "annonces"), "promo|30|2021-08-14 10:00:00|2021-08-14 18:00:00\n");
  const std::string schema = RunCommand("mdb-schema " + ShellQuote(path)).output;
  EXPECT_NE(schema.find("CREATE TABLE [shows]\n (\n\t[id]\t\t\tLong Integer, \n\t[name]\t\t\tText "
                        "(255), \n\t[date]\t\t\tDateTime, \n"),
            std::string::npos)
      << schema;
  EXPECT_NE(schema.find("\t[ndays]\t\t\tInteger\n);"), std::string::npos) << schema;
}

TEST_P(MdbWrite, EveryColumnTypeKeepsItsTypeAndValue) {
  const std::string path = Write(
      "table all\ncolumn b bool\ncolumn y byte\ncolumn i int\ncolumn l long\ncolumn d double\n"
      "column t datetime\ncolumn x text\ncolumn m memo\n"
      "row 1\t255\t32767\t2147483647\t-1.5e+300\t2021-08-14\tA\tshort\n"
      "row false\t0\t-1\t-1\t0.25\t\\N\t\\N\t\\N\n");
  const std::string schema = RunCommand("mdb-schema " + ShellQuote(path)).output;
  EXPECT_NE(schema.find("[b]\t\t\tBoolean NOT NULL, \n\t[y]\t\t\tByte, \n\t[i]\t\t\tInteger, \n"
                        "\t[l]\t\t\tLong Integer, \n\t[d]\t\t\tDouble, \n\t[t]\t\t\tDateTime, \n"
                        "\t[x]\t\t\tText (255), \n\t[m]\t\t\tMemo/Hyperlink (255)\n"),
            std::string::npos)
      << schema;
  EXPECT_EQ(Export(path, "all"),
            "1|255|32767|2147483647|-1.5e+300|2021-08-14 00:00:00|A|short\n"
            "0|0|-1|-1|0.25|NULL|NULL|NULL\n");
}

TEST_P(MdbWrite, NullAndEmptyTextStayApart) {
  const std::string path = Write(
      "table t\ncolumn a text\ncolumn b memo\ncolumn n int\n"
      "row \t\t\\N\nrow \\N\t\\N\t1\n");
  const std::vector<RawRow> rows = ReadRawRows(path, "t");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_FALSE(rows[0][0].null);
  EXPECT_EQ(rows[0][0].bytes, "");
  EXPECT_FALSE(rows[0][1].null);
  EXPECT_TRUE(rows[0][2].null);
  EXPECT_TRUE(rows[1][0].null);
  EXPECT_TRUE(rows[1][1].null);
  EXPECT_FALSE(rows[1][2].null);
}

TEST_P(MdbWrite, DatesAreExactOleDatesOverTheWholeRange) {
  const std::string path = Write(
      "table d\ncolumn t datetime\n"
      "row 1899-12-29 06:00:00\nrow 1899-12-30\nrow 1800-01-01 12:00:00\nrow 0100-01-01\n"
      "row 9999-12-31 23:59:59\nrow 2021-08-14 20:30:00\nrow ole:-1.25\nrow ole:2958466.5\n");
  const std::vector<RawRow> rows = ReadRawRows(path, "d");
  ASSERT_EQ(rows.size(), 8u);
  EXPECT_EQ(RawDouble(rows[0][0]), -1.25);
  EXPECT_EQ(RawDouble(rows[1][0]), 0.0);
  EXPECT_EQ(RawDouble(rows[2][0]), -36522.5);
  EXPECT_EQ(RawDouble(rows[3][0]), -657434.0);
  EXPECT_EQ(RawDouble(rows[4][0]), (2958465.0 * 86400 + 86399) / 86400);
  EXPECT_EQ(RawDouble(rows[5][0]), 44422.854166666664);
  EXPECT_EQ(RawDouble(rows[6][0]), -1.25);
  EXPECT_EQ(RawDouble(rows[7][0]), 2958466.5);
}

TEST_P(MdbWrite, AccentedTextRoundTrips) {
  const std::string path = Write(
      "table t\ncolumn a text\ncolumn m memo\n"
      "row Août Février Décembre à ç œ € ’\tÿ «»\n");
  EXPECT_EQ(Export(path, "t"), "Août Février Décembre à ç œ € ’|ÿ «»\n");
}

TEST_P(MdbWrite, EscapesAndBlanksInTextAreKept) {
  const std::string path = Write("table t\ncolumn a text\nrow a\\tb\\nc\\\\d\nrow   \n");
  EXPECT_EQ(RunCommand("mdb-export -H -e " + ShellQuote(path) + " t").output,
            "\"a\\tb\\nc\\\\d\"\n\"  \"\n");
}

TEST_P(MdbWrite, ManyRowsSpreadOverManyPagesComeBackCompleteAndInOrder) {
  std::string description = kShowsColumns;
  std::string expected;
  for (int i = 0; i < 3000; ++i) {
    const std::string n = std::to_string(i);
    const std::string name = "Show " + n + " " + std::string(i % 60, 'x');
    description += "row " + n + "\t" + name + "\t2021-08-14 20:30:00\t\\N\t\t\\N\t" + n + ".jpg\t" +
                   std::to_string(i % 500 - 100) + "\n";
    expected += n + "|" + name + "|2021-08-14 20:30:00|NULL|NULL|NULL|" + n + ".jpg|" +
                std::to_string(i % 500 - 100) + "\n";
  }
  const std::string path = Write(description);
  EXPECT_GT(std::filesystem::file_size(path), 60u * (jet3() ? 2048 : 4096));
  EXPECT_EQ(Export(path, "shows"), expected);
  EXPECT_EQ(RunCommand("mdb-count " + ShellQuote(path) + " shows").output, "3000\n");
}

TEST_P(MdbWrite, SeveralTablesKeepTheirOwnRows) {
  std::string description;
  for (int t = 0; t < 6; ++t) {
    description += "table t" + std::to_string(t) + "\ncolumn k long\ncolumn v text\n";
    for (int r = 0; r < 200 * t; ++r) {
      description += "row " + std::to_string(r) + "\ttable " + std::to_string(t) + "\n";
    }
  }
  const std::string path = Write(description);
  EXPECT_EQ(RunCommand("mdb-tables -1 " + ShellQuote(path)).output, "t0\nt1\nt2\nt3\nt4\nt5\n");
  for (int t = 0; t < 6; ++t) {
    const std::string rows = Export(path, "t" + std::to_string(t));
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 200 * t);
    EXPECT_EQ(rows.find("table " + std::to_string((t + 1) % 6)), std::string::npos);
  }
}

TEST_P(MdbWrite, MemosOfAnyLengthComeBackWhole) {
  const std::string medium(1500, 'm'), longer(12000, 'L');
  const std::string text255(255, jet3() ? 'e' : 'x');
  const std::string path =
      Write("table t\ncolumn m memo\ncolumn x text\nrow short\t" + text255 + "\nrow " + medium +
            "\tb\nrow " + longer + "\tc\nrow " + medium + "\td\n");
  EXPECT_EQ(Export(path, "t"),
            "short|" + text255 + "\n" + medium + "|b\n" + longer + "|c\n" + medium + "|d\n");
}

TEST_P(MdbWrite, RowsWiderThan256BytesKeepEveryColumn) {
  std::string description = "table w\n";
  std::string row = "row ", expected;
  for (int c = 0; c < 12; ++c) {
    description += "column c" + std::to_string(c) + " text\n";
    const std::string value = c % 3 == 1 ? "\\N" : std::string(37 * c % 150, 'a' + c);
    row += (c ? "\t" : "") + value;
    expected += (c ? "|" : "") + (value == "\\N" ? "NULL" : value.empty() ? "NULL" : value);
  }
  EXPECT_EQ(Export(Write(description + row + "\n"), "w"), expected + "\n");
}

// Jet 3 rows find their variable values through one-byte offsets and a jump
// table per 256 bytes; memos move from the row to long-value pages and chains.
TEST_P(MdbWrite, RowsAndMemosOfEveryLengthComeBackWhole) {
  std::string description = "table v\ncolumn a text\ncolumn n int\ncolumn b text\ncolumn m memo\n";
  std::string expected;
  const int memoLengths[] = {0, 63, 64, 65, 2035, 2036, 2037, 4079, 4080, 4081, 8152, 8153};
  for (int i = 0; i < 600; ++i) {
    const std::string a(i % 256, 'a'), b((i * 7) % 256, 'b');
    const std::string m(memoLengths[i % 12] + i / 12, 'm');
    description += "row " + a + "\t" + std::to_string(i) + "\t" + b + "\t" + m + "\n";
    expected += (a.empty() ? "NULL" : a) + "|" + std::to_string(i) + "|" +
                (b.empty() ? "NULL" : b) + "|" + (m.empty() ? "NULL" : m) + "\n";
  }
  EXPECT_EQ(Export(Write(description), "v"), expected);
}

TEST(MdbWriteJet4, NonLatinTextRoundTripsAsUtf16) {
  const std::string path = WriteMdb("table t\ncolumn a text\nrow 東京 Ελλάδα 😀\n");
  const std::vector<RawRow> rows = ReadRawRows(path, "t");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0].bytes, std::string("\x71\x67\xAC\x4E\x20\x00\x95\x03\xBB\x03\xBB\x03\xAC\x03"
                                          "\xB4\x03\xB1\x03\x20\x00\x3D\xD8\x00\xDE",
                                          24));
  // libmdb converts text as UCS-2 and shows a surrogate pair as two '?'.
  EXPECT_EQ(Export(path, "t"), "東京 Ελλάδα ??\n");
}

TEST(MdbWriteJet4, TextOf255CharactersCountsUtf16Units) {
  std::string accented;
  for (int i = 0; i < 255; ++i) accented += "é";
  EXPECT_EQ(Export(WriteMdb("table t\ncolumn a text\nrow " + accented + "\n"), "t"),
            accented + "\n");
}

struct BadDescription {
  const char* description;
  const char* message;  // stderr after "mdbwrite: <file>: "
  bool jet3 = false;
};

class MdbWriteRejects : public testing::TestWithParam<BadDescription> {};

TEST_P(MdbWriteRejects, WithExitStatus2AMessageAndNoFile) {
  const std::string dir = MakeTempDir();
  std::ofstream(dir + "/d.txt") << GetParam().description;
  const CommandResult result =
      RunCommand("cd " + ShellQuote(dir) + " && " + ShellQuote(BILLORA_TOOLS_DIR "/mdbwrite") +
                 (GetParam().jet3 ? " --jet3" : "") + " d.txt out.mdb 2>&1");
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_EQ(result.output, std::string("mdbwrite: d.txt: ") + GetParam().message + "\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1) << "only d.txt";
}

INSTANTIATE_TEST_SUITE_P(
    Descriptions, MdbWriteRejects,
    testing::Values(
        BadDescription{"table t\ncolumn a int\ncolumn b text\nrow 1\n",
                       "line 4: the row has 1 "
                       "value, table \"t\" has 2 columns"},
        BadDescription{"table t\ncolumn a int\nrow 1\t2\n",
                       "line 3: the row has 2 values, "
                       "table \"t\" has 1 column"},
        BadDescription{"# c\ncolumn a int\n", "line 2: a column before any table"},
        BadDescription{"table t\nrow 1\n", "line 2: a row before any column"},
        BadDescription{"table t\n\ntable u\ncolumn a int\n", "line 1: table \"t\" has no columns"},
        BadDescription{"table t\ncolumn a int\ntable T\n", "line 3: a second table named \"T\""},
        BadDescription{"table t\ncolumn a int\ncolumn A text\n",
                       "line 3: a second column named \"A\""},
        BadDescription{"table t\ncolumn a int\nrow 1\ncolumn b int\n",
                       "line 4: a column after the first row of its table"},
        BadDescription{"table t\ncolumn a integer\n",
                       "line 2: unknown column type \"integer\" "
                       "(bool, byte, int, long, double, datetime, text, memo or decimal)"},
        BadDescription{"table t\ncolumn a\n", "line 2: expected: column NAME TYPE"},
        BadDescription{"table t\ndeleted int\ncolumn a int\nrow 1\t2\n",
                       "line 4: the row has 2 values, table \"t\" has 1 column"},
        BadDescription{"table t\ndeleted text\n", "line 1: table \"t\" has no columns"},
        BadDescription{"table t\ncolumn a decimal 29 2\n",
                       "line 2: expected: column NAME decimal PRECISION SCALE (1 to 28, 0 to "
                       "PRECISION)"},
        BadDescription{"table t\ncolumn a decimal 10 2\n",
                       "line 2: decimal columns exist in Jet 4 only", true},
        BadDescription{"table t\ncolumn a decimal 4 2\nrow 1.234\n",
                       "line 3: column \"a\": \"1.234\" is not a decimal of scale 2 "
                       "([-]DIGITS[.DIGITS])"},
        BadDescription{"table t\ncolumn a decimal 4 2\nrow 123\n",
                       "line 3: column \"a\": \"123\" has more than 4 digits"},
        BadDescription{"table t\ncolumn a text squeezed\n",
                       "line 2: unknown option \"squeezed\" (only Jet 4 text and memo take "
                       "compressed)"},
        BadDescription{"tables t\n",
                       "line 1: expected a table, column, deleted, row or moved line"},
        BadDescription{"table t\ncolumn a int\nrow\n",
                       "line 3: a row is \"row \" followed by TAB-separated values"},
        BadDescription{"table t\ncolumn a int\nrow 32768\n",
                       "line 3: column \"a\": \"32768\" is "
                       "not a whole number from -32768 to 32767"},
        BadDescription{"table t\ncolumn a byte\nrow -1\n",
                       "line 3: column \"a\": \"-1\" is not "
                       "a whole number from 0 to 255"},
        BadDescription{"table t\ncolumn a long\nrow 2147483648\n",
                       "line 3: column \"a\": "
                       "\"2147483648\" is not a whole number from -2147483648 to 2147483647"},
        BadDescription{"table t\ncolumn a int\nrow 1.5\n",
                       "line 3: column \"a\": \"1.5\" is not "
                       "a whole number from -32768 to 32767"},
        BadDescription{"table t\ncolumn a double\nrow 1,5\n",
                       "line 3: column \"a\": \"1,5\" is not a number"},
        BadDescription{"table t\ncolumn a int\nrow \n",
                       "line 3: column \"a\": \"\" is empty (NULL is \\N)"},
        BadDescription{"table t\ncolumn a bool\nrow \\N\n",
                       "line 3: column \"a\": \"\\N\" is not "
                       "allowed: a bool cannot be NULL"},
        BadDescription{"table t\ncolumn a bool\nrow yes\n",
                       "line 3: column \"a\": \"yes\" is not "
                       "a bool (0, 1, false or true)"},
        BadDescription{"table t\ncolumn a datetime\nrow 2021-02-29\n",
                       "line 3: column \"a\": "
                       "\"2021-02-29\" is not a date (YYYY-MM-DD HH:MM:SS, YYYY-MM-DD or "
                       "ole:<number>)"},
        BadDescription{"table t\ncolumn a datetime\nrow 2021-08-14 24:00:00\n",
                       "line 3: column "
                       "\"a\": \"2021-08-14 24:00:00\" is not a date (YYYY-MM-DD HH:MM:SS, "
                       "YYYY-MM-DD or ole:<number>)"},
        BadDescription{"table t\ncolumn a datetime\nrow 0099-12-31\n",
                       "line 3: column \"a\": "
                       "\"0099-12-31\" is not a date (YYYY-MM-DD HH:MM:SS, YYYY-MM-DD or "
                       "ole:<number>)"},
        BadDescription{"table t\ncolumn a datetime\nrow ole:x\n",
                       "line 3: column \"a\": \"ole:x\" is not a date (YYYY-MM-DD HH:MM:SS, "
                       "YYYY-MM-DD or ole:<number>)"},
        BadDescription{"table t\ncolumn a text\nrow a\\rb\n",
                       "line 3: column \"a\": \"a\\rb\" "
                       "holds an unknown escape (only \\t, \\n, \\\\ and \\N)"},
        BadDescription{"table t\ncolumn a text\nrow \xC3\x28\n", "line 3: malformed UTF-8 text"},
        BadDescription{"table t\ncolumn a text\nrow 東京\n",
                       "line 3: character U+6771 cannot be stored in a Jet 3 file", true},
        BadDescription{"table t\ncolumn a text\nrow \xC2\x81\n",
                       "line 3: character U+0081 cannot be stored in a Jet 3 file", true},
        BadDescription{"table t\ncolumn a text\nrow \xEF\xBB\xBFx\n",
                       "line 3: a text cannot begin with U+FEFF"},
        BadDescription{"table msysobjects\n",
                       "line 1: the table name \"msysobjects\" is reserved"}));

TEST(MdbWriteRejectsLong, TextOver255CharactersAndRowsOverAPage) {
  const std::string dir = MakeTempDir();
  std::string wide = "table t\n", row = "row ";
  for (int c = 0; c < 9; ++c) {
    wide += "column c" + std::to_string(c) + " text\n";
    row += (c ? "\t" : "") + std::string(255, 'w');
  }
  std::ofstream(dir + "/wide.txt") << wide << row << "\n";
  std::ofstream(dir + "/long.txt") << "table t\ncolumn a text\nrow " << std::string(256, 'x');
  const std::string tool = ShellQuote(BILLORA_TOOLS_DIR "/mdbwrite") + " ";
  const CommandResult wideResult = RunCommand(tool + dir + "/wide.txt " + dir + "/o.mdb 2>&1");
  EXPECT_EQ(wideResult.exitCode, 2);
  EXPECT_NE(wideResult.output.find("wide.txt: line 11: the row needs 4616 bytes, a page holds "
                                   "4080"),
            std::string::npos)
      << wideResult.output;
  const CommandResult longResult = RunCommand(tool + dir + "/long.txt " + dir + "/o.mdb 2>&1");
  EXPECT_EQ(longResult.exitCode, 2);
  EXPECT_NE(longResult.output.find("long.txt: line 3: column \"a\": \"" + std::string(256, 'x') +
                                   "\" is longer than 255 characters (a memo column takes more)"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir + "/o.mdb"));
}

TEST(MdbWriteCommandLine, ReadsStandardInputAndReplacesOnlyWithACompleteFile) {
  const std::string dir = MakeTempDir();
  const std::string tool = ShellQuote(BILLORA_TOOLS_DIR "/mdbwrite");
  const std::string out = ShellQuote(dir + "/o.mdb");
  EXPECT_EQ(
      RunCommand("printf 'table t\\ncolumn a int\\nrow 7\\n' | " + tool + " - " + out).exitCode, 0);
  EXPECT_EQ(Export(dir + "/o.mdb", "t"), "7\n");
  const CommandResult bad =
      RunCommand("printf 'table t\\nrow 7\\n' | " + tool + " - " + out + " 2>&1");
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_EQ(bad.output, "mdbwrite: stdin: line 2: a row before any column\n");
  EXPECT_EQ(Export(dir + "/o.mdb", "t"), "7\n");
  EXPECT_EQ(RunCommand(tool + " " + out + " 2>&1").exitCode, 2);
  EXPECT_EQ(RunCommand(tool + " --jet5 a b 2>&1").output,
            "mdbwrite: usage: mdbwrite [--jet3] DESCRIPTION OUTPUT\n");
  EXPECT_EQ(RunCommand(tool + " " + ShellQuote(dir + "/none.txt") + " " + out + " 2>&1").exitCode,
            2);
  EXPECT_EQ(
      RunCommand(tool + " - " + ShellQuote(dir + "/no/such/dir.mdb") + " </dev/null 2>&1").exitCode,
      1);
}

}  // namespace
