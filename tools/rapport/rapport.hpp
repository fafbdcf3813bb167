// The report of one grid: its settings, height parameters for the three
// levellings, correlation functions, fits of both models with their bootstrap
// intervals and the fits in each direction, as the JSON object of rapport.json
// (schema version 2, French keys) and the two lines of rapport.csv.
#pragma once

#include "tools/rapport/bootstrap.hpp"
#include "tools/rapport/disque.hpp"
#include "tools/rapport/mesure.hpp"
#include "tools/rapport/grille.hpp"
#include "tools/rapport/nivellement.hpp"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace rapport {

inline constexpr int version_schema = 2;

enum class Route { manuelle, photogrammetrique };

struct Reglages {
    std::string fichier = "grille.txt";
    Nivellement nivellement = Nivellement::plan;
    std::optional<int> rayons; // fit range fixed by the user (--rayons)
    RegleMesure plage = RegleMesure::longueurs;
    FonctionMesure fonction = FonctionMesure::toutes_paires;
    int K = 100;
    std::uint64_t graine = 1;
    int fils = 2;
    std::optional<Route> route;
    // Fit the offset at the origin too (Ajustement::pepite, --pepite libre).
    bool pepite = false;
    // On the photogrammetric road, add back to H what the capture disc takes
    // from it (Disque; --disque non turns it off).
    bool disque = true;
    bool progression = false;
};

// The road of a measurement folder: photogrammetric when the files of that
// road stand beside the grid (the cloud, the frame, the cropped points),
// manual otherwise.
Route route_du_dossier(const std::filesystem::path& dossier);

struct Rapport {
    nlohmann::json json;
    std::string csv;
    std::vector<double> nivelees; // the levelled heights of the chosen levelling
    std::vector<std::string> avertissements; // parts that failed, in French
};

// True when the levelled heights are rounding noise: their RMS at most
// seuil_plate times the largest height (in magnitude) of the grid. Doubles
// keep about 16 digits: a tilted plane of heights near 100 levels to an RMS
// near 1e-14, while any reading a user makes is far above 1e-9 of its scale.
inline constexpr double seuil_plate = 1e-9;
bool surface_plate(const Grille& grille, const std::vector<double>& nivelees);

// The whole analysis. Throws Erreur when nothing can be reported (grid
// unusable); a part that fails (a fit, the intervals) is marked in the object
// and told in `avertissements`. `disque`: the capture disc's correction of a
// photogrammetric grid (not corrected, with a reason, when it could not be had).
Rapport etablir_rapport(const Grille& grille, const Reglages& reglages, Route route, const Disque& disque = {});

// The CSV header line and the line of figures of a report object.
std::string lignes_csv(const nlohmann::json& rapport);

// Writes every file under a temporary name in its folder first, then renames
// them all: either all files are replaced, or none is touched. Throws Erreur.
void ecrire_fichiers(const std::vector<std::pair<std::filesystem::path, std::string>>& fichiers);

} // namespace rapport
