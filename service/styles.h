#pragma once
// The 410 lettering styles. A style is a Latin family, a Chinese family and
// an effect recipe; the table is generated from those three orthogonal lists
// so that any two styles differ in the look of Chinese and of Latin text.
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace sigservice {

enum class Fill { Solid, Gradient, Hollow, TintedOutline };
enum class Halo { None, DropShadow, Emboss, Glow };
enum class Flourish { None, Swash, DoubleLine, Loop };

struct EffectRecipe {
  std::string_view name;
  double skew = 0;           // horizontal shear, positive leans right
  double spacing = 0;        // extra letter spacing in em
  double rotate = 0;         // degrees, positive turns clockwise
  double wave = 0;           // baseline wave amplitude in em
  double widthScale = 1;     // horizontal scale
  Fill fill = Fill::Solid;
  Halo halo = Halo::None;
  Flourish flourish = Flourish::None;
  bool heavy = false;        // stroked with the fill colour to thicken it
};

struct FontChoice {
  std::string_view family;
  std::string_view what;      // for people reading the table and --help
};

inline constexpr std::array kLatinFamilies = {
    FontChoice{"Dancing Script", "lively script"},
    FontChoice{"Kaushan Script", "brush script"},
    FontChoice{"Lobster Two", "bold condensed script"},
    FontChoice{"Kristi", "felt-tip cursive"},
    FontChoice{"Havana", "upright brush script"},
    FontChoice{"Breip", "informal handwriting"},
    FontChoice{"DkgHandwriting", "handwriting"},
    FontChoice{"femkeklaver", "simple handwriting"},
    FontChoice{"Rufscript", "pen handwriting"},
    FontChoice{"Ecolier_court", "school cursive"},
    FontChoice{"Comic Neue", "comic lettering"},
    FontChoice{"Humor Sans", "sketch handwriting"},
    FontChoice{"Leckerli One", "fat handwritten display"},
    FontChoice{"Joscelyn", "secretary hand"},
    FontChoice{"Delphine", "swash calligraphy"},
    FontChoice{"Steve", "quick handwriting"},
    FontChoice{"Tomson Talks", "comic capitals"},
};

inline constexpr std::array kChineseFamilies = {
    FontChoice{"KouzanBrushFontGyousyo", "running-hand brush"},
    FontChoice{"KouzanBrushFontSousyo", "cursive brush"},
    FontChoice{"KouzanBrushFont", "regular brush"},
    FontChoice{"AoyagiKouzanFontT", "bold brush"},
    FontChoice{"AoyagiSosekiFont2", "dry brush"},
    FontChoice{"AR PL UKai CN", "kai"},
    FontChoice{"AR PL KaitiM GB", "kai"},
    FontChoice{"cwTeXKai", "kai"},
    FontChoice{"SetoFont", "pen handwriting"},
    FontChoice{"Yusei Magic", "marker"},
    FontChoice{"Smiley Sans", "slanted modern"},
};

// Where a character is missing from a style's own fonts, these kai fonts
// come next, so a rare character is still written with a brush, never a box.
inline constexpr std::array kFallbackFamilies = {
    FontChoice{"AR PL UKai CN", "kai fallback"},
    FontChoice{"AR PL KaitiM GB", "kai fallback"},
    FontChoice{"WenQuanYi Micro Hei", "last resort"},
};

struct Style {
  int number = 0;  // 1..410
  std::string_view latin;
  std::string_view chinese;
  const EffectRecipe* effect = nullptr;
  bool alternate = false;  // second pass over the lists: heavier, more open
  std::string Families() const;  // pango family list: "Latin,Chinese,fallbacks"
};

const std::vector<EffectRecipe>& Effects();
// Style n (1..410); undefined outside that range, callers validate first.
const Style& StyleAt(int number);

// Every family the table names, each once.
std::vector<std::string_view> AllFamilies();

}  // namespace sigservice
