// Scene files as the stand-in viewer reads them: the object lists of old,
// placed objects, and a clear refusal of a bad file.
#include <gtest/gtest.h>

#include "tools/kivo-standin/layout.h"

namespace {

SceneLayout Parse(const std::string& text) {
  SceneLayout layout;
  std::string problem;
  EXPECT_TRUE(ParseSceneLayout(text, "/venue/templates", &layout, &problem)) << problem;
  return layout;
}

std::string Problem(const std::string& text) {
  SceneLayout layout;
  std::string problem;
  EXPECT_FALSE(ParseSceneLayout(text, "/venue/templates", &layout, &problem)) << text;
  return problem;
}

TEST(SceneLayout, ObjectNamesAloneTakeTheirDefaultPlace) {
  std::string text = "cache\n";
  for (int slot = 1; slot <= 18; ++slot)
    text += "\\affiche" + std::to_string(slot) + "\\affiche\n\\affiche" + std::to_string(slot) +
            "\\text\n";
  SceneLayout layout = Parse(text);
  ASSERT_EQ(layout.objects.size(), 37u);
  const LayoutObject* first = FindLayoutObject(layout, "\\affiche1\\affiche");
  const LayoutObject* last = FindLayoutObject(layout, "\\affiche18\\affiche");
  ASSERT_TRUE(first && last);
  EXPECT_EQ(first->line, 2);
  EXPECT_DOUBLE_EQ(first->x, 57);
  EXPECT_DOUBLE_EQ(first->w, 206);
  EXPECT_DOUBLE_EQ(last->x, 5 * 320 + 57);
  EXPECT_DOUBLE_EQ(last->y, 2 * 360 + 10);
  // Each time text sits under the poster whose time the program puts in it:
  // that of the next slot, and of slot 1 for the last text.
  for (int slot = 1; slot <= 18; ++slot) {
    std::string next = std::to_string(slot % 18 + 1);
    const LayoutObject* text =
        FindLayoutObject(layout, "\\affiche" + std::to_string(slot) + "\\text");
    const LayoutObject* poster = FindLayoutObject(layout, "\\affiche" + next + "\\affiche");
    ASSERT_TRUE(text && poster);
    EXPECT_DOUBLE_EQ(text->x, poster->x - 47) << slot;
    EXPECT_DOUBLE_EQ(text->y, poster->y + 296) << slot;
  }
  for (const char* name : {"affiche", "titre", "affiche1", "titre1", "affiche2", "titre2"})
    EXPECT_GT(Parse(name).objects[0].w, 0) << name;
  SceneLayout marked = Parse(
      "\xEF\xBB\xBF"
      "cache\r\n");  // as a Windows editor saves it
  EXPECT_DOUBLE_EQ(marked.objects[0].w, 1920);
}

TEST(SceneLayout, AttributesPlaceAndDressAnObject) {
  SceneLayout layout = Parse(
      "# the bar's announcement\r\n"
      "scene canvas 1280 720 background #102030 colour #FFEEDD font \"DejaVu Serif\" font-size 30\n"
      "\n"
      "  bandeau place 10 20.5 size 1260 100 font-size 64 colour #ff0000 align left "
      "text \"Le bar est ouvert à l'entracte, \\\"cafés\\\" compris\"\n"
      "logo place 0 0 size 100 100 picture logos/bar.png\n"
      "fond place 0 0 size 100 100 picture /abs/fond.jpg\n"
      "titre font-size 90\n");
  EXPECT_DOUBLE_EQ(layout.width, 1280);
  EXPECT_EQ(layout.background, 0x102030u);
  EXPECT_EQ(layout.colour, 0xFFEEDDu);
  EXPECT_EQ(layout.font, "DejaVu Serif");
  ASSERT_EQ(layout.objects.size(), 4u);
  const LayoutObject& bandeau = layout.objects[0];
  EXPECT_EQ(bandeau.line, 4);
  EXPECT_DOUBLE_EQ(bandeau.y, 20.5);
  EXPECT_DOUBLE_EQ(bandeau.fontSize, 64);
  EXPECT_EQ(bandeau.colour, 0xFF0000u);
  EXPECT_TRUE(bandeau.hasColour);
  EXPECT_EQ(bandeau.align, Align::Left);
  EXPECT_EQ(bandeau.text, "Le bar est ouvert à l'entracte, \"cafés\" compris");
  EXPECT_EQ(layout.objects[1].picture, "/venue/templates/logos/bar.png");
  EXPECT_EQ(layout.objects[2].picture, "/abs/fond.jpg");
  EXPECT_DOUBLE_EQ(layout.objects[3].fontSize, 90);  // the rest from its default, scaled
  EXPECT_DOUBLE_EQ(layout.objects[3].y, 910 * 720 / 1080.0);
  EXPECT_TRUE(Parse("").objects.empty());
}

TEST(SceneLayout, ABadFileIsRefusedWithItsLineAndWhatIsWrong) {
  const std::pair<const char*, const char*> cases[] = {
      {"cache\naffiche\nbandeau\n",
       "line 3: object \"bandeau\" has no place of its own: give place and size"},
      {"bandeau place 10 10\n",
       "line 1: object \"bandeau\" has no place of its own: give place and size"},
      {"cache\n\ntitre size 100\n", "line 3: size needs a number"},
      {"titre place 10 abc\n", "line 1: place: \"abc\" is not a number"},
      {"titre size 0 10\n", "line 1: size: 0 must be above 0"},
      {"titre place -5 10\n", "line 1: place: -5 must not be negative"},
      {"titre colour red\n", "line 1: colour must be written #RRGGBB, not \"red\""},
      {"titre colour #12345G\n", "line 1: colour must be written #RRGGBB, not \"#12345G\""},
      {"titre align middle\n", "line 1: align must be left, centre or right, not \"middle\""},
      {"titre width 10\n",
       "line 1: unknown attribute \"width\" (known: place, size, font-size, colour, font, align, "
       "text, picture)"},
      {"scene size 10 10\n",
       "line 1: unknown scene attribute \"size\" (known: canvas, background, colour, font, "
       "font-size, run-time)"},
      {"scene run-time -1\n", "line 1: run-time: -1 must not be negative"},
      {"scene run-time 3600001\n", "line 1: run-time: at most 3600000 ms (an hour)"},
      {"# a\ntitre\ntitre\n", "line 3: object \"titre\" is already declared on line 2"},
      {"titre text \"sans fin\n", "line 1: a quoted text has no closing quote"},
      {"titre text \"caf\xE9\"\n", "line 1: the line is not valid UTF-8"},
      {"cache\ntitre\x01\n", "line 2: the line holds a control character"},
      {"bandeau place 1900 0 size 100 10\n",
       "line 1: object \"bandeau\" goes past the canvas of 1920 x 1080"},
      {"affiche\nscene canvas 800 600\n", "line 2: the scene line must come before the objects"},
      {"scene canvas 800 600\nbandeau place 700 0 size 101 10\n",
       "line 2: object \"bandeau\" goes past the canvas of 800 x 600"},
      {"\\affiche19\\affiche\n",
       "line 1: object \"\\affiche19\\affiche\" has no place of its own: give place and size"},
  };
  for (const auto& [text, problem] : cases) EXPECT_EQ(Problem(text), problem) << text;
}

// --run-time, else the file's run-time, else 8 s.
TEST(SceneLayout, ASceneRunsForItsFilesRunTimeUnlessTheViewerIsToldOtherwise) {
  int64_t timed = Parse("scene run-time 12500\ncache\n").runTimeMs;
  int64_t untimed = Parse("cache\n").runTimeMs;
  EXPECT_EQ(SceneRunTime(timed, std::nullopt), 12500);
  EXPECT_EQ(SceneRunTime(untimed, std::nullopt), 8000);
  EXPECT_EQ(SceneRunTime(timed, 300), 300);
  EXPECT_EQ(SceneRunTime(untimed, 0), 0);
  EXPECT_EQ(Parse("scene run-time 0\n").runTimeMs, 0);
}

TEST(SceneLayout, FilesThatCannotBeReadAreRefused) {
  SceneLayout layout;
  std::string problem;
  EXPECT_FALSE(ReadSceneLayout(BILLORA_SOURCE_DIR "/tools", &layout, &problem));
  EXPECT_EQ(problem, "is not a file");
  EXPECT_FALSE(ReadSceneLayout("/nonexistent/scene.kivo", &layout, &problem));
  EXPECT_EQ(problem, "cannot be read");
}

}  // namespace
