#include "tests/rapport/page/exemple.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

namespace rapport_test {

using nlohmann::json;

json exemple_rapport(int lignes, int colonnes, double pas)
{
    json h = {{"Sq", 1.1}, {"Sa", 0.9}, {"Ssk", -0.12}, {"Sku", 3.1}, {"Sp", 3.0}, {"Sv", 2.8}, {"Sz", 5.8}};
    json r;
    r["version"] = 2;
    r["outil"] = "rugosite-rapport";
    r["fichier"] = "grille.txt";
    r["unite"] = {{"route", "manuelle"}, {"longueur", "cm"}, {"H", "cm²"}};
    r["reglages"] = {
        {"lignes", lignes},
        {"colonnes", colonnes},
        {"pas", pas},
        {"cellules", lignes * colonnes},
        {"cellules_vides", 3},
        {"part_vide", 3.0 / (lignes * colonnes)},
        {"nivellement", "plan"},
        {"plage_ajustement",
         {{"r_min", pas}, {"r_max", 4 * pas}, {"rayons", 4}, {"regle", "règle d'essai"}, {"nom", "defaut"}}},
        {"ponderation", "paires"},
        {"modeles", {"exponentiel", "gaussien"}},
        {"K", 200},
        {"graine", 12345},
        {"methode_intervalle", "percentiles du bootstrap paramétrique"}};
    r["hauteurs"] = {{"plan_moyen", h}, {"plan", h}, {"polynome2", h}};
    auto ajustement = [](double sigma, double L, double erreur_sigma, json intervalle_sigma, json intervalle_L,
                         double residu) {
        return json{{"sigma", sigma},
                    {"L", L},
                    {"erreur_sigma", erreur_sigma},
                    {"erreur_L", 0.1},
                    {"intervalle_sigma", intervalle_sigma},
                    {"intervalle_L", intervalle_L},
                    {"residu", residu},
                    {"rayons", 4},
                    {"resolu", true},
                    {"motif", ""}};
    };
    r["ajustements"] = {{"exponentiel", ajustement(1.2, 3.0, 0.02, {1.1, 1.3}, {2.6, 3.5}, 0.012)},
                        {"gaussien", ajustement(1.15, 2.5, 0.03, {1.0, 1.3}, {2.1, 2.9}, 0.05)},
                        {"meilleur", "exponentiel"}};
    r["directions"] = {{"modele", "exponentiel"},
                       {"axes",
                        {{{"cle", "barre"}, {"nom", "le long de la barre (positions du chariot, une ligne de handgrid)"}},
                         {{"cle", "cadre"}, {"nom", "le long du cadre (positions de la barre)"}}}},
                       {"L_barre", 3.5},
                       {"L_cadre", 2.6},
                       {"anisotropie", 3.5 / 2.6},
                       {"intervalle_anisotropie", {1.1, 1.7}},
                       {"sigma_barre", 1.25},
                       {"sigma_cadre", 1.15}};
    r["surface_plate"] = false;
    r["hauteurs_en_trop"] = 0;
    json c;
    for (const char* cle : {"r", "H", "paires", "H_barre", "paires_barre", "H_cadre", "paires_cadre"})
        c[cle] = json::array();
    const int n = std::max(lignes, colonnes) - 1;
    for (int k = 1; k <= n; ++k) {
        const double rk = k * pas;
        const double model = 2 * 1.44 * (1 - std::exp(-rk / 3.0));
        c["r"].push_back(rk);
        // The last separation has no pairs, as on a real grid.
        c["H"].push_back(k == n ? json() : json(model));
        c["paires"].push_back(k == n ? 0 : 10 * (n - k));
        c["H_barre"].push_back(k == n ? json() : json(model * 1.05));
        c["paires_barre"].push_back(k == n ? 0 : 5 * (n - k));
        c["H_cadre"].push_back(k == n ? json() : json(model * 0.95));
        c["paires_cadre"].push_back(k == n ? 0 : 5 * (n - k));
    }
    r["correlation"] = c;
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

namespace {

bool is_void(const std::string& name)
{
    return name == "meta" || name == "br" || name == "hr" || name == "img" || name == "input" || name == "link";
}

} // namespace

std::string structure_fault(const std::string& html)
{
    std::vector<std::string> open;
    std::size_t i = 0;
    while ((i = html.find('<', i)) != std::string::npos) {
        if (html.compare(i, 4, "<!--") == 0) {
            const auto e = html.find("-->", i);
            if (e == std::string::npos)
                return "commentaire non fermé";
            i = e + 3;
            continue;
        }
        const auto end = html.find('>', i);
        if (end == std::string::npos)
            return "balise non fermée à l'octet " + std::to_string(i);
        const std::string tag = html.substr(i + 1, end - i - 1);
        i = end + 1;
        if (tag.empty())
            return "balise vide";
        if (tag[0] == '!' || tag[0] == '?')
            continue;
        const bool closing = tag[0] == '/';
        std::size_t n = closing ? 1 : 0;
        std::string name;
        while (n < tag.size() && (std::isalnum(static_cast<unsigned char>(tag[n])) || tag[n] == ':' || tag[n] == '-'))
            name += tag[n++];
        if (name.empty())
            return "nom de balise vide : <" + tag + ">";
        if (closing) {
            if (open.empty() || open.back() != name)
                return "</" + name + "> ferme <" + (open.empty() ? std::string("rien") : open.back()) + ">";
            open.pop_back();
        } else if (tag.back() != '/' && !is_void(name)) {
            if (name == "style" || name == "script") {
                const auto e = html.find("</" + name + ">", i);
                if (e == std::string::npos)
                    return "<" + name + "> non fermée";
                i = e + name.size() + 3;
                continue;
            }
            open.push_back(name);
        }
    }
    if (!open.empty())
        return "<" + open.back() + "> non fermée";
    return {};
}

std::string visible_text(const std::string& html)
{
    std::string out;
    bool in_tag = false;
    for (std::size_t i = 0; i < html.size(); ++i) {
        if (!in_tag && html.compare(i, 7, "<style>") == 0) {
            i = html.find("</style>", i);
            if (i == std::string::npos)
                break;
            i += 7;
            continue;
        }
        if (html[i] == '<') {
            in_tag = true;
            if (!out.empty() && out.back() != ' ')
                out += ' ';
        } else if (html[i] == '>') {
            in_tag = false;
        } else if (!in_tag) {
            const bool space = html[i] == ' ' || html[i] == '\n' || html[i] == '\t';
            if (!space)
                out += html[i];
            else if (!out.empty() && out.back() != ' ')
                out += ' ';
        }
    }
    return out;
}

std::vector<std::string> ids(const std::string& html)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; (i = html.find(" id=\"", i)) != std::string::npos;) {
        i += 5;
        out.push_back(html.substr(i, html.find('"', i) - i));
    }
    return out;
}

std::string svg_by_id(const std::string& html, const std::string& id)
{
    const auto marker = html.find("id=\"" + id + "\"");
    if (marker == std::string::npos)
        return {};
    const auto start = html.rfind("<svg", marker);
    const auto end = html.find("</svg>", marker);
    if (start == std::string::npos || end == std::string::npos)
        return {};
    return html.substr(start, end + 6 - start);
}

std::size_t occurrences(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t i = 0; (i = text.find(what, i)) != std::string::npos; i += what.size())
        ++n;
    return n;
}

} // namespace rapport_test
