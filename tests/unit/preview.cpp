// billora-preview on real list.mdb files: the captions, the programme and the
// spoken text of worked examples through the text and the JSON, the two
// clock changes of Europe/Paris, missing posters and refused arguments.
#include "tools/preview/preview.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/mdb_file.h"
#include "tests/support/time_zone.h"

namespace {

using nlohmann::json;

std::string Show(int id, const std::string& name, const std::string& date, const std::string& where,
                 const std::string& visual, const std::string& ndays = "1") {
  return "row " + std::to_string(id) + "\t" + name + "\t" + date + "\t" + where + "\t\\N\t\\N\t" +
         visual + "\t" + ndays + "\n";
}

std::string Slot(const std::string& name, int seconds, const std::string& from,
                 const std::string& to) {
  return "row " + name + "\t" + std::to_string(seconds) + "\t" + from + "\t" + to + "\n";
}

const std::string kAllYear = Slot("promo", 5, "2021-01-01 00:00:00", "2021-12-31 23:59:59");

struct Result {
  int status;
  std::string out, err;
};

class PreviewTest : public ::testing::Test {
 protected:
  // A venue folder: list.mdb, the posters not named in `missing`, the scenes.
  std::string Venue(const std::string& shows, const std::string& slots = kAllYear,
                    const std::vector<std::string>& missing = {}) {
    std::string mdb = WriteMdb(std::string(kShowsColumns) + shows + kAnnoncesColumns + slots);
    std::string dir = std::filesystem::path(mdb).parent_path().string();
    std::filesystem::create_directories(dir + "/medias");
    std::filesystem::create_directories(dir + "/templates");
    for (const char* poster : {"carmen.jpg", "tosca.jpg", "aida.jpg"})
      if (std::find(missing.begin(), missing.end(), poster) == missing.end())
        std::ofstream(dir + "/medias/" + poster) << "poster";
    for (const char* scene : {"billorav", "billora3v", "billora2v", "promo"})
      std::ofstream(dir + "/templates/" + scene + ".kivo") << "scene";
    return dir;
  }

  Result Preview(std::vector<std::string> args) {
    std::ostringstream out, err;
    int status = RunPreview(args, "/nonexistent-folder", out, err);
    return {status, out.str(), err.str()};
  }

  json Json(const std::string& dir, const std::string& at, int passes = 1) {
    Result r = Preview({"--json", "--at", at, "--passes", std::to_string(passes), dir});
    EXPECT_EQ(r.status, 0) << r.err;
    return json::parse(r.out);
  }

  ScopedTimeZone paris{"Europe/Paris"};
};

// One refusal: a single line on stderr, nothing on stdout.
void ExpectRefused(const Result& r, int status, const std::string& part) {
  EXPECT_EQ(r.status, status) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("billora-preview: ", 0), 0u) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_NE(r.err.find(part), std::string::npos) << r.err;
}

TEST_F(PreviewTest, CaptionsOfTheWorkedExampleAtThreeMoments) {
  std::string dir = Venue(Show(1, "Carmen", "2021-08-14 20:30:00", "Salle A", "carmen.jpg") +
                          Show(2, "Tosca", "2021-08-14 09:05:00", "", "tosca.jpg"));
  struct Case {
    const char* at;
    const char* caption;
  } cases[] = {{"2021-08-14 10:00", "Aujourd'hui \xC3\xA0 20:30-Salle A"},
               {"2021-08-13 23:59", "Demain \xC3\xA0 20:30-Salle A"},
               {"2021-08-11 09:00", "Samedi 14 Ao\xC3\xBBt 20:30-Salle A"}};
  for (const Case& c : cases) {
    json doc = Json(dir, c.at);
    const json& carmen = doc["shows"].back();
    EXPECT_EQ(carmen["caption"], c.caption) << c.at;
    EXPECT_EQ(carmen["place"], "Salle A");
    EXPECT_EQ(carmen["date"], "2021-08-14 20:30:00");
    Result text = Preview({"--at", c.at, dir});
    EXPECT_NE(text.out.find(std::string("Carmen  ") + c.caption), std::string::npos) << text.out;
  }
  // The 09:05 show of the next day with no place.
  json doc = Json(dir, "2021-08-13 23:59");
  EXPECT_EQ(doc["shows"][0]["caption"], "Demain \xC3\xA0 9:05");
}

TEST_F(PreviewTest, NextShowsAndTheSpokenSentence) {
  // Carmen tonight, Tosca tomorrow: the sentence is made 52.2 s into the pass
  // (the list read and checked 0.2 s, poster 14 s, programme 34 s, the
  // next-shows scene 4 s), so 14:04:30 speaks 14:05; it is typed 7 s later,
  // once the page is ready.
  std::string dir = Venue(Show(1, "Tosca", "2021-08-15 15:00:00", "", "tosca.jpg") +
                          Show(2, "Carmen", "2021-08-14 20:30:00", "", "carmen.jpg") +
                          Show(3, "Aida", "2021-08-20 20:00:00", "", "aida.jpg"));
  json pass = Json(dir, "2021-08-14 14:04:30")["passes"][0];
  const json& next = pass["next_shows"];
  EXPECT_EQ(next["first"]["caption"], "Aujourd'hui \xC3\xA0 20:30");
  EXPECT_EQ(next["first"]["poster"], dir + "/medias/carmen.jpg");
  EXPECT_EQ(next["second"]["caption"], "Demain \xC3\xA0 15:00");
  EXPECT_EQ(next["speech"]["at"], "2021-08-14 14:05:30+02:00");
  const std::string spoken =
      "Il est 14:05, prochains spectacles, Aujourd'hui \xC3\xA0 20:30, Carmen, "
      "Demain \xC3\xA0 15H, Tosca";
  EXPECT_EQ(next["speech"]["typed"], spoken);
  // The speech driver's line, apart from the progress line it continues.
  EXPECT_EQ(next["speech"]["console"], "SPEAK(" + spoken + ")OK");
  EXPECT_EQ(next["warnings"], json::array());
  Result text = Preview({"--at", "2021-08-14 14:04:30", dir});
  EXPECT_NE(text.out.find("14:05:30  Spoken: \"Il est 14:05, prochains spectacles, "
                          "Aujourd'hui \xC3\xA0 20:30, Carmen, Demain \xC3\xA0 15H, Tosca\""),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("Next shows: 1. carmen.jpg  \"Aujourd'hui \xC3\xA0 20:30\""),
            std::string::npos);

  // With no show today there is no programme scene: 20:59:50 speaks at 21:00:08.
  json late = Json(dir, "2021-08-14 20:59:50")["passes"][0];
  EXPECT_FALSE(late["programme"]["shown"]);
  EXPECT_EQ(late["next_shows"]["speech"]["typed"].get<std::string>().rfind("Il est 21H, ", 0), 0u);
  json morning = Json(dir, "2021-08-15 09:06:40")["passes"][0];
  EXPECT_EQ(morning["next_shows"]["speech"]["typed"].get<std::string>().rfind("Il est 9:07, ", 0),
            0u);
}

TEST_F(PreviewTest, ProgrammeFillsEighteenSlotsWithShiftedTimes) {
  std::string dir = Venue(Show(1, "Aida", "2021-08-14 20:05:00", "", "aida.jpg") +
                          Show(2, "Carmen", "2021-08-14 11:00:00", "Salle A", "carmen.jpg") +
                          Show(3, "Tosca", "2021-08-14 09:00:00", "", "tosca.jpg") +
                          Show(4, "Later", "2021-08-15 09:00:00", "", "tosca.jpg"));
  // Loaded at 08:00, all three of today are listed; Later is tomorrow.
  json slots = Json(dir, "2021-08-14 08:00")["passes"][0]["programme"]["slots"];
  ASSERT_EQ(slots.size(), 18u);
  const char* posters[] = {"tosca.jpg", "carmen.jpg", "aida.jpg"};
  const char* times[] = {"9:00", "11:00", "20:05"};
  for (int s = 0; s < 18; ++s) {
    EXPECT_EQ(slots[s]["poster"], dir + "/medias/" + posters[s % 3]) << s;
    EXPECT_EQ(slots[s]["time"], times[s % 3]) << s;
    EXPECT_EQ(slots[s]["text_object"], "\\affiche" + std::to_string(s == 0 ? 18 : s) + "\\text");
    EXPECT_EQ(slots[s]["place"], s % 3 == 1) << s;
  }
  Result text = Preview({"--at", "2021-08-14 08:00", dir});
  EXPECT_NE(text.out.find("1     tosca.jpg   9:00   (\\affiche18\\text)"), std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("2     carmen.jpg  11:00  (\\affiche1\\text, place)"), std::string::npos);
}

TEST_F(PreviewTest, SpringForwardGapIsRefused) {
  std::string dir = Venue(Show(1, "Carmen", "2021-03-28 20:30:00", "", "carmen.jpg"));
  ExpectRefused(Preview({"--at", "2021-03-28 02:30", dir}), kPreviewFailed,
                "2021-03-28 02:30:00 does not exist in this time zone: the clocks go forward "
                "from +01:00 to +02:00 over it");
  // Just before and after the gap both exist, an hour of UTC apart.
  json before = Json(dir, "2021-03-28 01:59:59");
  json after = Json(dir, "2021-03-28 03:00:00");
  EXPECT_EQ(after["start"]["epoch"].get<int64_t>() - before["start"]["epoch"].get<int64_t>(), 1);
  EXPECT_EQ(after["start"]["local"], "2021-03-28 03:00:00+02:00");
  // The night before: the show after the change is tomorrow's, at its local hour.
  json eve = Json(dir, "2021-03-27 23:30");
  EXPECT_EQ(eve["shows"][0]["caption"], "Demain \xC3\xA0 20:30");
  ExpectRefused(Preview({"--at", "2021-03-28 02:30+02:00", dir}), kPreviewFailed,
                "is not a local time of this time zone");
}

TEST_F(PreviewTest, AutumnRepeatedHourTakesTheFirstAndNamesTheOther) {
  std::string dir = Venue(Show(1, "Carmen", "2021-10-31 20:30:00", "", "carmen.jpg") +
                          Show(2, "Tosca", "2021-11-01 15:00:00", "", "tosca.jpg"));
  Result first = Preview({"--at", "2021-10-31 02:30", dir});
  EXPECT_EQ(first.status, kPreviewAmbiguous);
  EXPECT_EQ(first.err,
            "billora-preview: 2021-10-31 02:30:00 occurs twice in this time zone; previewed the "
            "first, 2021-10-31 02:30:00+02:00; for the second give --at \"2021-10-31 "
            "02:30:00+01:00\"\n");
  EXPECT_NE(first.out.find("at 2021-10-31 02:30:00+02:00"), std::string::npos) << first.out;
  EXPECT_NE(first.out.find("Aujourd'hui \xC3\xA0 20:30"), std::string::npos);

  Result second = Preview({"--json", "--at", "2021-10-31 02:30:00+01:00", dir});
  EXPECT_EQ(second.status, kPreviewDone) << second.err;
  EXPECT_EQ(second.err, "");
  json doc = json::parse(second.out);
  EXPECT_EQ(doc["start"]["local"], "2021-10-31 02:30:00+01:00");
  EXPECT_TRUE(doc["start"]["ambiguous"].is_null());
  Result summer = Preview({"--json", "--at", "2021-10-31 02:30:00+02:00", dir});
  EXPECT_EQ(json::parse(summer.out)["start"]["epoch"].get<int64_t>() + 3600,
            doc["start"]["epoch"].get<int64_t>());
}

TEST_F(PreviewTest, MissingPostersAreMarkedWarnedAndSkipped) {
  std::string dir = Venue(Show(1, "Aida", "2021-08-14 18:00:00", "", "aida.jpg") +
                              Show(2, "Carmen", "2021-08-14 20:30:00", "", "carmen.jpg") +
                              Show(3, "Tosca", "2021-08-15 15:00:00", "", "tosca.jpg"),
                          kAllYear, {"aida.jpg", "tosca.jpg"});
  json doc = Json(dir, "2021-08-14 10:00", 2);
  EXPECT_FALSE(doc["shows"][0]["poster_found"]);
  EXPECT_TRUE(doc["shows"][1]["poster_found"]);
  EXPECT_FALSE(doc["shows"][2]["poster_found"]);
  const json& pass1 = doc["passes"][0];
  EXPECT_EQ(pass1["reload"]["warnings"],
            json({"Warning: " + dir + "/medias/aida.jpg cannot be found",
                  "Warning: " + dir + "/medias/tosca.jpg cannot be found"}));
  EXPECT_FALSE(pass1["poster"]["shown"]);
  EXPECT_EQ(pass1["poster"]["warnings"], json({"Can't find " + dir + "/medias/aida.jpg, skipped"}));
  // The programme still sends the missing file to the viewer.
  EXPECT_EQ(pass1["programme"]["slots"][0]["poster"], dir + "/medias/aida.jpg");
  EXPECT_EQ(doc["passes"][1]["poster"]["poster"], dir + "/medias/carmen.jpg");

  Result text = Preview({"--at", "2021-08-14 10:00", dir});
  EXPECT_NE(text.out.find("aida.jpg (missing)"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("Poster: not shown\n            printed: Can't find " + dir +
                          "/medias/aida.jpg, skipped"),
            std::string::npos)
      << text.out;
}

TEST_F(PreviewTest, APosterNamedOutOfTheMediaFolderIsMarkedMissing) {
  std::string dir = Venue(Show(1, "Aida", "2021-08-14 18:00:00", "", "../aida.jpg") +
                          Show(2, "Carmen", "2021-08-14 20:30:00", "", "carmen.jpg"));
  std::ofstream(dir + "/aida.jpg") << "not a poster of the venue";
  json doc = Json(dir, "2021-08-14 10:00");
  EXPECT_FALSE(doc["shows"][0]["poster_found"]);
  EXPECT_TRUE(doc["shows"][1]["poster_found"]);
}

TEST_F(PreviewTest, ControlCodesOfTheDatabaseNeverReachTheTerminal) {
  std::string dir = Venue(Show(1, "Car\x1b[2Jmen", "2021-08-14 20:30:00", "", "x\x07.jpg") +
                          Show(2, "Tosca", "2021-08-15 15:00:00", "", "tosca.jpg"));
  Result text = Preview({"--at", "2021-08-14 10:00", dir});
  EXPECT_EQ(text.status, kPreviewDone) << text.err;
  EXPECT_EQ(text.out.find_first_of("\x1b\x07"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("Car?[2Jmen"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("printed: Can't find " + dir + "/medias/x?.jpg, skipped"),
            std::string::npos);
  json doc = Json(dir, "2021-08-14 10:00");
  EXPECT_EQ(doc["shows"][0]["name"], "Car\x1b[2Jmen");
}

TEST_F(PreviewTest, PassesRotatePostersAndAnnouncements) {
  std::string dir = Venue(Show(1, "Aida", "2021-08-14 18:00:00", "", "aida.jpg") +
                              Show(2, "Carmen", "2021-08-14 20:30:00", "", "carmen.jpg"),
                          kAllYear + Slot("bar", 12, "2021-01-01 00:00:00", "2021-12-31 00:00:00"));
  json doc = Json(dir, "2021-08-14 10:00", 3);
  ASSERT_EQ(doc["passes"].size(), 3u);
  const char* posters[] = {"aida.jpg", "carmen.jpg", "aida.jpg"};
  const char* templates[] = {"promo", "bar", "promo"};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(doc["passes"][k]["poster"]["poster"], dir + "/medias/" + posters[k]);
    EXPECT_EQ(doc["passes"][k]["announcement"]["template"], templates[k]);
  }
  EXPECT_EQ(doc["passes"][1]["announcement"]["duration"], 12);
  EXPECT_EQ(doc["slots"], json::parse(R"([{"template":"promo","duration":5},)"
                                      R"({"template":"bar","duration":12}])"));
}

TEST_F(PreviewTest, EachPassReloadsAtItsOwnMoment) {
  std::string dir = Venue(Show(1, "Carmen", "2021-08-15 20:30:00", "", "carmen.jpg"));
  json passes = Json(dir, "2021-08-14 23:59:50", 2)["passes"];
  EXPECT_EQ(passes[0]["poster"]["caption"], "Demain \xC3\xA0 20:30");
  // The first pass (poster and announcement, 23 s) ends after midnight: the
  // second reads the list on the 15th.
  EXPECT_EQ(passes[1]["reload"]["at"].get<std::string>().rfind("2021-08-15 00:0", 0), 0u);
  EXPECT_EQ(passes[1]["poster"]["caption"], "Aujourd'hui \xC3\xA0 20:30");
  EXPECT_TRUE(passes[1]["programme"]["shown"]);
}

TEST_F(PreviewTest, AnEmptyProgrammeIsNoShow) {
  std::string dir = Venue(Show(1, "Gone", "2021-08-01 20:00:00", "", "aida.jpg"));
  Result r = Preview({"--at", "2021-08-14 10:00", dir});
  EXPECT_EQ(r.status, kPreviewDone) << r.err;
  EXPECT_NE(r.out.find("Shows after load and sort: none"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("10:00:00  Reload: No show\n"), std::string::npos) << r.out;
}

TEST_F(PreviewTest, BadArgumentsAreRefusedInOneLine) {
  std::string dir = Venue(Show(1, "Carmen", "2021-08-14 20:30:00", "", "carmen.jpg"));
  ExpectRefused(Preview({"--colour", dir}), kPreviewBadOptions, "unknown option \"--colour\"");
  for (const char* passes : {"0", "1001", "x", "-1", "2.5"})
    ExpectRefused(Preview({"--passes", passes, dir}), kPreviewBadOptions,
                  "--passes wants a whole number from 1 to 1000");
  ExpectRefused(Preview({dir, "--at"}), kPreviewBadOptions, "--at wants a value");
  for (const char* at : {"14/08/2021 10:00", "2021-08-14", "2021-08-14 10:00+2", "tomorrow",
                         "yesterday 10:00", "next 10:00", "samedi soir 20:30", "next today 10:00"})
    ExpectRefused(Preview({"--at", at, dir}), kPreviewBadOptions, "--at wants \"YYYY-MM-DD");
  ExpectRefused(Preview({"--at", "2021-02-29 10:00", dir}), kPreviewBadOptions,
                "is no date and time");
  ExpectRefused(Preview({dir, dir}), kPreviewBadOptions, "one FOLDER or list.mdb only");
  ExpectRefused(Preview({dir + "/nowhere"}), kPreviewFailed, "no such folder or file");
  ExpectRefused(Preview({dir + "/medias/carmen.jpg"}), kPreviewFailed,
                "reads only a file named list.mdb");
  // The default folder is the program's own, here one without a database.
  ExpectRefused(Preview({}), kPreviewFailed, "/nonexistent-folder: no such folder or file");
  EXPECT_EQ(Preview({"--at=2021-08-14 10:00", "--passes=2", dir + "/list.mdb"}).status,
            kPreviewDone);
}

// Days in words count from the day of `now`, here Saturday 2021-08-14 at
// 10:00 in Paris, and from 2021-03-27, the eve of the spring clock change.
TEST_F(PreviewTest, AtTakesTodayTomorrowAndWeekdaysInEnglishAndFrench) {
  const int64_t saturday = 1628928000, eve = 1616864400;
  const std::pair<const char*, const char*> cases[] = {
      {"today 18:00", "2021-08-14 18:00:00+02:00"},
      {"Aujourd'hui 08:15:30", "2021-08-14 08:15:30+02:00"},
      {"tomorrow 15:00", "2021-08-15 15:00:00+02:00"},
      {"demain 15:00", "2021-08-15 15:00:00+02:00"},
      {"saturday 20:30", "2021-08-14 20:30:00+02:00"},
      {"samedi 09:00", "2021-08-14 09:00:00+02:00"},
      {"next saturday 20:30", "2021-08-21 20:30:00+02:00"},
      {"samedi prochain 20:30", "2021-08-21 20:30:00+02:00"},
      {"Monday 09:00", "2021-08-16 09:00:00+02:00"},
      {"vendredi 23:59", "2021-08-20 23:59:00+02:00"},
      {"next friday 23:59", "2021-08-20 23:59:00+02:00"},
      {"sunday 12:00+02:00", "2021-08-15 12:00:00+02:00"},
  };
  for (const auto& [at, moment] : cases) {
    Moment m = ResolveMoment(at, saturday);
    EXPECT_EQ(m.error, "") << at;
    EXPECT_EQ(LocalText(m.epoch), moment) << at;
  }
  Moment gap = ResolveMoment("dimanche 02:30", eve);
  EXPECT_FALSE(gap.badText);
  EXPECT_EQ(gap.error.rfind("2021-03-28 02:30:00 does not exist in this time zone", 0), 0u)
      << gap.error;
  EXPECT_EQ(LocalText(ResolveMoment("tomorrow 03:30", eve).epoch), "2021-03-28 03:30:00+02:00");
}

TEST_F(PreviewTest, MissingOrDamagedDatabaseIsNeverWritten) {
  std::string dir = Venue(Show(1, "Carmen", "2021-08-14 20:30:00", "", "carmen.jpg"));
  std::string mdb = dir + "/list.mdb";
  std::filesystem::rename(mdb, dir + "/saved.mdb");
  ExpectRefused(Preview({dir}), kPreviewFailed, mdb + ": no such file");

  // Cut short after its first page: the reader's own words.
  std::ifstream in(dir + "/saved.mdb", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::ofstream(mdb, std::ios::binary) << bytes.substr(0, 5000);
  auto written = std::filesystem::last_write_time(mdb);
  ExpectRefused(Preview({"--at", "2021-08-14 10:00", dir}), kPreviewFailed, "damaged database");
  EXPECT_EQ(std::filesystem::last_write_time(mdb), written);
  std::ifstream again(mdb, std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>()),
            bytes.substr(0, 5000));

  // A database without the table annonces cannot be read.
  WriteMdbAt(
      mdb, std::string(kShowsColumns) + Show(1, "Carmen", "2021-08-14 20:30:00", "", "carmen.jpg"));
  ExpectRefused(Preview({"--at", "2021-08-14 10:00", dir}), kPreviewFailed,
                "cannot read its tables shows and annonces");
}

}  // namespace
