#include "reliefstat/statistiques.hpp"

namespace reliefstat {

SommeReelle sommer_points_reels(const Matrice& GRILLE)
{
    SommeReelle s;
    for (int i = 0; i < GRILLE.lignes(); ++i)
        for (double h : GRILLE.ligne(i))
            if (reel_exact(h)) {
                s.somme += h;
                ++s.nbr_point_reel;
            }
    return s;
}

void centrer(const Matrice& GRILLE, double moy, Matrice& GRILLE_CENTREE)
{
    for (int i = 0; i < GRILLE.lignes(); ++i) {
        const double* g = GRILLE[i];
        double* c = GRILLE_CENTREE[i];
        for (int j = 0; j < GRILLE.colonnes(); ++j)
            c[j] = reel_tolerance(g[j]) ? g[j] - moy : pipeline::marqueur_vide;
    }
}

double ecart_quadratique(const Matrice& GRILLE, const Matrice& GRILLE_CENTREE, long long nbr_point_reel)
{
    double RMS = 0.0;
    for (int i = 0; i < GRILLE.lignes(); ++i) {
        const double* g = GRILLE[i];
        const double* c = GRILLE_CENTREE[i];
        for (int j = 0; j < GRILLE.colonnes(); ++j)
            if (reel_tolerance(g[j]))
                RMS += c[j] * c[j];
    }
    return std::sqrt(RMS / static_cast<double>(nbr_point_reel));
}

} // namespace reliefstat
