#include "correlation.hpp"

#include "statistiques.hpp"

#include <algorithm>
#include <array>
#include <vector>

namespace reliefstat {

namespace {

// Separations handled together in one sweep along a row. Each separation has
// its own running sum, so the sums of a block advance side by side instead of
// waiting on one another, and each still takes its terms in cell order.
constexpr int bloc = 4;

} // namespace

void accumulerCorrelation(const Matrice& GRILLE_CENTREE, std::span<double> vecr,
                          std::span<double> nombre_delta_z_par_rayon)
{
    const int N = GRILLE_CENTREE.lignes();
    const int M = GRILLE_CENTREE.colonnes();
    const int r_max = N - 2;
    // The columns of the real cells of the current row: the sweeps visit only
    // those, in order.
    std::vector<int> reelles(static_cast<std::size_t>(M));
    for (int i = 0; i < N; ++i) {
        const double* ligne = GRILLE_CENTREE[i];
        std::size_t nb_reelles = 0;
        for (int a = 0; a < M; ++a) {
            reelles[nb_reelles] = a;
            nb_reelles += reel_tolerance(ligne[a]) ? 1 : 0;
        }
        for (int r0 = 1; r0 <= r_max; r0 += bloc) {
            // For each separation of the block: the first column without a
            // neighbour along the row, and the row of the neighbours down the
            // column (none past the block, nor at or beyond row N-1).
            std::array<int, bloc> fin_ligne{};
            std::array<const double*, bloc> dessous{};
            std::array<double, bloc> somme{};
            std::array<long long, bloc> paires{};
            for (int k = 0; k < bloc; ++k) {
                const int r = r0 + k;
                if (r > r_max)
                    continue;
                fin_ligne[k] = std::max(0, M - r);
                dessous[k] = i + r < N - 1 ? GRILLE_CENTREE[i + r] : nullptr;
                somme[k] = vecr[r - 1];
            }
            for (std::size_t n = 0; n < nb_reelles; ++n) {
                const int a = reelles[n];
                const double z = ligne[a];
#pragma GCC unroll 8
                for (int k = 0; k < bloc; ++k) {
                    // A missing pair adds 0.0 in place of its square, which
                    // leaves every sum as it would be without it.
                    const bool le_long = a < fin_ligne[k];
                    const double voisin_ligne = le_long ? ligne[a + r0 + k] : z;
                    const bool paire_ligne = le_long && reel_tolerance(voisin_ligne);
                    const double d_ligne = z - voisin_ligne;
                    const bool dessous_existe = dessous[k] != nullptr;
                    const double voisin_colonne = dessous_existe ? dessous[k][a] : z;
                    const bool paire_colonne = dessous_existe && reel_tolerance(voisin_colonne);
                    const double d_colonne = z - voisin_colonne;
                    const double terme = (paire_ligne ? d_ligne * d_ligne : 0.0) +
                                         (paire_colonne ? d_colonne * d_colonne : 0.0);
                    somme[k] += terme;
                    paires[k] += static_cast<int>(paire_ligne) + static_cast<int>(paire_colonne);
                }
            }
            for (int k = 0; k < bloc && r0 + k <= r_max; ++k) {
                vecr[r0 + k - 1] = somme[k];
                nombre_delta_z_par_rayon[r0 + k - 1] += static_cast<double>(paires[k]);
            }
        }
    }
}

void fonctionCorrelation(std::span<const double> vecr, std::span<const double> nombre, std::span<double> Hr)
{
    for (std::size_t e = 0; e < Hr.size(); ++e)
        Hr[e] = vecr[e] / nombre[e];
}

int regleArret(std::span<const double> Hr)
{
    int decroissant = 0;
    double ancienne_val = 0.0;
    for (std::size_t e = 0; e < Hr.size(); ++e) {
        if (ancienne_val > Hr[e])
            ++decroissant;
        else
            decroissant = 0;
        if (decroissant == 4)
            return static_cast<int>(e) - 3;
        ancienne_val = Hr[e];
    }
    return static_cast<int>(Hr.size());
}

int rayonMaxObservation(std::span<const double> Hr, std::span<const double> nombre)
{
    const auto sans_paire = std::find(nombre.begin(), nombre.end(), 0.0);
    const int avant_sans_paire = static_cast<int>(sans_paire - nombre.begin());
    return std::min({regleArret(Hr), avant_sans_paire, 50});
}

void rayons(double pas, std::span<double> r3D)
{
    for (std::size_t e = 0; e < r3D.size(); ++e)
        r3D[e] = static_cast<double>(e + 1) * pas;
}

} // namespace reliefstat
