#include "common/grid.hpp"

#include <string>

namespace pipeline {

LectureEnTete lireEnTete(Reader& grille, EnTeteGrille& en_tete)
{
    if (grille.scan("%dx%dx%lf", en_tete.pas_lignes, en_tete.pas_colonnes, en_tete.pas) != 3)
        return LectureEnTete::illisible;
    if (en_tete.pas_lignes < 0 || en_tete.pas_colonnes < 0)
        return LectureEnTete::negatif;
    return LectureEnTete::lu;
}

void ecrireEnTete(Writer& grille, int pas_lignes, int pas_colonnes, double pas)
{
    grille.print("%dx%dx%lf\n", pas_lignes, pas_colonnes, pas);
}

void ecrireEnTete(Writer& grille, int pas_lignes, int pas_colonnes, std::string_view pas)
{
    grille.print("%dx%dx%s\n", pas_lignes, pas_colonnes, pas);
}

void ecrireHauteur(Writer& grille, double hauteur)
{
    grille.print("%lf\n", hauteur);
}

LectureHauteurs lireHauteurs(Reader& grille, int N, int M, std::span<double> cases)
{
    LectureHauteurs l;
    for (int j = 0; j < M; ++j)
        for (int i = 0; i < N; ++i) {
            double& hauteur = cases[static_cast<std::size_t>(i) * M + j];
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

Surplus lireSurplus(Reader& grille)
{
    Surplus s;
    double hauteur = 0.0;
    while (grille.scan("%lf\n", hauteur) == 1)
        ++s.hauteurs;
    s.autre_chose = !grille.at_end();
    return s;
}

long long ligneDeHauteur(Reader& grille, long long k)
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

} // namespace pipeline
