// Captions: wrapped at the box's width, shrunk step by step until they fit
// its height, cut with an ellipsis below the smallest size, and clipped to
// the box whatever happens.
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <strings.h>

#include <algorithm>
#include <set>

#include "tools/kivo-standin/draw.h"
#include "tools/kivo-standin/standin.h"

static constexpr double kSmallestSize = 8;  // pixels
static constexpr double kShrink = 0.9;

static void SetColour(cairo_t* cr, uint32_t colour) {
  cairo_set_source_rgb(cr, (colour >> 16 & 0xFF) / 255.0, (colour >> 8 & 0xFF) / 255.0,
                       (colour & 0xFF) / 255.0);
}

// The height of the laid-out text at `size` pixels, in pixels.
static int LaidOut(PangoLayout* layout, PangoFontDescription* font, double size) {
  pango_font_description_set_absolute_size(font, size * PANGO_SCALE);
  pango_layout_set_font_description(layout, font);
  int width = 0, height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  return height;
}

void PaintText(cairo_t* cr, const Area& box, const std::string& text, const std::string& font,
               double fontSize, uint32_t colour, Align align) {
  if (text.empty() || box.Empty()) return;
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* description = pango_font_description_new();
  pango_font_description_set_family(description, font.c_str());
  pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));
  pango_layout_set_width(layout, static_cast<int>(box.w * PANGO_SCALE));
  pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  pango_layout_set_alignment(layout, align == Align::Left    ? PANGO_ALIGN_LEFT
                                     : align == Align::Right ? PANGO_ALIGN_RIGHT
                                                             : PANGO_ALIGN_CENTER);
  double size = std::max(fontSize, 1.0);
  int height = LaidOut(layout, description, size);
  while (height > box.h && size > kSmallestSize)
    height = LaidOut(layout, description, std::max(size *= kShrink, kSmallestSize));
  if (height > box.h) {
    pango_layout_set_height(layout, static_cast<int>(box.h * PANGO_SCALE));
    pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
    height = std::min(LaidOut(layout, description, size), static_cast<int>(box.h));
  }
  cairo_save(cr);
  cairo_rectangle(cr, box.x, box.y, box.w, box.h);
  cairo_clip(cr);
  SetColour(cr, colour);
  cairo_move_to(cr, box.x, box.y + (box.h - height) / 2);
  pango_cairo_show_layout(cr, layout);
  cairo_restore(cr);
  pango_font_description_free(description);
  g_object_unref(layout);
}

// Said once per font: a family that is not installed is drawn in the one
// fontconfig picks instead.
void CheckFont(const std::string& family) {
  static std::set<std::string> checked;
  if (!checked.insert(family).second) return;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcChar8* found = nullptr;
  if (match && FcPatternGetString(match, FC_FAMILY, 0, &found) == FcResultMatch &&
      strcasecmp(reinterpret_cast<const char*>(found), family.c_str()) != 0)
    Say("font \"%s\" is not installed: texts are drawn in \"%s\"", family.c_str(),
        reinterpret_cast<const char*>(found));
  if (match) FcPatternDestroy(match);
  FcPatternDestroy(pattern);
}
