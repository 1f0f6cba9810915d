#include "service/styles.h"

#include <algorithm>
#include <numeric>

#include "service/form.h"

namespace sigservice {
namespace {

// ORDER: the effect of style n is (n-1) mod the effect count, so appending a
// recipe reshuffles every style. Keep the list at 19 entries.
const std::vector<EffectRecipe> kEffects = {
    {.name = "plain"},
    {.name = "slant", .skew = 0.28},
    {.name = "open spacing", .spacing = 0.14},
    {.name = "hollow outline", .fill = Fill::Hollow},
    {.name = "drop shadow", .halo = Halo::DropShadow},
    {.name = "gradient", .fill = Fill::Gradient},
    {.name = "swash underline", .flourish = Flourish::Swash},
    {.name = "tilted", .rotate = -6},
    {.name = "baseline wave", .wave = 0.09},
    {.name = "condensed slant", .skew = 0.18, .widthScale = 0.8},
    {.name = "glow", .halo = Halo::Glow},
    {.name = "emboss", .halo = Halo::Emboss},
    {.name = "tinted outline", .fill = Fill::TintedOutline},
    {.name = "slanted shadow", .skew = 0.22, .halo = Halo::DropShadow},
    {.name = "gradient swash", .fill = Fill::Gradient, .flourish = Flourish::Loop},
    {.name = "wave and shadow", .wave = 0.07, .halo = Halo::DropShadow},
    {.name = "rising double rule", .rotate = 4, .flourish = Flourish::DoubleLine},
    {.name = "back slant, open", .skew = -0.2, .spacing = 0.08},
    {.name = "heavy gradient", .fill = Fill::Gradient, .heavy = true},
};

std::vector<Style> BuildTable() {
  // Chinese family = (n-1) mod 11, Latin family = (n-1) mod 17 and effect =
  // (n-1) mod 19 are pairwise coprime cycles; the alternate flag splits the
  // table at 209 = 11 x 19, so (Chinese, effect, alternate) and
  // (Latin, effect, alternate) are each unique across all 410 styles.
  static_assert(std::size(kChineseFamilies) == 11 && std::size(kLatinFamilies) == 17);
  std::vector<Style> table;
  table.reserve(kStyleCount);
  for (int i = 0; i < kStyleCount; ++i) {
    Style s;
    s.number = i + 1;
    s.chinese = kChineseFamilies[i % kChineseFamilies.size()].family;
    s.latin = kLatinFamilies[i % kLatinFamilies.size()].family;
    s.effect = &kEffects[i % kEffects.size()];
    s.alternate = i >= static_cast<int>(kChineseFamilies.size() * 19);
    table.push_back(s);
  }
  return table;
}

}  // namespace

std::string Style::Families() const {
  std::string list = std::string(latin) + "," + std::string(chinese);
  for (const auto& f : kFallbackFamilies)
    if (f.family != chinese) list += "," + std::string(f.family);
  return list;
}

const std::vector<EffectRecipe>& Effects() { return kEffects; }

const Style& StyleAt(int number) {
  static const std::vector<Style> table = BuildTable();
  return table[static_cast<std::size_t>(number - 1)];
}

std::vector<std::string_view> AllFamilies() {
  std::vector<std::string_view> all;
  for (const auto& f : kLatinFamilies) all.push_back(f.family);
  for (const auto& f : kChineseFamilies) all.push_back(f.family);
  for (const auto& f : kFallbackFamilies)
    if (std::find(all.begin(), all.end(), f.family) == all.end()) all.push_back(f.family);
  return all;
}

}  // namespace sigservice
