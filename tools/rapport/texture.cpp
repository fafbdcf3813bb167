#include "texture.hpp"

namespace rapport {

Texture texture(const std::vector<double>& z, int lignes, int colonnes, double pas)
{
    Texture t;
    {
        const SommesDecalages sommes(z, lignes, colonnes);
        t.autocorrelation = autocorrelation(sommes, pas);
        t.spectre = spectre(sommes, pas);
    }
    const Longueurs l = longueurs_autocorrelation(t.autocorrelation);
    t.espace = ParametresEspace{l.Sal, l.Str, t.spectre.Std};
    t.hybrides = parametres_hybrides(z, lignes, colonnes, pas);
    const CourbePortance courbe(z);
    t.fonctionnels = parametres_fonctionnels(courbe);
    t.courbe_portance = courbe.echantillons(points_courbe_portance);
    return t;
}

ParametresTirage parametres_tirage(const std::vector<double>& z, int lignes, int colonnes, double pas)
{
    const Longueurs l = longueurs_autocorrelation(autocorrelation(SommesDecalages(z, lignes, colonnes), pas));
    const Hybrides h = parametres_hybrides(z, lignes, colonnes, pas);
    return ParametresTirage{l.Sal, l.Str, h.Sdq, h.Sdr};
}

} // namespace rapport
