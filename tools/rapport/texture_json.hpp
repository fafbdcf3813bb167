// The surface-texture parameters as they go into the report: the JSON keys
// `espace`, `hybrides`, `fonctionnels`, `spectre` and `autocorrelation`. A
// figure that the real cells do not determine (NaN) is null.
#pragma once

#include "tools/rapport/texture.hpp"

#include <nlohmann/json.hpp>

namespace rapport {

// The most lags a side of the autocorrelation map that the report keeps.
inline constexpr int cote_autocorrelation = 41;

// The five keys, to merge into the report's object.
nlohmann::json texture_json(const Texture& t);

} // namespace rapport
