#include "platform/database.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <fstream>
#include <random>

#include "base/text.h"
#include "platform/mdb/mdb_internal.h"
#include "tests/support/mdb_file.h"

static Variant Make(VariantType type, int64_t integer = 0, double number = 0,
                    std::wstring text = L"") {
  Variant v;
  v.type = type;
  v.integer = integer;
  v.number = number;
  v.text = std::move(text);
  return v;
}

static Variant Text(const std::wstring& text) { return Make(VariantType::Text, 0, 0, text); }

// The date a text converts to, NaN when it converts to none.
static double DateOf(const Variant& v) {
  double d = 12345.0;
  return VariantToDate(v, &d) ? d : NAN;
}

static std::wstring TextOf(const Variant& v) {
  std::wstring t = L"unchanged";
  return VariantToText(v, &t) ? t : L"<failed>";
}

TEST(VariantToDate, DateStaysBitExact) {
  for (double d : {-657434.0, -1.25, 0.0, 44422.854166666664, 2958465.9999884259}) {
    double out = 0;
    ASSERT_TRUE(VariantToDate(Make(VariantType::Date, 0, d), &out));
    EXPECT_EQ(std::bit_cast<uint64_t>(out), std::bit_cast<uint64_t>(d));
  }
}

TEST(VariantToDate, NullEmptyAndBinaryFailWithoutTouchingTheResult) {
  double out = 7.5;
  EXPECT_FALSE(VariantToDate(Make(VariantType::Null), &out));
  EXPECT_FALSE(VariantToDate(Make(VariantType::Empty), &out));
  EXPECT_FALSE(VariantToDate(Make(VariantType::Binary), &out));
  EXPECT_EQ(out, 7.5);
}

TEST(VariantToDate, NumbersAreDayCountsWithinTheDateRange) {
  EXPECT_EQ(DateOf(Make(VariantType::Int16, 2)), 2.0);
  EXPECT_EQ(DateOf(Make(VariantType::Int32, -657434)), -657434.0);
  EXPECT_TRUE(std::isnan(DateOf(Make(VariantType::Int32, 2958466))));
  EXPECT_EQ(DateOf(Make(VariantType::Bool, -1)), -1.0);
  EXPECT_EQ(DateOf(Make(VariantType::Double, 0, 1.5)), 1.5);
  EXPECT_TRUE(std::isnan(DateOf(Make(VariantType::Double, 0, -657435.0))));
  EXPECT_TRUE(std::isnan(DateOf(Make(VariantType::Double, 0, NAN))));
}

TEST(VariantToDate, IsoAndFrenchTextsAreDates) {
  EXPECT_EQ(DateOf(Text(L"2021-08-14 20:30")), 44422.0 + 20.5 / 24);
  EXPECT_EQ(DateOf(Text(L"14/08/2021 20:30:00")), 44422.0 + 20.5 / 24);
  EXPECT_EQ(DateOf(Text(L"  14/8/2021  ")), 44422.0);
  EXPECT_EQ(DateOf(Text(L"1899-12-30")), 0.0);
  // Before the epoch the day counts back and the time still counts forward.
  EXPECT_EQ(DateOf(Text(L"1899-12-29 06:00")), -1.25);
  EXPECT_EQ(DateOf(Text(L"0100-01-01")), -657434.0);
  EXPECT_EQ(DateOf(Text(L"9999-12-31 23:59:59")), 2958465.0 + 86399.0 / 86400);
  EXPECT_EQ(DateOf(Text(L"29/02/2024")), DateOf(Text(L"2024-02-29")));
}

TEST(VariantToDate, TextsThatAreNoDateFail) {
  for (const wchar_t* t :
       {L"", L"   ", L"demain", L"2021-08-14x", L"2021-13-01", L"2021-02-29", L"31/04/2021",
        L"2021-08-14 24:00", L"2021-08-14 20:60", L"2021-08-14 20:30:60", L"2021-08-14 20",
        L"2021-08-14 20:3", L"14/08/21", L"0099-12-31", L"2021-08-14T20:30", L"44422",
        L"14/08/2021 20:30 extra", L"2021-08-14\t20:30"}) {
    EXPECT_TRUE(std::isnan(DateOf(Text(t)))) << ToUtf8(t);
  }
}

TEST(VariantToText, DatesInFrenchOrder) {
  EXPECT_EQ(TextOf(Make(VariantType::Date, 0, 44422.0 + 20.5 / 24)), L"14/08/2021 20:30:00");
  EXPECT_EQ(TextOf(Make(VariantType::Date, 0, 44422.0)), L"14/08/2021");
  EXPECT_EQ(TextOf(Make(VariantType::Date, 0, -1.25)), L"29/12/1899 06:00:00");
  EXPECT_EQ(TextOf(Make(VariantType::Date, 0, 0.75)), L"18:00:00");
  EXPECT_EQ(TextOf(Make(VariantType::Date, 0, 0.0)), L"00:00:00");
  EXPECT_EQ(TextOf(Make(VariantType::Date, 0, 2958465.0 + 86399.0 / 86400)),
            L"31/12/9999 23:59:59");
  EXPECT_EQ(TextOf(Make(VariantType::Date, 0, 1e9)), L"<failed>");
}

TEST(VariantToText, NumbersTextAndNull) {
  EXPECT_EQ(TextOf(Make(VariantType::Int16, -32768)), L"-32768");
  EXPECT_EQ(TextOf(Make(VariantType::Byte, 255)), L"255");
  EXPECT_EQ(TextOf(Make(VariantType::Bool, -1)), L"-1");
  EXPECT_EQ(TextOf(Make(VariantType::Double, 0, 0.1)), L"0.1");
  EXPECT_EQ(TextOf(Make(VariantType::Currency, 0, 12.5)), L"12.5");
  EXPECT_EQ(TextOf(Make(VariantType::Float, 0, static_cast<float>(0.1))), L"0.1");
  EXPECT_EQ(TextOf(Text(L"  Salle A ")), L"  Salle A ");
  EXPECT_EQ(TextOf(Make(VariantType::Empty)), L"");
  EXPECT_EQ(TextOf(Make(VariantType::Null)), L"<failed>");
  EXPECT_EQ(TextOf(Make(VariantType::Binary)), L"<failed>");
}

// ---- Reading files written by mdbwrite ----

static const char kAllTypes[] =
    "table things\n"
    "column flag bool\n"
    "column small byte\n"
    "column count int\n"
    "column big long\n"
    "column real double\n"
    "column when datetime\n"
    "column label text\n"
    "column notes memo\n"
    "row 1\t200\t-32768\t-2147483648\t0.1\t2021-08-14 20:30:00\tOpéra\tun mémo\n"
    "row 0\t0\t-1\t7\t-2.5\tole:-1.25\t\tcourt\n"
    "row 0\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\n";

struct Rows {
  std::vector<std::vector<Variant>> values;
};

static Rows ReadAll(Database& db, const std::string& table, const std::vector<std::string>& names) {
  Rows rows;
  Recordset rs(db, table, names);
  for (; !rs.IsEOF(); rs.MoveNext()) {
    rows.values.emplace_back();
    for (const std::string& name : names) rows.values.back().push_back(rs.GetFieldValue(name));
  }
  rs.Close();
  return rows;
}

class DatabaseFile : public testing::TestWithParam<bool> {
 protected:
  bool jet3() const { return GetParam(); }
  std::string Write(const std::string& description) { return WriteMdb(description, jet3()); }
};

INSTANTIATE_TEST_SUITE_P(Jet, DatabaseFile, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Jet3" : "Jet4"; });

TEST_P(DatabaseFile, ReadsEveryTypeWithItsNaturalVariant) {
  Database db;
  db.Open(Write(kAllTypes));
  Rows r =
      ReadAll(db, "things", {"flag", "small", "count", "big", "real", "when", "label", "notes"});
  ASSERT_EQ(r.values.size(), 3u);
  const std::vector<Variant>& a = r.values[0];
  EXPECT_EQ(a[0].type, VariantType::Bool);
  EXPECT_EQ(a[0].integer, -1);
  EXPECT_EQ(a[1].type, VariantType::Byte);
  EXPECT_EQ(a[1].integer, 200);
  EXPECT_EQ(a[2].type, VariantType::Int16);
  EXPECT_EQ(a[2].integer, -32768);
  EXPECT_EQ(a[3].type, VariantType::Int32);
  EXPECT_EQ(a[3].integer, -2147483648LL);
  EXPECT_EQ(a[4].type, VariantType::Double);
  EXPECT_EQ(a[4].number, 0.1);
  EXPECT_EQ(a[5].type, VariantType::Date);
  EXPECT_EQ(a[5].number, 44422.0 + 20.5 / 24);
  EXPECT_EQ(a[6].type, VariantType::Text);
  EXPECT_EQ(a[6].text, L"Opéra");
  EXPECT_EQ(a[7].type, VariantType::Text);
  EXPECT_EQ(a[7].text, L"un mémo");
  const std::vector<Variant>& b = r.values[1];
  EXPECT_EQ(b[0].integer, 0);
  EXPECT_EQ(b[2].integer, -1);
  EXPECT_EQ(b[4].number, -2.5);
  EXPECT_EQ(b[5].number, -1.25);
  EXPECT_EQ(b[6].type, VariantType::Text);  // empty text, not NULL
  EXPECT_EQ(b[6].text, L"");
  const std::vector<Variant>& c = r.values[2];
  EXPECT_EQ(c[0].type, VariantType::Bool);  // a yes/no column is never NULL
  for (size_t i = 1; i < c.size(); ++i) EXPECT_EQ(c[i].type, VariantType::Null) << i;
}

TEST_P(DatabaseFile, DatesAtTheEndsOfTheRangeAreBitExact) {
  const char* values[] = {"-657434", "-1.25", "-0.999988425925926", "2958465.9999884259",
                          "0.00001157407407407407"};
  std::string description = "table d\ncolumn date datetime\n";
  for (const char* v : values) description += std::string("row ole:") + v + "\n";
  Database db;
  db.Open(Write(description));
  Rows r = ReadAll(db, "d", {"date"});
  ASSERT_EQ(r.values.size(), std::size(values));
  for (size_t i = 0; i < r.values.size(); ++i) {
    EXPECT_EQ(std::bit_cast<uint64_t>(r.values[i][0].number),
              std::bit_cast<uint64_t>(strtod(values[i], nullptr)))
        << values[i];
  }
}

TEST_P(DatabaseFile, TextKeepsEveryCharacterOfItsFormat) {
  std::wstring texts[] = {L"Août à l'Opéra – Cœur €", L"東京 🎭 Ωmega"};
  int count = jet3() ? 1 : 2;  // Jet 3 stores code page 1252
  std::string description = "table t\ncolumn label text\ncolumn notes memo\n";
  for (int i = 0; i < count; ++i) {
    description += "row " + ToUtf8(texts[i]) + "\t" + ToUtf8(texts[i]) + "\n";
  }
  Database db;
  db.Open(Write(description));
  Rows r = ReadAll(db, "t", {"label", "notes"});
  ASSERT_EQ(r.values.size(), static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(r.values[i][0].text, texts[i]);
    EXPECT_EQ(r.values[i][1].text, texts[i]);
  }
}

TEST_P(DatabaseFile, LongMemosOnOneOrManyPagesComeBackWhole) {
  std::string medium(1500, 'm');
  std::string huge;
  for (int i = 0; i < 3000; ++i) huge += std::to_string(i) + ",";
  Database db;
  db.Open(Write("table t\ncolumn notes memo\nrow " + medium + "\nrow " + huge + "\n"));
  Rows r = ReadAll(db, "t", {"notes"});
  ASSERT_EQ(r.values.size(), 2u);
  EXPECT_EQ(r.values[0][0].text, FromUtf8(medium));
  EXPECT_EQ(r.values[1][0].text, FromUtf8(huge));
}

TEST_P(DatabaseFile, RowsComeInFileOrderAcrossManyPages) {
  std::string description = "table shows\ncolumn id long\ncolumn name text\n";
  for (int i = 0; i < 3000; ++i) {
    description += "row " + std::to_string(i) + "\tshow number " + std::to_string(i) + "\n";
  }
  Database db;
  db.Open(Write(description));
  Recordset rs(db, "shows", {"id", "name"});
  int expected = 0;
  for (; !rs.IsEOF(); rs.MoveNext(), ++expected) {
    ASSERT_EQ(rs.GetFieldValue("id").integer, expected);
    ASSERT_EQ(rs.GetFieldValue("name").text, L"show number " + std::to_wstring(expected));
  }
  EXPECT_EQ(expected, 3000);
  EXPECT_THROW(rs.MoveNext(), DatabaseError);
  EXPECT_THROW(rs.GetFieldValue("id"), DatabaseError);
}

TEST_P(DatabaseFile, MovedRowsComeWhereTheirPointerIs) {
  Database db;
  db.Open(Write("table t\ncolumn id long\nrow 1\nmoved 2\nrow 3\nmoved 4\nmoved 5\nrow 6\n"));
  std::vector<int64_t> ids;
  for (const auto& row : ReadAll(db, "t", {"id"}).values) ids.push_back(row[0].integer);
  EXPECT_EQ(ids, (std::vector<int64_t>{1, 2, 3, 4, 5, 6}));
}

TEST(DatabaseDecimal, ExactAsTextNearestAsNumber) {
  Database db;
  db.Open(
      WriteMdb("table t\ncolumn d decimal 28 4\nrow -12.34\nrow 123456789012345678901234.5678\n"
               "row 0.0001\nrow 45000.5\nrow -0\nrow \\N\n"));
  Rows r = ReadAll(db, "t", {"d"});
  ASSERT_EQ(r.values.size(), 6u);
  const wchar_t* texts[] = {L"-12.34", L"123456789012345678901234.5678", L"0.0001", L"45000.5",
                            L"0"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(r.values[i][0].type, VariantType::Decimal);
    EXPECT_EQ(TextOf(r.values[i][0]), texts[i]);
    EXPECT_EQ(r.values[i][0].number, std::wcstod(texts[i], nullptr));
  }
  EXPECT_EQ(DateOf(r.values[3][0]), 45000.5);  // a day count, as other numbers
  EXPECT_TRUE(std::isnan(DateOf(r.values[1][0])));
  EXPECT_EQ(r.values[5][0].type, VariantType::Null);
}

TEST_P(DatabaseFile, NamesAreNamesMatchedWithoutRegardToCase) {
  Database db;
  db.Open(Write(std::string(kShowsColumns) +
                "row 1\tCarmen\t2021-08-14 20:30:00\tSalle A\t\\N\t\\N\tcarmen.jpg\t3\n" +
                kAnnoncesColumns));
  Recordset rs(db, "SHOWS", {"Date", "WHERE", "name", "ndays"});
  ASSERT_FALSE(rs.IsEOF());
  EXPECT_EQ(rs.GetFieldValue("where").text, L"Salle A");
  EXPECT_EQ(rs.GetFieldValue("date").type, VariantType::Date);
  EXPECT_EQ(rs.GetFieldValue("NDAYS").integer, 3);
  EXPECT_THROW(rs.GetFieldValue("visual"), DatabaseError);  // not in the query
  rs.MoveNext();
  EXPECT_TRUE(rs.IsEOF());
  Recordset empty(db, "annonces", {"template", "duration", "starting", "ending"});
  EXPECT_TRUE(empty.IsEOF());
}

TEST_P(DatabaseFile, MissingTableOrColumnThrows) {
  Database db;
  db.Open(Write(kShowsColumns));
  EXPECT_THROW(Recordset(db, "annonces", {"template"}), DatabaseError);
  EXPECT_THROW(Recordset(db, "shows", {"id", "nom"}), DatabaseError);
  EXPECT_THROW(Recordset(db, "shows", {"id,name"}), DatabaseError);
}

TEST_P(DatabaseFile, ClosingTwiceAndReopeningWork) {
  std::string path = Write(std::string(kShowsColumns) + "row 1\tA\t\\N\t\\N\t\\N\t\\N\t\\N\t1\n");
  Database db;
  db.Close();
  db.Open(path);
  EXPECT_TRUE(db.IsOpen());
  Recordset rs(db, "shows", {"name"});
  db.Close();
  db.Close();
  EXPECT_FALSE(db.IsOpen());
  EXPECT_EQ(rs.GetFieldValue("name").text, L"A");  // the row already read stays
  EXPECT_THROW(rs.MoveNext(), DatabaseError);
  EXPECT_THROW(Recordset(db, "shows", {"name"}), DatabaseError);
  db.Open(path);
  db.Open(path);
  EXPECT_EQ(ReadAll(db, "shows", {"name"}).values.size(), 1u);
}

TEST(DatabaseOpen, FilesThatAreNoDatabaseThrow) {
  std::string dir = MakeTempDir();
  Database db;
  EXPECT_THROW(db.Open(dir + "/missing.mdb"), DatabaseError);
  EXPECT_THROW(db.Open(dir), DatabaseError);
  std::ofstream(dir + "/text.mdb") << std::string(16384, 'x');
  EXPECT_THROW(db.Open(dir + "/text.mdb"), DatabaseError);
  std::ofstream(dir + "/empty.mdb");
  EXPECT_THROW(db.Open(dir + "/empty.mdb"), DatabaseError);
  EXPECT_FALSE(db.IsOpen());
}

// ---- Damaged files: each must read consistently or throw DatabaseError ----

static std::string SampleDescription() {
  std::string d = kShowsColumns;
  for (int i = 0; i < 120; ++i) {
    d += "row " + std::to_string(i) + "\tSpectacle " + std::to_string(i) +
         "\t2021-08-14 20:30:00\t" + (i % 3 ? "Salle A" : "\\N") + "\tun\t" +
         std::string(i % 7 == 0 ? 250 : 5, 't') + "\taffiche" + std::to_string(i) + ".jpg\t" +
         std::to_string(i % 5 - 1) + "\n";
  }
  d += std::string(kAnnoncesColumns) + "row promo\t30\t2021-08-14 10:00:00\tole:-1.5\n";
  d += "table notes\ncolumn body memo\nrow " + std::string(9000, 'n') + "\nrow court\n";
  return d;
}

// True when both tables were read, false when a DatabaseError came.
static bool TryRead(const std::string& path, std::string* message = nullptr) {
  try {
    Database db;
    db.Open(path);
    ReadAll(db, "shows", {"id", "name", "date", "where", "text1", "text2", "visual", "ndays"});
    ReadAll(db, "annonces", {"template", "duration", "starting", "ending"});
    ReadAll(db, "notes", {"body"});
    return true;
  } catch (const DatabaseError& e) {
    if (message != nullptr) *message = e.what();
    return false;
  }
}

// A message names the file, or the table and what is missing or damaged.
static bool SaysWhere(const std::string& message, const std::string& path) {
  return message.starts_with(path + ": ") || message.starts_with("no table ") ||
         message.starts_with("no column ") ||
         (message.starts_with("damaged database: ") && message.ends_with(")") &&
          message.find("(table ") != std::string::npos);
}

static void Spill(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The message of the DatabaseError that opening `path` throws.
static std::string OpenError(const std::string& path) {
  try {
    Database db;
    db.Open(path);
  } catch (const DatabaseError& e) {
    return e.what();
  }
  return "<opened>";
}

TEST(DatabaseOpen, FifoAndFolderAreRefusedAtOnce) {
  std::string dir = MakeTempDir();
  ASSERT_EQ(mkfifo((dir + "/fifo.mdb").c_str(), 0600), 0);
  EXPECT_EQ(OpenError(dir + "/fifo.mdb"), dir + "/fifo.mdb: not a regular file");
  EXPECT_EQ(OpenError(dir), dir + ": a folder, not a file");
}

// Header fields are changed in place; those past 0x18 are masked with a key
// stream, so flipping a bit of the file flips the same bit of the field.
TEST(DatabaseOpen, OtherFormatsAndLockedFilesAreRefusedWithTheirCause) {
  std::string path = WriteMdb(kShowsColumns);
  const std::string whole = Slurp(path);
  auto withBytes = [&](size_t at, const std::string& bytes, bool flip = false) {
    std::string changed = whole;
    for (size_t i = 0; i < bytes.size(); ++i) {
      changed[at + i] = flip ? static_cast<char>(changed[at + i] ^ bytes[i]) : bytes[i];
    }
    std::string copy = MakeTempDir() + "/list.mdb";
    Spill(copy, changed);
    std::string message = OpenError(copy);
    return message.substr(message.find(": ") + 2);
  };
  EXPECT_EQ(withBytes(4, "Standard ACE DB"),
            "an Access 2007 or later (.accdb) database; only Jet 3 and Jet 4 files are read");
  EXPECT_EQ(withBytes(0x14, "\x05"),
            "a database of a later format than Jet 4; only Jet 3 and Jet 4 files are read");
  EXPECT_EQ(withBytes(0x3E, "\x01", true), "the database is encrypted");
  EXPECT_EQ(withBytes(0x42, "p", true), "the database is protected by a password");
  EXPECT_EQ(withBytes(4, "Standard Jim DB"), "not an Access (Jet 3 or Jet 4) database");
  EXPECT_EQ(withBytes(0, "\x01"), "not an Access (Jet 3 or Jet 4) database");
}

// The connection reads the file as it was when it opened, and can tell that
// the file no longer holds it.
TEST(DatabaseOpen, AFileChangedWhileOpenIsReadAsItWasOpened) {
  std::string path = WriteMdb(SampleDescription());
  Database db;
  db.Open(path);
  EXPECT_TRUE(db.FileUnchanged());
  std::string whole = Slurp(path);
  ASSERT_EQ(truncate(path.c_str(), 4 * 4096), 0);
  EXPECT_FALSE(db.FileUnchanged());
  EXPECT_GT(ReadAll(db, "shows", {"id"}).values.size(), 0u);
  Spill(path, whole + std::string(4096, '\0'));
  EXPECT_FALSE(db.FileUnchanged());
  Spill(path, whole);
  EXPECT_TRUE(db.FileUnchanged());
}

TEST_P(DatabaseFile, TruncatedFilesThrowOrRead) {
  std::string path = Write(SampleDescription());
  std::string whole = Slurp(path);
  ASSERT_TRUE(TryRead(path));
  size_t page = jet3() ? 2048 : 4096;
  std::string damaged = path + ".cut";
  for (size_t length = 0; length < whole.size(); length += length % page < 8 ? 1 : 61) {
    Spill(damaged, whole.substr(0, length));
    EXPECT_FALSE(TryRead(damaged)) << length;  // a cut file is never whole pages
    Spill(damaged, whole.substr(0, length / page * page));
    TryRead(damaged);
  }
}

TEST_P(DatabaseFile, FilesWithFlippedBytesThrowOrRead) {
  std::string path = Write(SampleDescription());
  std::string whole = Slurp(path);
  size_t page = jet3() ? 2048 : 4096;
  std::string damaged = path + ".flipped";
  std::mt19937 random(20210814);
  int failures = 0;
  const int kRounds = 3000;
  for (int round = 0; round < kRounds; ++round) {
    std::string bytes = whole;
    int flips = 1 + static_cast<int>(random() % 3);
    for (int i = 0; i < flips; ++i) {
      size_t pageStart = random() % (whole.size() / page) * page;
      // Half the flips hit page headers and row tables, half anywhere.
      size_t at = round % 2 ? pageStart + random() % 96 : random() % whole.size();
      bytes[at] = static_cast<char>(random());
    }
    Spill(damaged, bytes);
    std::string message;
    failures += TryRead(damaged, &message) ? 0 : 1;
    EXPECT_TRUE(message.empty() || SaysWhere(message, damaged)) << message;
  }
  RecordProperty("failures", failures);
  EXPECT_GT(failures, 0);
  EXPECT_LT(failures, kRounds);
}

// ---- Row flags, set by hand on a file mdbwrite wrote ----

// A table of three rows whose ids are easy to find in the file.
class RowFlags : public DatabaseFile {
 protected:
  void SetUp() override {
    path_ = Write(
        "table t\ncolumn id long\ncolumn name text\nrow 1515851777\tun\n"
        "row 1515851778\tdeux\nrow 1515851779\ttrois\n");
    bytes_ = Slurp(path_);
    size_t at = bytes_.find("\x01\x10\x5A\x5A");  // 0x5A5A1001, the first id
    ASSERT_NE(at, std::string::npos);
    pageSize_ = jet3() ? 2048 : 4096;
    page_ = at / pageSize_ * pageSize_;
    rowTable_ = page_ + (jet3() ? 8 : 12) + 2;
  }
  uint16_t Entry(int row) const {
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes_[rowTable_ + 2 * row]) |
                                 static_cast<unsigned char>(bytes_[rowTable_ + 2 * row + 1]) << 8);
  }
  void SetEntry(int row, uint16_t value) {
    bytes_[rowTable_ + 2 * row] = static_cast<char>(value & 0xFF);
    bytes_[rowTable_ + 2 * row + 1] = static_cast<char>(value >> 8);
  }
  std::vector<int64_t> Ids() {
    Spill(path_, bytes_);
    Database db;
    db.Open(path_);
    std::vector<int64_t> ids;
    for (const auto& row : ReadAll(db, "t", {"id"}).values) ids.push_back(row[0].integer & 0xF);
    return ids;
  }
  std::string path_, bytes_;
  size_t pageSize_ = 0, page_ = 0, rowTable_ = 0;
};

INSTANTIATE_TEST_SUITE_P(Jet, RowFlags, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Jet3" : "Jet4"; });

TEST_P(RowFlags, DeletedRowsAreSkipped) {
  EXPECT_EQ(Ids(), (std::vector<int64_t>{1, 2, 3}));
  SetEntry(1, Entry(1) | 0x8000);
  EXPECT_EQ(Ids(), (std::vector<int64_t>{1, 3}));
  SetEntry(2, 0xFFFF);  // the offset of a deleted row is never used
  EXPECT_EQ(Ids(), (std::vector<int64_t>{1}));
}

TEST_P(RowFlags, OverflowRowsAreReadWhereTheyPoint) {
  // Row 0 becomes a pointer to row 2, which is then only reached through it.
  uint32_t pointer = static_cast<uint32_t>(page_ / pageSize_) << 8 | 2;
  for (int i = 0; i < 4; ++i) bytes_[page_ + (Entry(0) & 0x1FFF) + i] = (pointer >> 8 * i) & 0xFF;
  SetEntry(0, Entry(0) | 0x4000);
  SetEntry(2, Entry(2) | 0x8000);
  EXPECT_EQ(Ids(), (std::vector<int64_t>{3, 2}));
  // A pointer to a row that does not exist.
  bytes_[page_ + (Entry(0) & 0x1FFF)] = 9;
  EXPECT_THROW(Ids(), DatabaseError);
}

// ---- Text as Jet stores it ----

static std::wstring Decode(bool jet3, const std::string& bytes) {
  MdbConnection c;
  c.jet3 = jet3;
  return DecodeText(c, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

TEST(StoredText, Jet4PlainAndCompressedUnicode) {
  EXPECT_EQ(Decode(false, std::string("A\0\xE9\0", 4)), L"A\u00E9");
  EXPECT_EQ(Decode(false, std::string("<\xD8\xAD\xDF", 4)), L"\U0001F3AD");  // surrogate pair
  EXPECT_EQ(Decode(false, std::string("\x3D\xD8", 2)), L"\uFFFD");           // lone surrogate
  EXPECT_EQ(Decode(false,
                   "\xFF\xFE"
                   "Ao\xFBt"),
            L"Ao\u00FBt");  // compressed
  // A zero byte switches between one and two bytes a character.
  EXPECT_EQ(Decode(false, std::string("\xFF\xFE"
                                      "a\0\x71\x67\0b",
                                      8)),
            L"a\u6771b");
  EXPECT_EQ(Decode(false, std::string("\xFF\xFE", 2)), L"");
  EXPECT_EQ(Decode(false, std::string("A\0B", 3)), L"A");  // an odd last byte is dropped
}

TEST(StoredText, Jet3CodePage1252) {
  EXPECT_EQ(Decode(true,
                   "C\x9C"
                   "ur \x80 \xE9t\xE9 \x81"),
            L"C\u0153ur \u20AC \u00E9t\u00E9 \uFFFD");
}

// A definition whose usage-map pointer names a row that does not exist.
TEST_P(DatabaseFile, UsageMapPointingToAMissingRowThrows) {
  std::string path = Write(SampleDescription());
  std::string whole = Slurp(path);
  size_t page = jet3() ? 2048 : 4096;
  size_t usageMapRow = jet3() ? 35 : 55;
  int definitions = 0;
  for (size_t start = 0; start < whole.size(); start += page) {
    if (whole[start] != 0x02) continue;
    ++definitions;
    std::string damaged = whole;
    damaged[start + usageMapRow] = 56;
    Spill(path, damaged);
    EXPECT_FALSE(TryRead(path)) << start / page;
  }
  EXPECT_GE(definitions, 4);  // the catalog and three tables
}
