// Hand-made report objects and levelled grids for the page tests, and checks
// of the HTML they give.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace rapport_test {

// A complete report (schema 2) of a lignes x colonnes grid of step `pas` on
// the manual road: exponential fit sigma = 1.2, L = 3, Gaussian fit
// sigma = 1.15, L = 2.5, both resolved, levelled by the plane; directions
// "barre" (L = 3.5) and "cadre" (L = 2.6); correlation points on the
// exponential model.
nlohmann::json exemple_rapport(int lignes, int colonnes, double pas);

// Smooth levelled heights, row-major, with the cells listed in `vides`
// (row-major indices) left empty (NaN).
std::vector<double> exemple_hauteurs(int lignes, int colonnes, const std::vector<int>& vides = {});

// The text a reader sees: tags removed, whitespace runs (tags included) made
// single spaces, entities left as they are.
std::string visible_text(const std::string& html);

std::size_t occurrences(const std::string& text, const std::string& what);

} // namespace rapport_test
