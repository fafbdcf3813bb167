#include "tools/rapport/texture_json.hpp"

#include <algorithm>
#include <cmath>

namespace rapport {

namespace {

using nlohmann::json;

json nombre(double v)
{
    return std::isfinite(v) ? json(v) : json(nullptr);
}

json serie(const std::vector<double>& v)
{
    json a = json::array();
    for (double x : v)
        a.push_back(nombre(x));
    return a;
}

// The window of lags kept every `saut` lags from the centre out, so that the
// map's centre (lag 0, R = 1) is always one of its points.
json carte_autocorrelation(const Autocorrelation& R)
{
    const int Ky = R.portee_lignes, Kx = R.portee_colonnes;
    const int demi = cote_autocorrelation / 2;
    const int saut = std::max({1, (Ky + demi - 1) / demi, (Kx + demi - 1) / demi});
    const int ny = Ky / saut, nx = Kx / saut;
    json lignes = json::array();
    for (int a = -ny; a <= ny; ++a) {
        json ligne = json::array();
        for (int b = -nx; b <= nx; ++b)
            ligne.push_back(nombre(R(a * saut, b * saut)));
        lignes.push_back(std::move(ligne));
    }
    return {{"pas_decalage", R.pas * saut},
            {"decalages_lignes", 2 * ny + 1},
            {"decalages_colonnes", 2 * nx + 1},
            {"unite", "sans dimension (R(0, 0) = 1)"},
            {"valeurs", std::move(lignes)}};
}

} // namespace

json texture_json(const Texture& t)
{
    const Fonctionnels& f = t.fonctionnels;
    const Spectre& s = t.spectre;
    return {
        {"espace", {{"Sal", nombre(t.espace.Sal)}, {"Str", nombre(t.espace.Str)}, {"Std", nombre(t.espace.Std)},
                    {"seuil", seuil_autocorrelation}}},
        {"hybrides", {{"Sdq", nombre(t.hybrides.Sdq)}, {"Sdq_x", nombre(t.hybrides.Sdq_x)},
                      {"Sdq_y", nombre(t.hybrides.Sdq_y)}, {"Sdr", nombre(t.hybrides.Sdr)}}},
        {"fonctionnels",
         {{"Smr", nombre(f.Smr)}, {"c_Smr", hauteur_Smr}, {"Smc", nombre(f.Smc)}, {"p_Smc", taux_Smc},
          {"Sk", nombre(f.Sk)}, {"Spk", nombre(f.Spk)}, {"Svk", nombre(f.Svk)}, {"Smr1", nombre(f.Smr1)},
          {"Smr2", nombre(f.Smr2)}, {"Vmp", nombre(f.Vmp)}, {"Vmc", nombre(f.Vmc)}, {"Vvc", nombre(f.Vvc)},
          {"Vvv", nombre(f.Vvv)}, {"p", taux_p}, {"q", taux_q},
          {"courbe_portance", serie(t.courbe_portance)}}},
        {"spectre",
         {{"unites",
           {{"frequence", "cycles par unite de longueur"},
            {"radial", "hauteur^2 x longueur^2"},
            {"directions", "hauteur^2 x longueur"}}},
          {"frequences_radiales", serie(s.frequences_radiales)},
          {"radial", serie(s.radial)},
          {"frequences_lignes", serie(s.frequences_lignes)},
          {"le_long_des_lignes", serie(s.le_long_des_lignes)},
          {"frequences_colonnes", serie(s.frequences_colonnes)},
          {"le_long_des_colonnes", serie(s.le_long_des_colonnes)}}},
        {"autocorrelation", carte_autocorrelation(t.autocorrelation)},
    };
}

} // namespace rapport
