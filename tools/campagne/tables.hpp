// The campaign's tables: campagne.csv, campagne.json and campagne.html, joined
// from the completion markers of the measurement folders.
#pragma once

#include "tools/campagne/mesure.hpp"

#include <filesystem>
#include <string>
#include <vector>

namespace campagne {

struct Mesure {
    std::string dossier; // as the campaign names it
    Json marque;         // the folder's marker, or one made up when there is none
};

// The marker of a folder, or a stand-in row saying why there is none.
Mesure lire_mesure(const std::string& dossier);

std::string table_csv(const std::vector<Mesure>& mesures);
std::string table_json(const std::vector<Mesure>& mesures);
std::string page_html(const std::vector<Mesure>& mesures);

// The picture (SVG, base64-encoded for a data: address) of σ or L (cle "sigma"
// or "L") with their intervals, one
// measurement after another, for the measurements in `unite`; an empty string
// without PLplot's SVG device or without a figure to draw.
std::string image_svg(const std::vector<Mesure>& mesures, const std::string& cle, const std::string& unite);

// Writes the three tables in `sortie`, each atomically.
void ecrire_tables(const std::filesystem::path& sortie, const std::vector<Mesure>& mesures);

} // namespace campagne
