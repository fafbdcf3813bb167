#include "reliefstat/grille.hpp"

#include <cmath>
#include <string>

namespace reliefstat {

LectureEnTete lireEnTete(pipeline::Reader& grille, EnTete& en_tete)
{
    if (grille.scan("%dx%dx%lf", en_tete.pas_lignes, en_tete.pas_colonnes, en_tete.pas) != 3)
        return LectureEnTete::illisible;
    if (en_tete.pas_lignes < 0 || en_tete.pas_colonnes < 0)
        return LectureEnTete::negatif;
    return LectureEnTete::lu;
}

LectureHauteurs lireHauteurs(pipeline::Reader& grille, Matrice& GRILLE)
{
    const int N = GRILLE.lignes();
    const int M = GRILLE.colonnes();
    LectureHauteurs l;
    for (int j = 0; j < M; ++j)
        for (int i = 0; i < N; ++i) {
            double& hauteur = GRILLE[i][j];
            if (grille.scan("%lf\n", hauteur) != 1)
                return l;
            if (!std::isfinite(hauteur)) {
                l.non_finie = true;
                l.valeur = hauteur;
                return l;
            }
            ++l.lues;
        }
    return l;
}

Surplus lireSurplus(pipeline::Reader& grille)
{
    Surplus s;
    double hauteur = 0.0;
    while (grille.scan("%lf\n", hauteur) == 1)
        ++s.hauteurs;
    s.autre_chose = !grille.at_end();
    return s;
}

long long ligneDeHauteur(pipeline::Reader& grille, long long k)
{
    long long ligne = 1;
    long long mot = -2; // the header is word -1, the first height word 0
    bool dans_un_mot = false;
    std::string morceau;
    while (grille.read_line(morceau, 1 << 16))
        for (const char c : morceau) {
            if (c == '\n') {
                ++ligne;
                dans_un_mot = false;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f') {
                dans_un_mot = false;
            } else if (!dans_un_mot) {
                dans_un_mot = true;
                if (++mot == k)
                    return ligne;
            }
        }
    return ligne;
}

} // namespace reliefstat
