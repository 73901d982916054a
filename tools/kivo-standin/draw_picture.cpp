// Poster pictures: SVG through librsvg, PNG, JPEG and the other raster
// formats through gdk-pixbuf (JPEG decoded at the size shown). Each picture
// is drawn once at the size of its box and kept on the X server, so a scene
// that shows it again, or a fade over it, costs no decoding.
#include <cairo-xlib.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <librsvg/rsvg.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>

#include "tools/kivo-standin/draw.h"

static constexpr double kMostPixels = 100e6;  // a larger picture is refused, not decoded
static constexpr size_t kMostKept = 64;

struct KeptPicture {
  int64_t modified = 0, size = 0;  // of the file when drawn
  FittedImage picture;
};
static std::map<std::string, KeptPicture> kept;  // by path and box size

static std::string Message(GError* error) {
  std::string text = error ? error->message : "unknown fault";
  g_clear_error(&error);
  return text;
}

// SVG files begin with '<' (after spaces), compressed ones with the gzip magic.
static bool LooksLikeSvg(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[64] = {};
  in.read(head, sizeof head);
  std::string start(head, static_cast<size_t>(in.gcount()));
  size_t first = start.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
  bool gzip = start.size() >= 2 && start[0] == '\x1F' && start[1] == '\x8B';
  std::string lower = path;
  std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
  return (first != std::string::npos && start[first] == '<') || (gzip && lower.ends_with(".svgz"));
}

// The largest size of aspect w:h inside bw x bh.
static void Fit(double w, double h, int bw, int bh, int* fw, int* fh) {
  double scale = std::min(bw / w, bh / h);
  *fw = std::clamp(static_cast<int>(std::lround(w * scale)), 1, bw);
  *fh = std::clamp(static_cast<int>(std::lround(h * scale)), 1, bh);
}

static cairo_surface_t* DrawSvg(const std::string& path, int bw, int bh, std::string* problem) {
  GError* error = nullptr;
  RsvgHandle* handle = rsvg_handle_new_from_file(path.c_str(), &error);
  if (!handle) {
    *problem = Message(error);
    return nullptr;
  }
  double w = 0, h = 0;
  gboolean hasWidth, hasHeight, hasBox;
  RsvgLength width, height;
  RsvgRectangle box{};
  if (!rsvg_handle_get_intrinsic_size_in_pixels(handle, &w, &h) || w <= 0 || h <= 0) {
    rsvg_handle_get_intrinsic_dimensions(handle, &hasWidth, &width, &hasHeight, &height, &hasBox,
                                         &box);
    w = hasBox && box.width > 0 && box.height > 0 ? box.width : bw;
    h = hasBox && box.width > 0 && box.height > 0 ? box.height : bh;
  }
  int fw, fh;
  Fit(w, h, bw, bh, &fw, &fh);
  cairo_surface_t* surface = ServerSurface(fw, fh);
  cairo_t* cr = cairo_create(surface);
  RsvgRectangle viewport{0, 0, static_cast<double>(fw), static_cast<double>(fh)};
  bool drawn = rsvg_handle_render_document(handle, cr, &viewport, &error);
  cairo_destroy(cr);
  g_object_unref(handle);
  if (!drawn) {
    *problem = Message(error);
    cairo_surface_destroy(surface);
    return nullptr;
  }
  return surface;
}

// Straight RGB(A) rows to the server surface, premultiplied as cairo wants.
static cairo_surface_t* FromPixbuf(GdkPixbuf* pixbuf) {
  int w = gdk_pixbuf_get_width(pixbuf), h = gdk_pixbuf_get_height(pixbuf);
  int channels = gdk_pixbuf_get_n_channels(pixbuf), stride = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  unsigned char* out = cairo_image_surface_get_data(image);
  int outStride = cairo_image_surface_get_stride(image);
  for (int y = 0; y < h; ++y) {
    auto row = reinterpret_cast<uint32_t*>(out + static_cast<ptrdiff_t>(y) * outStride);
    for (int x = 0; x < w; ++x) {
      const guchar* p = pixels + static_cast<ptrdiff_t>(y) * stride + x * channels;
      uint32_t a = channels == 4 ? p[3] : 255;
      row[x] = a << 24 | (p[0] * a / 255) << 16 | (p[1] * a / 255) << 8 | (p[2] * a / 255);
    }
  }
  cairo_surface_mark_dirty(image);
  cairo_surface_t* surface = ServerSurface(w, h);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(image);
  return surface;
}

static cairo_surface_t* DrawRaster(const std::string& path, int bw, int bh, std::string* problem) {
  int w = 0, h = 0;
  if (!gdk_pixbuf_get_file_info(path.c_str(), &w, &h)) {
    *problem = "not a picture in a known format";
    return nullptr;
  }
  if (w <= 0 || h <= 0 || static_cast<double>(w) * h > kMostPixels) {
    *problem =
        "the picture is " + std::to_string(w) + " x " + std::to_string(h) + " pixels, too large";
    return nullptr;
  }
  int fw, fh;
  Fit(w, h, bw, bh, &fw, &fh);
  GError* error = nullptr;
  GdkPixbuf* loaded = gdk_pixbuf_new_from_file_at_scale(path.c_str(), fw, fh, FALSE, &error);
  if (!loaded || error) {
    if (loaded) g_object_unref(loaded);
    *problem = Message(error);
    return nullptr;
  }
  // A photo taken sideways says so in its EXIF orientation.
  GdkPixbuf* upright = gdk_pixbuf_apply_embedded_orientation(loaded);
  g_object_unref(loaded);
  if (gdk_pixbuf_get_width(upright) != fw) {
    Fit(gdk_pixbuf_get_width(upright), gdk_pixbuf_get_height(upright), bw, bh, &fw, &fh);
    GdkPixbuf* turned = gdk_pixbuf_scale_simple(upright, fw, fh, GDK_INTERP_BILINEAR);
    g_object_unref(upright);
    upright = turned;
  }
  cairo_surface_t* surface = FromPixbuf(upright);
  g_object_unref(upright);
  return surface;
}

static cairo_surface_t* Draw(const std::string& path, const struct stat& info, int w, int h,
                             std::string* problem) {
  if (!S_ISREG(info.st_mode)) {
    *problem = "not a file";
    return nullptr;
  }
  if (w < 1 || h < 1) {
    *problem = "its box is empty";
    return nullptr;
  }
  return LooksLikeSvg(path) ? DrawSvg(path, w, h, problem) : DrawRaster(path, w, h, problem);
}

// Failures are kept too: a damaged file is not decoded again at each repaint.
const FittedImage& FittedPicture(const std::string& path, int w, int h) {
  static FittedImage missing;
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    missing.problem = path.empty() ? "no file named" : "no such file";
    return missing;
  }
  int64_t modified = info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec;
  std::string key = path + "\n" + std::to_string(w) + "x" + std::to_string(h);
  auto it = kept.find(key);
  if (it != kept.end() && it->second.modified == modified && it->second.size == info.st_size)
    return it->second.picture;
  if (it == kept.end() && kept.size() >= kMostKept) ForgetPictures();
  KeptPicture& entry = kept[key];
  if (entry.picture.surface) cairo_surface_destroy(entry.picture.surface);
  entry = {modified, info.st_size, {}};
  entry.picture.surface = Draw(path, info, w, h, &entry.picture.problem);
  if (entry.picture.surface) {
    entry.picture.w = cairo_xlib_surface_get_width(entry.picture.surface);
    entry.picture.h = cairo_xlib_surface_get_height(entry.picture.surface);
  }
  return entry.picture;
}

void ForgetPictures() {
  for (auto& [key, entry] : kept)
    if (entry.picture.surface) cairo_surface_destroy(entry.picture.surface);
  kept.clear();
}

// A grey card with a cross and the file's name.
void PaintPlaceholder(cairo_t* cr, const Area& box, const std::string& path) {
  cairo_save(cr);
  cairo_rectangle(cr, box.x, box.y, box.w, box.h);
  cairo_set_source_rgb(cr, 0.25, 0.25, 0.25);
  cairo_fill(cr);
  double line = std::max(2.0, std::min(box.w, box.h) / 100);
  cairo_set_line_width(cr, line);
  cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
  cairo_rectangle(cr, box.x + line / 2, box.y + line / 2, box.w - line, box.h - line);
  cairo_move_to(cr, box.x, box.y);
  cairo_line_to(cr, box.x + box.w, box.y + box.h);
  cairo_move_to(cr, box.x + box.w, box.y);
  cairo_line_to(cr, box.x, box.y + box.h);
  cairo_stroke(cr);
  cairo_restore(cr);
  std::string name = path.substr(path.rfind('/') + 1);
  Area label{box.x + box.w * 0.05, box.y + box.h * 0.8, box.w * 0.9, box.h * 0.15};
  PaintText(cr, label, name, "DejaVu Sans", box.h * 0.05, 0xDDDDDD, Align::Centre);
}
