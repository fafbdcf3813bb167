// The figures of one worked measurement folder, as the campaign records them in
// the folder's completion marker and joins them in its tables.
#pragma once

#include "tools/commun/csv.hpp"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace campagne {

using Json = nlohmann::ordered_json;

// The completion marker, written last in a worked folder.
inline constexpr const char* fichier_marque = "campagne-fait.json";

// The programs of each road, in their order (the report last).
const std::vector<std::string>& programmes_route(const std::string& route);

// Whether the files of `programme` were written by this run: the run reached
// past it (no failure, or a failure of a later program).
bool etape_faite(const std::string& route, const std::string& echec, const std::string& programme);

// Lines of a text file (the last one counted without its line end); nullopt
// when the file can't be read.
std::optional<long long> compter_lignes(const std::filesystem::path& fichier);

// The marker of the folder `dossier`, worked with `route` and ended with
// `statut` at `programme` (empty when none failed): the figures are read from
// the files that this run wrote. `champs` are name=value pairs recorded as
// they are (settings, message, fingerprint).
Json marque(const std::filesystem::path& dossier, const std::vector<std::pair<std::string, std::string>>& champs);

// The columns of campagne.csv, in order, and one row of a marker (the folder as
// the campaign names it).
const std::vector<std::string>& colonnes();
std::vector<std::string> ligne(const std::string& dossier, const Json& marque);

// A CSV field: quoted when it holds a comma, a quote or a line end.
using outils::champ_csv;

// A number written the shortest way that reads back exactly, with a decimal
// point whatever the locale; empty for null.
std::string nombre(const Json& valeur);

// Writes `contenu` to `fichier` under a temporary name in the same folder, then
// renames it: the file is either the old one or the whole new one. Throws on
// failure (the temporary file removed).
void ecrire_atomique(const std::filesystem::path& fichier, const std::string& contenu);

} // namespace campagne
