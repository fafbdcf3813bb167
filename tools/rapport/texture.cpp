#include "tools/rapport/texture.hpp"

#include <algorithm>
#include <cmath>
#include <future>

namespace rapport {

namespace {

struct Cote {
    Hybrides hybrides;
    Fonctionnels fonctionnels;
    std::vector<double> courbe;
};

} // namespace

Texture texture(const std::vector<double>& z, int lignes, int colonnes, double pas)
{
    // The hybrid and functional parameters on a second thread, beside the
    // transforms.
    auto cote = std::async(std::launch::async, [&] {
        Cote c;
        c.hybrides = parametres_hybrides(z, lignes, colonnes, pas);
        const CourbePortance courbe(z);
        c.fonctionnels = parametres_fonctionnels(courbe);
        c.courbe = courbe.echantillons(points_courbe_portance);
        return c;
    });
    Texture t;
    bool vides = false;
    for (double h : z)
        vides = vides || std::isnan(h);
    if (vides) {
        // The spectrum needs the sums of all lags.
        SommesDecalages sommes(z, lignes, colonnes);
        t.autocorrelation = autocorrelation(sommes, pas);
        t.spectre = spectre(std::move(sommes), pas);
    } else {
        // A full grid's spectrum is its periodogram: the sums are only needed
        // over the window of the autocorrelation, on a smaller torus.
        t.autocorrelation = autocorrelation(SommesDecalages(z, lignes, colonnes, lignes / 2, colonnes / 2), pas);
        t.spectre = periodogramme(z, lignes, colonnes, pas);
    }
    const Longueurs l = longueurs_autocorrelation(t.autocorrelation);
    t.espace = ParametresEspace{l.Sal, l.Str, t.spectre.Std};
    Cote c = cote.get();
    t.hybrides = c.hybrides;
    t.fonctionnels = c.fonctionnels;
    t.courbe_portance = std::move(c.courbe);
    return t;
}

ParametresTirage parametres_tirage(const std::vector<double>& z, int lignes, int colonnes, double pas, int portee)
{
    const int Ky = portee > 0 ? std::min(lignes / 2, portee) : lignes / 2;
    const int Kx = portee > 0 ? std::min(colonnes / 2, portee) : colonnes / 2;
    const Longueurs l =
        longueurs_autocorrelation(autocorrelation(SommesDecalages(z, lignes, colonnes, Ky, Kx), pas, Ky, Kx));
    const Hybrides h = parametres_hybrides(z, lignes, colonnes, pas);
    return ParametresTirage{l.Sal, l.Str, h.Sdq, h.Sdr};
}

} // namespace rapport
