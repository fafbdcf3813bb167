// The numbers of reliefstat: which cells count, the correlation sums to the
// last bit, the cut of the correlation function and the memory guard.
#include "correlation.hpp"
#include "matrice.hpp"
#include "statistiques.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <climits>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

using namespace reliefstat;

namespace {

const double pas_un_nombre = std::numeric_limits<double>::quiet_NaN();

Matrice matrice(int nl, int nc, const std::vector<double>& lignes_a_la_suite)
{
    Matrice m(nl, nc);
    for (int i = 0; i < nl; ++i)
        for (int j = 0; j < nc; ++j)
            m[i][j] = lignes_a_la_suite[static_cast<std::size_t>(i) * nc + j];
    return m;
}

// The accumulation written as the plain loop over cells and separations, with
// the scratch vector of the current cell.
void accumulation_de_reference(const Matrice& g, std::vector<double>& vecr, std::vector<double>& nombre)
{
    const int N = g.lignes(), M = g.colonnes();
    std::vector<double> delta(vecr.size(), 0.0);
    for (int i = 0; i < N; ++i)
        for (int a = 0; a < M; ++a) {
            if (reel_tolerance(g[i][a]))
                for (int r = 1; r < N - 1; ++r) {
                    if (a + r < M && reel_tolerance(g[i][a + r])) {
                        delta[r - 1] += (g[i][a] - g[i][a + r]) * (g[i][a] - g[i][a + r]);
                        nombre[r - 1] += 1;
                    }
                    if (i + r < N - 1 && reel_tolerance(g[i + r][a])) {
                        delta[r - 1] += (g[i][a] - g[i + r][a]) * (g[i][a] - g[i + r][a]);
                        nombre[r - 1] += 1;
                    }
                }
            for (std::size_t b = 0; b < delta.size(); ++b) {
                vecr[b] += delta[b];
                delta[b] = 0;
            }
        }
}

bool memes_bits(const std::vector<double>& a, std::span<const double> b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

} // namespace

TEST(Statistiques, LesDeuxTestsDuMarqueurVide)
{
    // 10000.5 counts in the mean and its count, but is empty for the centring
    // and the RMS sum, while still counting in the RMS denominator.
    const Matrice g = matrice(2, 2, {1, 10000.5, 10000, 3});
    const SommeReelle s = sommer_points_reels(g);
    EXPECT_EQ(s.nbr_point_reel, 3);
    EXPECT_EQ(s.somme, 10004.5);
    Matrice c(2, 2);
    centrer(g, 2.0, c);
    EXPECT_TRUE(memes_bits({-1, 10000, 10000, 1}, std::span<const double>(c[0], 4)));
    EXPECT_DOUBLE_EQ(ecart_quadratique(g, c, s.nbr_point_reel), std::sqrt(2.0 / 3.0));
    EXPECT_TRUE(reel_tolerance(9998.999) && !reel_tolerance(9999.0) && !reel_tolerance(10001.0) &&
                !reel_tolerance(pas_un_nombre) && reel_tolerance(-std::numeric_limits<double>::infinity()));
}

TEST(Correlation, PetiteGrilleCalculeeALaMain)
{
    // Rows (0,3,6), (1,4,7), (2,5,8) less 4: six pairs along rows with
    // difference 3, three down the columns (row 2 is never a neighbour).
    const Matrice g = matrice(3, 3, {-4, -1, 2, -3, 0, 3, -2, 1, 4});
    std::vector<double> vecr(2), nombre(2), Hr(2);
    accumulerCorrelation(g, vecr, nombre);
    EXPECT_EQ(vecr, (std::vector<double>{57, 0}));
    EXPECT_EQ(nombre, (std::vector<double>{9, 0}));
    fonctionCorrelation(vecr, nombre, Hr);
    EXPECT_DOUBLE_EQ(Hr[0], 57.0 / 9.0);
    EXPECT_TRUE(std::isnan(Hr[1]));
}

TEST(Correlation, MemesSommesQueLaBoucleSimpleAuBitPres)
{
    // Shapes around the block of separations, wide and tall grids, holes,
    // heights just inside and outside the tolerance of the marker.
    std::mt19937_64 alea(12);
    std::uniform_real_distribution<double> hauteur(-50, 50);
    const std::pair<int, int> formes[] = {{1, 5}, {2, 2}, {3, 1}, {5, 9}, {9, 5}, {13, 13}, {40, 25}, {61, 7}};
    for (const auto& [N, M] : formes)
        for (double vides : {0.0, 0.3, 0.9}) {
            Matrice g(N, M);
            for (int i = 0; i < N; ++i)
                for (int j = 0; j < M; ++j) {
                    const double u = std::uniform_real_distribution<double>(0, 1)(alea);
                    g[i][j] = u < vides ? (u < vides / 2 ? 10000.0 : 10000.0 + (u - vides / 2) * 4 - 1)
                                        : hauteur(alea) * 1e-3 * std::pow(10.0, N % 7);
                }
            std::vector<double> vecr(N > 1 ? N - 1 : 0), nombre(vecr.size());
            std::vector<double> vecr_ref(vecr.size()), nombre_ref(vecr.size());
            accumulerCorrelation(g, vecr, nombre);
            accumulation_de_reference(g, vecr_ref, nombre_ref);
            EXPECT_TRUE(memes_bits(vecr_ref, vecr)) << N << "x" << M << " vides " << vides;
            EXPECT_EQ(nombre_ref, nombre) << N << "x" << M << " vides " << vides;
        }
}

TEST(Correlation, RegleArret)
{
    using V = std::vector<double>;
    EXPECT_EQ(regleArret(V{1, 2, 3, 2.5, 2, 1.5, 1}), 3);
    EXPECT_EQ(regleArret(V{1, 3, 2, 2, 1, 0.5, 0.4, 0.3}), 4); // equal values restart the count
    EXPECT_EQ(regleArret(V{5, 4, 3, 2, 1}), 1);
    EXPECT_EQ(regleArret(V{3, 2, 1, pas_un_nombre, 0.5, 0.4, 0.3, 0.2, 0.1}), 5);
    EXPECT_EQ(regleArret(V{1, 2, 3, 3, 2, 1, 0.5}), 7); // three decreases only: no cut
    EXPECT_EQ(regleArret(V{}), 0);
}

TEST(Correlation, RayonsRetenus)
{
    // The stop rule, the first entry without a pair and 50, whichever is first.
    std::vector<double> Hr(200, 1.0), nombre(200, 4.0);
    EXPECT_EQ(rayonMaxObservation(Hr, nombre), 50);
    nombre[30] = 0;
    Hr[30] = pas_un_nombre;
    EXPECT_EQ(rayonMaxObservation(Hr, nombre), 30);
    Hr = {1, 2, 3, 2.5, 2, 1.5, 1, pas_un_nombre};
    nombre = {9, 9, 9, 9, 9, 9, 9, 0};
    EXPECT_EQ(rayonMaxObservation(Hr, nombre), 3);
    std::vector<double> r3D(3);
    rayons(0.5, r3D);
    EXPECT_EQ(r3D, (std::vector<double>{0.5, 1.0, 1.5}));
}

TEST(Matrice, GardeMemoire)
{
    auto ecran = pipeline::Writer::in_memory();
    Matrice m;
    std::uint64_t memoire = 1000;
    // 10 x 11 doubles and 10 row addresses take 960 bytes; the next one is refused.
    EXPECT_EQ(reserverMatrice(10, 11, m, memoire, ecran), 1);
    EXPECT_EQ(memoire, 40u);
    EXPECT_EQ(m.lignes(), 10);
    EXPECT_EQ(m[9][10], 0.0);
    EXPECT_EQ(reserverMatrice(1, 5, m, memoire, ecran), 0);
    EXPECT_EQ(reserverMatrice(6, 0, m, memoire, ecran), 0);
    EXPECT_EQ(ecran.memory_text(), "erreur resa ligneserreur resa matrice");
    EXPECT_EQ(m.lignes(), 10);
    EXPECT_EQ(memoire, 40u);
    // Counts whose product overflows, or beyond an int, are refused the same way.
    memoire = std::numeric_limits<std::uint64_t>::max();
    EXPECT_EQ(reserverMatrice(1LL << 31, 1, m, memoire, ecran), 0);
    EXPECT_EQ(reserverMatrice(INT_MAX, INT_MAX, m, memoire, ecran), 0);
    EXPECT_EQ(reserverMatrice(1, 1LL << 31, m, memoire, ecran), 0);
    EXPECT_EQ(ecran.memory_text(), "erreur resa ligneserreur resa matriceerreur resa matriceerreur resa ligneserreur resa lignes");
}
