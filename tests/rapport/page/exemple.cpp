#include "tests/rapport/page/exemple.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

namespace rapport_test {

using nlohmann::json;

json exemple_rapport(int lignes, int colonnes, double pas)
{
    json r = json::parse(R"j({"version": 2, "outil": "rugosite-rapport", "fichier": "grille.txt",
      "unite": {"route": "manuelle", "longueur": "cm", "H": "cm²"},
      "reglages": {"cellules_vides": 3, "nivellement": "plan", "ponderation": "paires",
        "modeles": ["exponentiel", "gaussien"], "K": 200, "graine": 12345,
        "methode_intervalle": "percentiles du bootstrap paramétrique"},
      "ajustements": {"meilleur": "exponentiel",
        "exponentiel": {"sigma": 1.2, "L": 3.0, "erreur_sigma": 0.02, "erreur_L": 0.1, "intervalle_sigma": [1.1, 1.3],
          "intervalle_L": [2.6, 3.5], "residu": 0.012, "rayons": 4, "resolu": true, "motif": ""},
        "gaussien": {"sigma": 1.15, "L": 2.5, "erreur_sigma": 0.03, "erreur_L": 0.1, "intervalle_sigma": [1.0, 1.3],
          "intervalle_L": [2.1, 2.9], "residu": 0.05, "rayons": 4, "resolu": true, "motif": ""}},
      "directions": {"modele": "exponentiel", "L_barre": 3.5, "L_cadre": 2.6, "intervalle_anisotropie": [1.1, 1.7],
        "sigma_barre": 1.25, "sigma_cadre": 1.15,
        "axes": [{"cle": "barre", "nom": "le long de la barre (positions du chariot, une ligne de handgrid)"},
                 {"cle": "cadre", "nom": "le long du cadre (positions de la barre)"}]},
      "surface_plate": false, "hauteurs_en_trop": 0})j");
    const json h = {{"Sq", 1.1}, {"Sa", 0.9}, {"Ssk", -0.12}, {"Sku", 3.1}, {"Sp", 3.0}, {"Sv", 2.8}, {"Sz", 5.8}};
    r["hauteurs"] = {{"plan_moyen", h}, {"plan", h}, {"polynome2", h}};
    json& g = r["reglages"];
    g["lignes"] = lignes;
    g["colonnes"] = colonnes;
    g["pas"] = pas;
    g["cellules"] = lignes * colonnes;
    g["part_vide"] = 3.0 / (lignes * colonnes);
    g["plage_ajustement"] = {
        {"r_min", pas}, {"r_max", 4 * pas}, {"rayons", 4}, {"regle", "règle d'essai"}, {"nom", "defaut"}};
    r["directions"]["anisotropie"] = 3.5 / 2.6;
    json& c = r["correlation"];
    const int n = std::max(lignes, colonnes) - 1;
    for (int k = 1; k <= n; ++k) { // the last separation has no pairs, as on a real grid
        const double model = 2 * 1.44 * (1 - std::exp(-k * pas / 3.0));
        c["r"].push_back(k * pas);
        for (const auto& [suffixe, facteur, paires] : {std::tuple{"", 1.0, 10}, {"_barre", 1.05, 5}, {"_cadre", 0.95, 5}}) {
            c[std::string("H") + suffixe].push_back(k == n ? json() : json(model * facteur));
            c[std::string("paires") + suffixe].push_back(k == n ? 0 : paires * (n - k));
        }
    }
    return r;
}

std::vector<double> exemple_hauteurs(int lignes, int colonnes, const std::vector<int>& vides)
{
    std::vector<double> z(static_cast<std::size_t>(lignes) * colonnes);
    for (int i = 0; i < lignes; ++i)
        for (int j = 0; j < colonnes; ++j)
            z[static_cast<std::size_t>(i) * colonnes + j] = std::sin(0.7 * i) + 0.5 * std::cos(0.4 * j);
    for (int k : vides)
        z.at(static_cast<std::size_t>(k)) = std::numeric_limits<double>::quiet_NaN();
    return z;
}

std::string visible_text(const std::string& html)
{
    std::string out;
    for (std::size_t i = 0; i < html.size(); ++i) {
        const bool tag = html[i] == '<';
        if (tag)
            i = html.compare(i, 7, "<style>") == 0 ? std::min(html.find("</style>", i), html.size()) + 7
                                                   : html.find('>', i);
        if (i >= html.size())
            break;
        if (tag || std::isspace(static_cast<unsigned char>(html[i]))) {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
        } else {
            out += html[i];
        }
    }
    return out;
}

std::size_t occurrences(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t i = 0; (i = text.find(what, i)) != std::string::npos; i += what.size())
        ++n;
    return n;
}

} // namespace rapport_test
