#include "service/renderer.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <csetjmp>

namespace sigservice {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Colour {
  double r, g, b;
};

Colour ToColour(Rgb c) { return {c.r / 255.0, c.g / 255.0, c.b / 255.0}; }
Colour Mix(Colour a, Colour b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
void SetColour(cairo_t* cr, Colour c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

// The one pango font map and context, used under FontLock(). Cairo 1.16's
// FreeType glue is not safe when threads load glyphs of shared fonts at the
// same time (it crashed in cairo_glyph_path under load), so everything that
// touches fonts -- layout, shaping, glyph outlines -- runs under one lock,
// and the threads work in parallel on what follows: filling the copied
// outlines, effects and PNG encoding. One shared map also keeps the font
// caches warm for every thread.
struct FontState {
  PangoFontMap* map = nullptr;
  PangoContext* context = nullptr;
  cairo_surface_t* scratch = nullptr;
  FontState() {
    map = pango_cairo_font_map_new();
    context = pango_font_map_create_context(map);
    cairo_font_options_t* fo = cairo_font_options_create();
    // Unhinted outlines: the layout must not depend on the transformation the
    // effects apply, and hinting would snap slanted strokes.
    cairo_font_options_set_hint_style(fo, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(fo, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(fo, CAIRO_ANTIALIAS_GRAY);
    pango_cairo_context_set_font_options(context, fo);
    cairo_font_options_destroy(fo);
    pango_cairo_context_set_resolution(context, 72.0);
    // Unbounded, so no glyph of a long line is culled while it is measured.
    scratch = cairo_recording_surface_create(CAIRO_CONTENT_ALPHA, nullptr);
  }
  ~FontState() {
    cairo_surface_destroy(scratch);
    g_object_unref(context);
    g_object_unref(map);
  }
};

FontState& Fonts() {
  static FontState fonts;
  return fonts;
}

std::mutex& FontLock() {
  static std::mutex lock;
  return lock;
}

struct Box {
  double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
  bool Empty() const { return x1 < x0 || y1 < y0; }
  void Add(double ax0, double ay0, double ax1, double ay1) {
    if (ax1 < ax0 || ay1 < ay0) return;
    x0 = std::min(x0, ax0);
    y0 = std::min(y0, ay0);
    x1 = std::max(x1, ax1);
    y1 = std::max(y1, ay1);
  }
  void Add(const Box& b, double grow, double dx = 0, double dy = 0) {
    if (!b.Empty()) Add(b.x0 - grow + dx, b.y0 - grow + dy, b.x1 + grow + dx, b.y1 + grow + dy);
  }
  double W() const { return x1 - x0; }
  double H() const { return y1 - y0; }
};

using PathPtr = std::unique_ptr<cairo_path_t, decltype(&cairo_path_destroy)>;

// Sizes of the effect layers for a lettering size s (pixels after scaling).
struct Strokes {
  double outline, heavy, shadow, glow, emboss, flourish;
  explicit Strokes(double s, const EffectRecipe& e, bool alternate) {
    outline = std::max(1.0, 0.045 * s);
    // The alternate styles are heavier through the font weight (a bold face,
    // or FreeType's emboldening where there is none): stroking outlines costs
    // several times a whole render, so only the one heavy recipe strokes.
    (void)alternate;
    heavy = e.heavy ? 0.05 * s : 0;
    shadow = e.halo == Halo::DropShadow ? std::max(1.0, 0.06 * s) : 0;
    glow = e.halo == Halo::Glow ? 0.11 * s : 0;
    emboss = e.halo == Halo::Emboss ? std::max(1.0, 0.03 * s) : 0;
    flourish = std::max(1.0, 0.035 * s);
  }
};

// Text and flourish outlines in device space, with their bounds.
struct Plan {
  PathPtr text{nullptr, cairo_path_destroy};
  PathPtr flourish{nullptr, cairo_path_destroy};
  Box textBox;
  Box all;  // every layer, effects included
};

void AddFlourish(cairo_t* cr, const EffectRecipe& e, const Box& t, double s) {
  const double w = t.W();
  switch (e.flourish) {
    case Flourish::None:
      break;
    case Flourish::Swash:
      cairo_move_to(cr, t.x0 - 0.04 * w, t.y1 + 0.02 * s);
      cairo_curve_to(cr, t.x0 + 0.25 * w, t.y1 + 0.22 * s, t.x0 + 0.7 * w, t.y1 + 0.18 * s, t.x1 + 0.06 * w,
                     t.y1 - 0.06 * s);
      break;
    case Flourish::DoubleLine:
      cairo_move_to(cr, t.x0, t.y1 + 0.08 * s);
      cairo_line_to(cr, t.x1, t.y1 + 0.08 * s);
      cairo_move_to(cr, t.x0 + 0.1 * w, t.y1 + 0.17 * s);
      cairo_line_to(cr, t.x1 - 0.1 * w, t.y1 + 0.17 * s);
      break;
    case Flourish::Loop: {
      // Underline that ends in a small loop to the right, as a pen would.
      const double y = t.y1 + 0.1 * s, r = 0.12 * s;
      cairo_move_to(cr, t.x0 - 0.02 * w, y - 0.04 * s);
      cairo_curve_to(cr, t.x0 + 0.3 * w, y + 0.08 * s, t.x1 - 0.2 * w, y + 0.08 * s, t.x1, y - 0.02 * s);
      cairo_curve_to(cr, t.x1 + r * 1.6, y - r * 1.4, t.x1 + r * 0.2, y - r * 2.2, t.x1 + r * 0.4, y);
      cairo_curve_to(cr, t.x1 + r * 0.6, y + r * 1.2, t.x1 + r * 2.0, y + r * 0.4, t.x1 + r * 2.4, y - r * 0.6);
      break;
    }
  }
}

Plan MakePlan(PangoLayout* layout, const EffectRecipe& e, bool alternate, double size, double k) {
  // A fresh context each time: a cairo_t that once failed stays failed, and
  // must not blank every later picture drawn on this thread.
  std::unique_ptr<cairo_t, decltype(&cairo_destroy)> owner(cairo_create(Fonts().scratch), cairo_destroy);
  cairo_t* cr = owner.get();
  if (!(k > 0 && k < 1e6)) k = 1;
  cairo_identity_matrix(cr);
  cairo_new_path(cr);
  cairo_scale(cr, k, k);
  cairo_rotate(cr, e.rotate * kPi / 180.0);
  cairo_matrix_t shear;
  cairo_matrix_init(&shear, e.widthScale, 0, -e.skew, 1, 0, 0);
  cairo_transform(cr, &shear);
  pango_cairo_layout_path(cr, layout);
  cairo_identity_matrix(cr);
  Plan plan;
  cairo_fill_extents(cr, &plan.textBox.x0, &plan.textBox.y0, &plan.textBox.x1, &plan.textBox.y1);
  plan.text.reset(cairo_copy_path(cr));
  cairo_new_path(cr);
  if (plan.textBox.W() <= 0 || plan.textBox.H() <= 0) {
    // Only blanks or invisible characters: keep a blank line's worth of room.
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    plan.textBox = Box{};
    plan.all.Add(0, 0, std::max(1.0, logical.width * k), std::max(1.0, logical.height * k));
    return plan;
  }
  const double s = size * k;
  Strokes st(s, e, alternate);
  double grow = std::max({st.heavy / 2, (e.fill == Fill::Hollow || e.fill == Fill::TintedOutline) ? st.outline / 2 : 0.0,
                          st.glow, st.emboss});
  plan.all.Add(plan.textBox, grow + 0.5);
  plan.all.Add(plan.textBox, grow + 0.5, st.shadow, st.shadow);
  if (e.flourish != Flourish::None) {
    AddFlourish(cr, e, plan.textBox, s);
    cairo_set_line_width(cr, st.flourish);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    Box f;
    cairo_stroke_extents(cr, &f.x0, &f.y0, &f.x1, &f.y1);
    plan.flourish.reset(cairo_copy_path(cr));
    cairo_new_path(cr);
    plan.all.Add(f, 0.5);
  }
  return plan;
}

void ApplyWave(PangoLayout* layout, double amplitude, double size) {
  if (amplitude == 0) return;
  PangoLayoutLine* line = pango_layout_get_line(layout, 0);
  if (!line) return;
  const double period = 2.6 * size * PANGO_SCALE;
  double x = 0;
  for (GSList* r = line->runs; r; r = r->next) {
    auto* run = static_cast<PangoGlyphItem*>(r->data);
    PangoGlyphString* gs = run->glyphs;
    for (int i = 0; i < gs->num_glyphs; ++i) {
      double mid = x + gs->glyphs[i].geometry.width / 2.0;
      gs->glyphs[i].geometry.y_offset += static_cast<int>(amplitude * size * PANGO_SCALE * std::sin(2 * kPi * mid / period));
      x += gs->glyphs[i].geometry.width;
    }
  }
}

// Three passes of a box blur approximate a Gaussian; rows then columns.
void BoxBlur(unsigned char* data, int w, int h, int stride, int radius) {
  std::vector<unsigned char> line(static_cast<std::size_t>(std::max(w, h)));
  auto pass = [&](unsigned char* first, int count, int step) {
    int sum = 0;
    const int window = 2 * radius + 1;
    auto at = [&](int i) -> int { return i < 0 || i >= count ? 0 : first[static_cast<std::ptrdiff_t>(i) * step]; };
    for (int i = -radius; i <= radius; ++i) sum += at(i);
    for (int i = 0; i < count; ++i) {
      line[static_cast<std::size_t>(i)] = static_cast<unsigned char>(sum / window);
      sum += at(i + radius + 1) - at(i - radius);
    }
    for (int i = 0; i < count; ++i) first[static_cast<std::ptrdiff_t>(i) * step] = line[static_cast<std::size_t>(i)];
  };
  for (int p = 0; p < 3; ++p) {
    for (int y = 0; y < h; ++y) pass(data + static_cast<std::ptrdiff_t>(y) * stride, w, 1);
    for (int x = 0; x < w; ++x) pass(data + x, h, stride);
  }
}

void Draw(cairo_t* cr, const Plan& plan, const EffectRecipe& e, bool alternate, double s, Colour ink, Colour paper) {
  Strokes st(s, e, alternate);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  auto textPath = [&](double dx, double dy) {
    cairo_save(cr);
    cairo_translate(cr, dx, dy);
    cairo_new_path(cr);
    cairo_append_path(cr, plan.text.get());
    cairo_restore(cr);
  };
  // Halo layers sit under the lettering.
  if (e.halo == Halo::Glow) {
    // A blurred copy of the lettering in a light tint: one fill and a few
    // box-blur passes, cheaper and softer than stacking wide strokes.
    cairo_surface_t* target = cairo_get_target(cr);
    const int w = cairo_image_surface_get_width(target), h = cairo_image_surface_get_height(target);
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
    cairo_t* mcr = cairo_create(mask);
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    cairo_set_matrix(mcr, &m);
    cairo_append_path(mcr, plan.text.get());
    cairo_fill(mcr);
    cairo_destroy(mcr);
    cairo_surface_flush(mask);
    BoxBlur(cairo_image_surface_get_data(mask), w, h, cairo_image_surface_get_stride(mask),
            std::max(1, static_cast<int>(st.glow / 2.5)));
    cairo_surface_mark_dirty(mask);
    cairo_save(cr);
    cairo_identity_matrix(cr);
    SetColour(cr, Mix(ink, paper, 0.35));
    cairo_mask_surface(cr, mask, 0, 0);
    cairo_restore(cr);
    cairo_surface_destroy(mask);
  } else if (e.halo == Halo::DropShadow) {
    textPath(st.shadow, st.shadow);
    SetColour(cr, Mix(ink, paper, 0.62));
    if (st.heavy > 0) {
      cairo_set_line_width(cr, st.heavy);
      cairo_stroke_preserve(cr);
    }
    cairo_fill(cr);
  } else if (e.halo == Halo::Emboss) {
    textPath(-st.emboss, -st.emboss);
    SetColour(cr, Mix(ink, Colour{1, 1, 1}, 0.65));
    cairo_fill(cr);
    textPath(st.emboss, st.emboss);
    SetColour(cr, Mix(ink, Colour{0, 0, 0}, 0.45));
    cairo_fill(cr);
  }
  if (plan.flourish) {
    cairo_new_path(cr);
    cairo_append_path(cr, plan.flourish.get());
    SetColour(cr, e.fill == Fill::Hollow ? ink : Mix(ink, paper, 0.15));
    cairo_set_line_width(cr, st.flourish);
    cairo_stroke(cr);
  }
  // The lettering itself.
  cairo_pattern_t* gradient = nullptr;
  auto setFill = [&]() {
    if (e.fill == Fill::Gradient) {
      const Box& t = plan.textBox;
      if (!gradient) {
        gradient = cairo_pattern_create_linear(0, t.y0, 0, t.y1);
        Colour low = Mix(ink, paper, 0.5);
        cairo_pattern_add_color_stop_rgb(gradient, 0, ink.r, ink.g, ink.b);
        cairo_pattern_add_color_stop_rgb(gradient, 1, low.r, low.g, low.b);
      }
      cairo_set_source(cr, gradient);
    } else if (e.fill == Fill::TintedOutline) {
      SetColour(cr, Mix(ink, paper, 0.65));
    } else {
      SetColour(cr, ink);
    }
  };
  textPath(0, 0);
  if (e.fill == Fill::Hollow) {
    SetColour(cr, ink);
    cairo_set_line_width(cr, st.outline + st.heavy * 0.5);
    cairo_stroke(cr);
  } else {
    setFill();
    if (st.heavy > 0) {
      cairo_set_line_width(cr, st.heavy);
      cairo_stroke_preserve(cr);
    }
    cairo_fill(cr);
    if (e.fill == Fill::TintedOutline) {
      textPath(0, 0);
      SetColour(cr, ink);
      cairo_set_line_width(cr, st.outline);
      cairo_stroke(cr);
    }
  }
  if (gradient) cairo_pattern_destroy(gradient);
}

using LayoutPtr = std::unique_ptr<PangoLayout, decltype(&g_object_unref)>;

LayoutPtr MakeLayout(std::string_view text, const Style& style, int size) {
  const EffectRecipe& e = *style.effect;
  LayoutPtr layout(pango_layout_new(Fonts().context), g_object_unref);
  pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
  pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
  PangoFontDescription* desc = pango_font_description_new();
  std::string families = style.Families();
  pango_font_description_set_family(desc, families.c_str());
  pango_font_description_set_absolute_size(desc, size * PANGO_SCALE);
  if (style.alternate) pango_font_description_set_weight(desc, PANGO_WEIGHT_BOLD);
  pango_layout_set_font_description(layout.get(), desc);
  pango_font_description_free(desc);
  const double spacing = e.spacing + (style.alternate ? 0.05 : 0);
  if (spacing != 0) {
    PangoAttrList* attrs = pango_attr_list_new();
    pango_attr_list_insert(attrs, pango_attr_letter_spacing_new(static_cast<int>(spacing * size * PANGO_SCALE)));
    pango_layout_set_attributes(layout.get(), attrs);
    pango_attr_list_unref(attrs);
  }
  return layout;
}

}  // namespace

std::vector<std::string> FontsUsed(std::string_view text, const Style& style) {
  std::lock_guard lock(FontLock());
  LayoutPtr layout = MakeLayout(text, style, 32);
  std::vector<std::string> families;
  PangoLayoutLine* line = pango_layout_get_line_readonly(layout.get(), 0);
  for (GSList* r = line ? line->runs : nullptr; r; r = r->next) {
    auto* run = static_cast<PangoGlyphItem*>(r->data);
    PangoFontDescription* d = pango_font_describe(run->item->analysis.font);
    const char* family = pango_font_description_get_family(d);
    families.emplace_back(family ? family : "");
    pango_font_description_free(d);
  }
  return families;
}

Image Render(std::string_view text, const Style& style, int size, Rgb inkRgb, Rgb paperRgb, int fitWidth,
             int fitHeight) {
  const EffectRecipe& e = *style.effect;
  std::unique_lock fontLock(FontLock());
  LayoutPtr layout = MakeLayout(text, style, size);
  Image image;
  image.unknownGlyphs = pango_layout_get_unknown_glyphs_count(layout.get());
  ApplyWave(layout.get(), e.wave, size);

  double k = 1;
  Plan plan = MakePlan(layout.get(), e, style.alternate, size, k);
  const bool fit = fitWidth > 0 && fitHeight > 0;
  const double pad = fit ? 3 : std::max(2.0, std::round(0.12 * size));
  auto outW = [&](const Plan& p) { return p.all.W() + 2 * pad; };
  auto outH = [&](const Plan& p) { return p.all.H() + 2 * pad; };
  if (fit) {
    k = std::min((fitWidth - 2 * pad) / plan.all.W(), (fitHeight - 2 * pad) / plan.all.H());
    if (!std::isfinite(k) || k <= 0) k = 1;
    plan = MakePlan(layout.get(), e, style.alternate, size, k);
    // Effects grow with k, so one more step settles the fit.
    double k2 = std::min((fitWidth - 2 * pad) / plan.all.W(), (fitHeight - 2 * pad) / plan.all.H());
    if (std::isfinite(k2) && k2 > 0 && k2 < 1) {
      k *= k2;
      plan = MakePlan(layout.get(), e, style.alternate, size, k);
    }
  } else if (outW(plan) > kMaxPictureWidth || outH(plan) > kMaxPictureHeight) {
    for (int i = 0; i < 4 && (outW(plan) > kMaxPictureWidth || outH(plan) > kMaxPictureHeight); ++i) {
      k *= std::min((kMaxPictureWidth - 2 * pad) / plan.all.W(), (kMaxPictureHeight - 2 * pad) / plan.all.H()) * 0.995;
      plan = MakePlan(layout.get(), e, style.alternate, size, k);
    }
    image.scaledDown = true;
  }
  layout.reset();
  fontLock.unlock();  // the plan holds copies of the outlines; no font is used from here on
  int w = fit ? fitWidth : static_cast<int>(std::ceil(outW(plan)));
  int h = fit ? fitHeight : static_cast<int>(std::ceil(outH(plan)));
  w = std::clamp(w, 1, kMaxPictureWidth);
  h = std::clamp(h, 1, kMaxPictureHeight);
  const double tx = fit ? (w - plan.all.W()) / 2 - plan.all.x0 : pad - plan.all.x0;
  const double ty = fit ? (h - plan.all.H()) / 2 - plan.all.y0 : pad - plan.all.y0;

  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  cairo_t* cr = cairo_create(surface);
  const Colour ink = ToColour(inkRgb), paper = ToColour(paperRgb);
  SetColour(cr, paper);
  cairo_paint(cr);
  if (plan.text) {
    cairo_translate(cr, tx, ty);
    Draw(cr, plan, e, style.alternate, size * k, ink, paper);
  }
  cairo_destroy(cr);
  cairo_surface_flush(surface);

  image.width = w;
  image.height = h;
  image.rgb.resize(static_cast<std::size_t>(w) * h * 3);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < h; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
    std::uint8_t* out = &image.rgb[static_cast<std::size_t>(y) * w * 3];
    for (int x = 0; x < w; ++x) {
      std::uint32_t px = row[x];
      out[x * 3] = static_cast<std::uint8_t>(px >> 16);
      out[x * 3 + 1] = static_cast<std::uint8_t>(px >> 8);
      out[x * 3 + 2] = static_cast<std::uint8_t>(px);
    }
  }
  cairo_surface_destroy(surface);
  return image;
}

Image RenderSignature(const SignatureRequest& request) {
  return Render(request.text, StyleAt(request.style), request.size, request.ink, request.paper);
}

Image RenderSample(int style) {
  return Render(kSampleText, StyleAt(style), 48, kSampleInk, kSamplePaper, kSampleWidth, kSampleHeight);
}

namespace {
void PngWrite(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}
void PngFlush(png_structp) {}

// Kept apart from EncodePng so no C++ object lives in the frame libpng's
// error handler longjmps out of.
bool WritePng(png_structp png, png_infop info, const Image& image, int level, int filters, std::string* out) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, out, PngWrite, PngFlush);
  png_set_compression_level(png, level);
  if (filters >= 0) png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
  png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y)
    png_write_row(png, const_cast<png_bytep>(&image.rgb[static_cast<std::size_t>(y) * image.width * 3]));
  png_write_end(png, nullptr);
  return true;
}
}  // namespace

std::string EncodePng(const Image& image, int level, int filters) {
  std::string out;
  if (image.width <= 0 || image.height <= 0) return out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return out;
  png_infop info = png_create_info_struct(png);
  out.reserve(image.rgb.size() / 8 + 256);
  if (!info || !WritePng(png, info, image, level, filters, &out)) out.clear();
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<std::string> MissingFamilies() {
  std::vector<std::string> missing;
  for (std::string_view family : AllFamilies()) {
    std::string name(family);
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, os);
    if (!set || set->nfont == 0) missing.push_back(name);
    if (set) FcFontSetDestroy(set);
    FcObjectSetDestroy(os);
    FcPatternDestroy(pattern);
  }
  return missing;
}

}  // namespace sigservice
