// The sample venue: shows today, tomorrow and later, one festival running five
// days, one show already past, announcement slots in force and one out of
// force, a poster for every show but one (the display warns and skips it),
// and the scene files of every scene.
#include <cstdio>

#include "base/oledate.h"
#include "tools/mdbwrite/database.h"
#include "tools/mdbwrite/description.h"
#include "tools/sample/sample.h"

namespace {

constexpr LocalSeconds kHour = 3600, kDay = 86400;

// The day of a moment, counted from 1970-01-01, earlier days negative.
LocalSeconds DayOf(LocalSeconds t) { return t >= 0 ? t / kDay : (t - kDay + 1) / kDay; }

std::string Stamp(LocalSeconds t) {
  int year, month, day;
  LocalSeconds days = DayOf(t);
  CivilFromDays(days, &year, &month, &day);
  int second = static_cast<int>(t - days * kDay);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, second / 3600,
                second / 60 % 60, second % 60);
  return text;
}

// Midnight of the moment's day, plus days and hours.
LocalSeconds DayAt(LocalSeconds moment, int days, double hours) {
  return (DayOf(moment) + days) * kDay + static_cast<LocalSeconds>(hours * kHour);
}

struct Show {
  const char *name, *place, *poster, *title;
  LocalSeconds date;
  int days;
  uint32_t colour;  // 0: no poster file, on purpose
};

std::string Row(std::initializer_list<std::string> values) {
  std::string row = "row";
  char separator = ' ';
  for (const std::string& v : values) row += separator + v, separator = '\t';
  return row + "\n";
}

std::string Columns(std::initializer_list<const char*> columns) {
  std::string text;
  for (const char* c : columns) text += std::string("column ") + c + "\n";
  return text;
}

std::vector<Show> Shows(LocalSeconds m) {
  return {
      {"Carmen", "Grande salle", "carmen.png", "CARMEN", (m + 2 * kHour) / kHour * kHour, 1,
       0xA02020},
      {"Tosca", "", "tosca.png", "TOSCA", (m + 7 * kHour / 2) / 60 * 60, 1, 0x204080},
      {"La Traviata", "Salle Molière", "traviata.png", "LA TRAVIATA", DayAt(m, 1, 20.5), 1,
       0x602060},
      {"Le Lac des cygnes", "", "lac.png", "LE LAC DES CYGNES", DayAt(m, 3, 15), 1, 0x207060},
      {"Festival d'été", "Jardin", "festival.png", "FESTIVAL D'ETE", DayAt(m, -1, 18), 5, 0xC08020},
      {"Don Giovanni", "", "giovanni.png", "", DayAt(m, 10, 20), 1, 0},
      {"Nabucco", "", "nabucco.png", "NABUCCO", m - 2 * kDay, 1, 0x404040},
  };
}

std::string Description(LocalSeconds m) {
  std::string text =
      "table shows\n" + Columns({"id long", "name text", "date datetime", "where text",
                                 "text1 text", "text2 text", "visual text", "ndays int"});
  int id = 0;
  for (const Show& s : Shows(m))
    text += Row({std::to_string(++id), s.name, Stamp(s.date), s.place, "\\N", "\\N", s.poster,
                 std::to_string(s.days)});
  text += "table annonces\n" +
          Columns({"template text", "duration int", "starting datetime", "ending datetime"});
  text += Row({"annonce-bar", "8", Stamp(m - kDay), Stamp(m + 30 * kDay)});
  text += Row({"annonce-billetterie", "6", Stamp(m - kHour), Stamp(m + 7 * kDay)});
  text += Row({"annonce-ancienne", "10", Stamp(m - 10 * kDay), Stamp(m - kDay)});
  return text;
}

std::string ListMdb(LocalSeconds m) {
  const mdbwrite::Format format = mdbwrite::JetFormat(false);
  std::string bytes;
  for (const std::string& page :
       mdbwrite::BuildDatabase(format, mdbwrite::ParseDescription(Description(m), format)))
    bytes += page;
  return bytes;
}

// Scene files (docs/scene-files.md): placed objects, or bare object names that
// take their default place.
const SampleFile kScenes[] = {
    {"templates/billorav.kivo",
     "# One poster and its caption.\n"
     "scene background #14182A colour #F4EEE0\n"
     "cache\n"
     "affiche place 660 40 size 600 850\n"
     "titre place 60 910 size 1800 140 font-size 72\n"},
    {"templates/billora2v.kivo",
     "# The next two shows.\n"
     "scene background #1E1428 colour #F4EEE0\n"
     "cache\n"
     "affiche1 place 180 40 size 600 850\n"
     "titre1 place 40 910 size 880 140 font-size 60\n"
     "affiche2 place 1140 40 size 600 850\n"
     "titre2 place 1000 910 size 880 140 font-size 60\n"},
    {"templates/annonce-bar.kivo",
     "scene background #3A2410 colour #FFF4E0\n"
     "cache\n"
     "annonce place 160 340 size 1600 400 font-size 110 text \"Le bar est ouvert avant le "
     "spectacle et à l'entracte\"\n"},
    {"templates/annonce-billetterie.kivo",
     "scene background #10303A colour #E8FFF8\n"
     "cache\n"
     "annonce place 160 300 size 1600 320 font-size 96 text \"Billetterie ouverte du mardi au "
     "samedi, de 13 h à 19 h\"\n"
     "horaires place 160 700 size 1600 120 font-size 56 colour #A0E0D0 text \"Réservations : "
     "billetterie@theatre.example\"\n"},
    {"templates/annonce-ancienne.kivo",
     "scene background #303030\n"
     "cache\n"
     "annonce place 160 340 size 1600 400 font-size 96 text \"Cette annonce n'est plus en "
     "vigueur\"\n"},
};

std::string ProgrammeScene() {
  std::string text =
      "# Today's programme: 18 slots in their default places, each time under its poster.\n"
      "scene background #101010 colour #FFD890\n"
      "cache\n";
  for (int i = 1; i <= 18; ++i) {
    std::string slot = "\\affiche" + std::to_string(i);
    text += slot + "\\affiche\n" + slot + "\\text\n";
  }
  return text;
}

}  // namespace

bool ParseMoment(const std::string& text, LocalSeconds* moment) {
  int year, month, day, hour, minute, second = 0, end = 0;
  int fields = std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d%n:%2d%n", &year, &month, &day, &hour,
                           &minute, &end, &second, &end);
  if (fields < 5 || static_cast<size_t>(end) != text.size() || year < 100 ||
      !IsCalendarDay(year, month, day) || hour > 23 || minute > 59 || second > 59 || hour < 0 ||
      minute < 0 || second < 0)
    return false;
  *moment = DaysFromCivil(year, month, day) * kDay + hour * kHour + minute * 60 + second;
  return true;
}

std::vector<SampleFile> SampleFiles(LocalSeconds moment) {
  std::vector<SampleFile> files = {{"list.mdb", ListMdb(moment)}};
  for (const Show& s : Shows(moment))
    if (s.colour != 0)
      files.push_back({std::string("medias/") + s.poster, PosterPng(s.title, s.colour)});
  files.insert(files.end(), std::begin(kScenes), std::end(kScenes));
  files.push_back({"templates/billora3v.kivo", ProgrammeScene()});
  return files;
}
