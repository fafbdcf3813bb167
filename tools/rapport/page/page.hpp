// The report page: one self-contained HTML file (no network, no external
// style, script or font) built from the report's JSON object, with the
// pictures drawn by PLplot as inline SVG.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace rapport {

// The whole page, UTF-8. `hauteurs_nivelees` holds lignes x colonnes levelled
// heights, row-major, NaN for an empty cell. Parts of `rapport` that are
// missing, null or hold "echec" are shown as such; the function does not
// throw on an incomplete object.
std::string page_html(const nlohmann::json& rapport, int lignes, int colonnes,
                      const std::vector<double>& hauteurs_nivelees);

} // namespace rapport
