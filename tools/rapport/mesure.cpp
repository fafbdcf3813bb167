#include "tools/rapport/mesure.hpp"

#include "tools/rapport/grille.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <set>

namespace rapport {

double longueurs_plage(Modele modele)
{
    return modele == Modele::exponentiel ? longueurs_exponentiel : longueurs_gaussien;
}

int plage_longueurs(double L, double pas, const ReglagesMesure& r, Modele modele)
{
    const double c = r.longueurs > 0 ? r.longueurs : longueurs_plage(modele);
    return static_cast<int>(std::clamp(std::ceil(c * L / pas), static_cast<double>(rayons_minimum), 1e9));
}

int rayons_paires(const Fonction& f)
{
    if (f.taille() == 0)
        return 0;
    const double seuil = part_paires * f.paires[0];
    for (std::size_t e = 0; e < f.taille(); ++e)
        if (!(f.paires[e] >= seuil) || f.paires[e] == 0)
            return static_cast<int>(e);
    return static_cast<int>(f.taille());
}

namespace {

// The function to fit, with at least `k` entries (or all the grid has).
using Source = std::function<const Fonction&(int k)>;

// Below this many cells along a direction, its function is not fitted.
constexpr int cellules_direction = 5;

} // namespace

std::string nombre_court(double v)
{
    char t[32];
    std::snprintf(t, sizeof t, "%.4g", v);
    return t;
}

namespace {

// Whether a fit resolves L, and why not.
void juger(AjustementMesure& m, Modele modele, double pas)
{
    const Ajustement& a = *m.a;
    const double portee = modele == Modele::exponentiel ? 2.5 : 2.0;
    m.resolu = false;
    m.trop_court = a.borne < 0 || a.L < 1.5 * pas;
    if (a.borne < 0 || a.L < pas)
        m.motif = "L est plus courte que le pas : non mesurable avec cette grille";
    else if (a.L < 1.5 * pas)
        m.motif = "L est à peine plus longue que le pas (moins d'un pas et demi) : non mesurable avec cette grille";
    else if (a.borne > 0 || m.r_max < portee * a.L)
        m.motif = "L dépasse la portée de la grille : la plage d'ajustement (jusqu'à r = " + nombre_court(m.r_max) +
                  ") n'atteint pas le palier de la fonction";
    else {
        m.resolu = true;
        m.motif.clear();
    }
}

// One fit over the first R entries.
AjustementMesure ajuster_sur(const Fonction& f, int R, double pas, const ReglagesMesure& r, Modele modele)
{
    AjustementMesure m;
    m.rayons = R;
    const Points p = points_ajustement(f, Plage{R}, pas, r.ponderes);
    const std::size_t minimum = r.pepite ? 4 : 3;
    if (p.r.size() < minimum) {
        m.motif = "trop peu de séparations avec des paires pour ajuster (" + std::to_string(p.r.size()) +
                  ", il en faut " + std::to_string(minimum) + ") : L non mesurable avec cette grille";
        return m;
    }
    m.r_min = p.r.front();
    m.r_max = p.r.back();
    try {
        m.a = ajuster(modele, p, std::nullopt, r.pepite);
    } catch (const Erreur& e) {
        m.motif = e.what();
        return m;
    }
    juger(m, modele, pas);
    return m;
}

// The range c·L of a fit, within the separations that keep enough pairs.
int plage_voulue(const Source& source, const Ajustement& a, double pas, const ReglagesMesure& r, Modele modele)
{
    const int R = plage_longueurs(a.L, pas, r, modele);
    return std::min(R, rayons_paires(source(R)));
}

AjustementMesure suivre_regle(const Source& source, double pas, const ReglagesMesure& r, Modele modele, int depart)
{
    switch (r.regle) {
    case RegleMesure::rayons:
        return ajuster_sur(source(r.rayons), r.rayons, pas, r, modele);
    case RegleMesure::reliefstat: {
        const int R = rayon_max_observation(source(entrees_regle));
        return ajuster_sur(source(R), R, pas, r, modele);
    }
    case RegleMesure::longueurs:
        break;
    }
    int R = depart;
    if (R <= 0)
        R = std::max(rayon_max_observation(source(entrees_regle)), rayons_minimum);
    R = std::max(std::min(R, rayons_paires(source(R))), 1);
    std::set<int> vus;
    AjustementMesure m;
    for (int i = 0; i < iterations_maximum; ++i) {
        m = ajuster_sur(source(R), R, pas, r, modele);
        if (!m.a)
            return m;
        vus.insert(R);
        const int suivant = plage_voulue(source, *m.a, pas, r, modele);
        if (suivant == R)
            return m;
        if (vus.count(suivant)) {
            // A cycle: the longest range of it, once more, and stop.
            R = std::max(R, suivant);
            return ajuster_sur(source(R), R, pas, r, modele);
        }
        R = suivant;
    }
    return ajuster_sur(source(R), R, pas, r, modele);
}

AjustementMesure direction_trop_courte(int cellules)
{
    AjustementMesure m;
    m.motif = "la grille n'a que " + std::to_string(cellules) +
              " cellules dans cette direction : trop peu pour y mesurer L";
    return m;
}

Estimation estimer(const std::function<const Correlation&(int k)>& correlation, int N, int M, double pas,
                   const ReglagesMesure& r, Modele modele)
{
    Estimation e;
    const bool reliefstat = r.fonction == FonctionMesure::reliefstat;
    const Source commune = [&](int k) -> const Fonction& {
        const Correlation& c = correlation(k);
        return reliefstat ? c.commune : c.toutes;
    };
    e.commune = suivre_regle(commune, pas, r, modele, r.depart);
    if (!r.directions)
        return e;
    const int depart = e.commune.rayons;
    const int cellules[2] = {M, N};
    for (int d = 0; d < 2; ++d) {
        if (cellules[d] < cellules_direction) {
            e.direction[d] = direction_trop_courte(cellules[d]);
            continue;
        }
        const Source f = [&](int k) -> const Fonction& {
            const Correlation& c = correlation(k);
            return d == 0 ? c.lignes : c.colonnes;
        };
        e.direction[d] = suivre_regle(f, pas, r, modele, depart);
    }
    return e;
}

} // namespace

namespace {

// A reason followed by the one-sided ends the grid still gives.
std::string bornes_seules(std::string motif, const char* combien, double L, double sigma, const char* bornes)
{
    if (std::isfinite(L) && std::isfinite(sigma))
        motif += std::string(" ; la grille dit seulement que L vaut ") + combien + " " + nombre_court(L) + " et σ " +
                 combien + " " + nombre_court(sigma) + " (bornes " + bornes + " à 97,5 %)";
    return motif;
}

} // namespace

bool correction_hors_grille(double L_corrige, int lignes, int colonnes, double pas)
{
    return L_corrige > etendue(lignes, colonnes, pas);
}

std::string motif_correction_hors_grille(double L_corrige, double L_bas, double sigma_bas, int lignes, int colonnes,
                                         double pas)
{
    return bornes_seules("L dépasse la portée de la grille : corrigée du biais, elle vaudrait " +
                             nombre_court(L_corrige) + ", au-delà de l'étendue de la grille (" +
                             nombre_court(etendue(lignes, colonnes, pas)) + ")",
                         "au moins", L_bas, sigma_bas, "basses");
}

std::string motif_trop_court(const std::string& motif, double L_haut, double sigma_haut)
{
    return bornes_seules(motif, "au plus", L_haut, sigma_haut, "hautes");
}

Estimation mesurer(const Correlation& c, int N, int M, double pas, const ReglagesMesure& r, Modele modele)
{
    return estimer([&](int) -> const Correlation& { return c; }, N, M, pas, r, modele);
}

Estimation mesurer(const std::vector<double>& z, int N, int M, double pas, const ReglagesMesure& r, Modele modele)
{
    const int toutes = std::max(N, M) - 1;
    Correlation c;
    int calculees = 0;
    const bool reliefstat = r.fonction == FonctionMesure::reliefstat;
    // Computed again, with room to grow, whenever a longer range is asked.
    auto correlation = [&](int k) -> const Correlation& {
        k = std::clamp(k, 1, std::max(toutes, 1));
        if (calculees == 0 || (k > calculees && calculees < toutes)) {
            calculees = std::min(std::max({k + k / 2, 64, calculees * 2}), std::max(toutes, 1));
            c = correlation_directions_fft(z, N, M, calculees);
            if (reliefstat)
                c.commune = correlation_commune_fft(z, N, M, calculees);
        }
        return c;
    };
    return estimer(correlation, N, M, pas, r, modele);
}

} // namespace rapport
