#include "grille.hpp"

#include "line_io.hpp"

#include <algorithm>
#include <limits>

namespace rapport {

long long Grille::cellules_reelles() const
{
    long long n = 0;
    for (double h : z)
        n += !std::isnan(h);
    return n;
}

Grille lire_grille(const std::string& fichier)
{
    auto lecteur = pipeline::Reader::open(fichier);
    if (!lecteur)
        throw Erreur("impossible d'ouvrir le fichier " + fichier);
    int A = 0, B = 0;
    double pas = 0.0;
    if (lecteur->scan("%dx%dx%lf", A, B, pas) != 3)
        throw Erreur(fichier + " : l'en-tete ne donne pas les nombres de pas et le pas (forme attendue AxBxpas)");
    if (A < 0 || B < 0)
        throw Erreur(fichier + " : l'en-tete donne un nombre de pas negatif");
    if (!(pas > 0.0) || !std::isfinite(pas))
        throw Erreur(fichier + " : le pas de la grille doit etre un nombre positif");
    const long long cellules = (static_cast<long long>(A) + 1) * (static_cast<long long>(B) + 1);
    if (cellules > (1LL << 31))
        throw Erreur(fichier + " : grille trop grande");
    Grille g;
    g.lignes = A + 1;
    g.colonnes = B + 1;
    g.pas = pas;
    // The heights are gathered as the file gives them (column after column)
    // before the grid is made: a header that announces far more heights than
    // the file holds costs no memory.
    std::vector<double> lues;
    lues.reserve(static_cast<std::size_t>(std::min<long long>(cellules, 1 << 20)));
    for (long long k = 0; k < cellules; ++k) {
        double h = 0.0;
        if (lecteur->scan("%lf\n", h) != 1)
            throw Erreur(fichier + " : trop peu de hauteurs (" + std::to_string(k) + " lues, " +
                         std::to_string(cellules) + " attendues pour une grille de " + std::to_string(g.lignes) +
                         " x " + std::to_string(g.colonnes) + ")");
        lues.push_back(est_vide(h) ? std::numeric_limits<double>::quiet_NaN() : h);
    }
    g.z.resize(static_cast<std::size_t>(cellules));
    std::size_t k = 0;
    for (int j = 0; j < g.colonnes; ++j)
        for (int i = 0; i < g.lignes; ++i)
            g.at(i, j) = lues[k++];
    return g;
}

void verifier_grille(const Grille& grille, const std::string& fichier)
{
    if (grille.lignes < 2 || grille.colonnes < 2)
        throw Erreur(fichier + " : la grille n'a qu'une ligne ou qu'une colonne (" + std::to_string(grille.lignes) +
                     " x " + std::to_string(grille.colonnes) + ") : pas de fonction de correlation");
    double premiere = std::numeric_limits<double>::quiet_NaN();
    bool differentes = false;
    for (double h : grille.z) {
        if (std::isnan(h))
            continue;
        if (std::isnan(premiere))
            premiere = h;
        else if (h != premiere) {
            differentes = true;
            break;
        }
    }
    if (std::isnan(premiere))
        throw Erreur(fichier + " : aucune cellule reelle (toutes valent 10000)");
    if (!differentes)
        throw Erreur(fichier + " : toutes les hauteurs sont egales : surface sans rugosite");
}

} // namespace rapport
