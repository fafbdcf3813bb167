// The surface-texture parameters as they go into the report: the JSON keys
// `espace`, `hybrides`, `fonctionnels`, `spectre` and `autocorrelation`, and
// the scalar parameters as CSV columns. A figure that the real cells do not
// determine (NaN) is null in the JSON and empty in the CSV.
#pragma once

#include "tools/rapport/texture.hpp"

#include <nlohmann/json.hpp>

#include <string>
#include <utility>
#include <vector>

namespace rapport {

// The most lags a side of the autocorrelation map that the report keeps.
inline constexpr int cote_autocorrelation = 41;

// The five keys, to merge into the report's object.
nlohmann::json texture_json(const Texture& t);

// The scalar parameters, in the CSV's order: (column name, value).
std::vector<std::pair<std::string, double>> colonnes_texture(const Texture& t);

} // namespace rapport
