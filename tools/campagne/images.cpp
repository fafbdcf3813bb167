// The pictures of the campaign page, drawn by PLplot's SVG driver
// (tools/commun/svg.hpp) and inlined in base64.
#include "tools/campagne/tables.hpp"

#include "tools/commun/svg.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <stdexcept>

namespace campagne {

namespace {

std::string base64(const std::string& octets)
{
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((octets.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < octets.size(); i += 3) {
        const unsigned v = static_cast<unsigned char>(octets[i]) << 16 | static_cast<unsigned char>(octets[i + 1]) << 8 |
                           static_cast<unsigned char>(octets[i + 2]);
        for (int k = 3; k >= 0; --k)
            out += alphabet[(v >> (6 * k)) & 63];
    }
    if (i < octets.size()) {
        unsigned v = static_cast<unsigned char>(octets[i]) << 16;
        if (i + 1 < octets.size())
            v |= static_cast<unsigned char>(octets[i + 1]) << 8;
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += i + 1 < octets.size() ? alphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

double valeur(const Json& m, const char* modele, const std::string& cle)
{
    if (!m.contains(modele) || !m[modele].is_object() || !m[modele].contains(cle) || !m[modele][cle].is_number())
        return std::nan("");
    return m[modele][cle].get<double>();
}

struct Serie {
    std::vector<double> x, y, bas, haut;
};

} // namespace

std::string image_svg(const std::vector<Mesure>& mesures, const std::string& cle, const std::string& unite)
{
    if (!outils::svg_disponible())
        return {};
    // One series per model, at the measurement's number in the table (the
    // Gaussian model a little to the right).
    std::array<Serie, 2> series;
    const std::array<const char*, 2> modeles = {"exponentiel", "gaussien"};
    double y_min = INFINITY, y_max = -INFINITY;
    for (std::size_t i = 0; i < mesures.size(); ++i) {
        const Json& m = mesures[i].marque;
        if (!m.contains("unite_longueur") || m["unite_longueur"] != unite)
            continue;
        for (std::size_t s = 0; s < 2; ++s) {
            const double v = valeur(m, modeles[s], cle);
            if (!std::isfinite(v))
                continue;
            double bas = valeur(m, modeles[s], cle + "_bas");
            double haut = valeur(m, modeles[s], cle + "_haut");
            if (!std::isfinite(bas) || !std::isfinite(haut))
                bas = haut = v;
            series[s].x.push_back(static_cast<double>(i + 1) + (s == 0 ? -0.12 : 0.12));
            series[s].y.push_back(v);
            series[s].bas.push_back(bas);
            series[s].haut.push_back(haut);
            y_min = std::min({y_min, v, bas});
            y_max = std::max({y_max, v, haut});
        }
    }
    if (series[0].x.empty() && series[1].x.empty())
        return {};
    if (!(y_max > y_min)) {
        y_min -= 0.5 * std::abs(y_min) + 1e-9;
        y_max += 0.5 * std::abs(y_max) + 1e-9;
    }
    const double marge = 0.06 * (y_max - y_min);
    y_min = std::max(0.0, y_min - marge);
    y_max += marge;

    const int largeur = std::clamp(static_cast<int>(mesures.size()) * 18 + 160, 480, 1600);
    static const PLINT r[] = {255, 0, 31, 214, 200};
    static const PLINT g[] = {255, 0, 119, 39, 200};
    static const PLINT b[] = {255, 0, 180, 40, 200};
    std::optional<outils::CaptureSvg> capture;
    try {
        capture.emplace(largeur, 360, outils::Couleurs{r, g, b}, "campagne");
    } catch (const std::runtime_error&) {
        return {};
    }
    plstream& pls = capture->pls();
    pls.schr(0, 0.8);
    pls.ssym(0, 1.8);
    pls.adv(0);
    pls.vsta();
    pls.wind(0.5, static_cast<double>(mesures.size()) + 0.5, y_min, y_max);
    pls.col0(1);
    const double pas_x = mesures.size() <= 25 ? 1.0 : std::ceil(static_cast<double>(mesures.size()) / 25.0);
    pls.box("bcnst", pas_x, 1, "bcnstv", 0.0, 0);
    const std::string grandeur = cle == "sigma" ? "#gs" : "L";
    const std::string court = unite == "% du cote du cadre" ? "% du côté" : unite;
    pls.lab("mesure (numéro du tableau)", (grandeur + " (" + court + ")").c_str(),
            (grandeur + " de chaque mesure : exponentiel (bleu), gaussien (rouge), intervalles à 95 %").c_str());
    for (std::size_t s = 0; s < 2; ++s) {
        auto& se = series[s];
        if (se.x.empty())
            continue;
        pls.col0(static_cast<PLINT>(2 + s));
        const auto n = static_cast<PLINT>(se.x.size());
        pls.erry(n, se.x.data(), se.bas.data(), se.haut.data());
        pls.poin(n, se.x.data(), se.y.data(), s == 0 ? 17 : 4);
    }
    return base64(capture->finir());
}

} // namespace campagne
