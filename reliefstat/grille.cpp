#include "grille.hpp"

namespace reliefstat {

LectureEnTete lireEnTete(pipeline::Reader& grille, EnTete& en_tete)
{
    if (grille.scan("%dx%dx%lf", en_tete.pas_lignes, en_tete.pas_colonnes, en_tete.pas) != 3)
        return LectureEnTete::illisible;
    if (en_tete.pas_lignes < 0 || en_tete.pas_colonnes < 0)
        return LectureEnTete::negatif;
    return LectureEnTete::lu;
}

long long lireHauteurs(pipeline::Reader& grille, Matrice& GRILLE)
{
    const int N = GRILLE.lignes();
    const int M = GRILLE.colonnes();
    long long lues = 0;
    for (int j = 0; j < M; ++j)
        for (int i = 0; i < N; ++i) {
            if (grille.scan("%lf\n", GRILLE[i][j]) != 1)
                return lues;
            ++lues;
        }
    return lues;
}

} // namespace reliefstat
