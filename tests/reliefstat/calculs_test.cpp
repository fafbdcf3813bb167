// The correlation sums to the last bit, the cut of the correlation function
// and the large grids written on two cores (the memory guard is seen refusing
// grids in the program tests).
#include "common/regle_arret.hpp"
#include "reliefstat/correlation.hpp"
#include "reliefstat/matrice.hpp"
#include "reliefstat/statistiques.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

using namespace reliefstat;

namespace {

const double pas_un_nombre = std::numeric_limits<double>::quiet_NaN();

} // namespace

TEST(Correlation, BoucleSimpleSurUneGrilleCompteeALaMain)
{
    // Rows 0 to 3; the cell (1,1) is empty. Separation 1: along the rows 5 + 0
    // + 0 + 37 (six pairs), down the columns 8 + 5 (four pairs, the last row
    // being no neighbour down a column). Separation 2: along 9 + 9 + 0 + 25,
    // down 16 + 9 + 1. Separation 3 has no pair. The sums go on from vecr.
    Matrice g(4, 3);
    const double hauteurs[4][3] = {{0, 1, 3}, {2, 10000.0, 5}, {4, 4, 4}, {1, 0, 6}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j)
            g[i][j] = hauteurs[i][j];
    for (auto accumuler : {&accumulerCorrelationSimple, &accumulerCorrelation}) {
        std::vector<double> vecr{0.5, 0, 0}, nombre(3, 0.0), Hr(3);
        accumuler(g, vecr, nombre);
        EXPECT_EQ(vecr, (std::vector<double>{55.5, 69, 0}));
        EXPECT_EQ(nombre, (std::vector<double>{10, 7, 0}));
        fonctionCorrelation(vecr, nombre, Hr);
        EXPECT_EQ(Hr[0], 5.55);
        EXPECT_EQ(Hr[1], 69.0 / 7);
        EXPECT_TRUE(std::isnan(Hr[2]));
        EXPECT_EQ(pipeline::rayonMaxObservation(Hr, nombre), 2);
    }
}

// The fast sums against the plain loop, to the last bit.
TEST(Correlation, MemesSommesQueLaBoucleSimpleAuBitPres)
{
    // Shapes around the block of separations, wide and tall grids, holes,
    // heights just inside and outside the tolerance of the marker, magnitudes
    // from 1e-3 to 1e3 so that any change of summation order shows; at the
    // last fill, infinite heights (real cells whose squares overflow or give
    // not a number) and cells that are not a number (never real).
    std::mt19937_64 alea(12);
    std::uniform_real_distribution<double> u(0, 1);
    const double speciaux[] = {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                               pas_un_nombre, 10000.0};
    const std::pair<int, int> formes[] = {{1, 5},  {2, 2},    {3, 1},   {5, 9},  {9, 5},   {13, 13}, {40, 25},
                                          {61, 7}, {130, 97}, {97, 130}, {3, 300}, {300, 3}, {66, 66}, {18, 17}};
    for (const auto& [N, M] : formes)
        for (double vides : {0.0, 0.3, 0.9, -1.0}) {
            Matrice g(N, M);
            for (int i = 0; i < N; ++i)
                for (int j = 0; j < M; ++j) {
                    const double x = u(alea);
                    g[i][j] = vides < 0       ? (x < 0.4 ? speciaux[static_cast<int>(x * 10)] : x - 0.7)
                              : x >= vides    ? (u(alea) - 0.5) * std::pow(10.0, N % 7 - 3)
                              : x < vides / 2 ? 10000.0
                                              : 9998.0 + (x - vides / 2) * 8 / vides;
                }
            std::vector<double> vecr(N > 1 ? N - 1 : 0), nombre(vecr.size()), vecr_ref(vecr), nombre_ref(vecr);
            accumulerCorrelation(g, vecr, nombre);
            accumulerCorrelationSimple(g, vecr_ref, nombre_ref);
            EXPECT_TRUE(vecr.empty() || std::memcmp(vecr.data(), vecr_ref.data(), vecr.size() * sizeof(double)) == 0)
                << N << "x" << M << " vides " << vides;
            EXPECT_EQ(nombre_ref, nombre) << N << "x" << M << " vides " << vides;
        }
}

TEST(Correlation, RegleArretEtRayonsRetenus)
{
    using V = std::vector<double>;
    EXPECT_EQ(pipeline::regleArret(V{1, 2, 3, 2.5, 2, 1.5, 1}), 3);
    EXPECT_EQ(pipeline::regleArret(V{1, 3, 2, 2, 1, 0.5, 0.4, 0.3}), 4); // an equal value restarts the count
    EXPECT_EQ(pipeline::regleArret(V{5, 4, 3, 2, 1}), 1);
    EXPECT_EQ(pipeline::regleArret(V{3, 2, 1, pas_un_nombre, 0.5, 0.4, 0.3, 0.2, 0.1}), 5);
    EXPECT_EQ(pipeline::regleArret(V{1, 2, 3, 3, 2, 1, 0.5}), 7); // three decreases: no cut
    // Then the first entry without a pair, and 50, whichever comes first.
    V Hr(200, 1.0), nombre(200, 4.0);
    EXPECT_EQ(pipeline::rayonMaxObservation(Hr, nombre), 50);
    nombre[30] = 0;
    EXPECT_EQ(pipeline::rayonMaxObservation(Hr, nombre), 30);
    EXPECT_EQ(pipeline::rayonMaxObservation(V{1, 2, 3, 2.5, 2, 1.5, 1, pas_un_nombre}, V{9, 9, 9, 9, 9, 9, 9, 0}), 3);
}

// Large grids are formatted on two cores: the text must be, line for line, what
// printf gives in the plain loop, whatever the parity of the number of rows
// (the scripts are written by the same lines of common/).
TEST(Matrice, GrandesGrillesEcritesDansLOrdre)
{
    std::mt19937_64 alea(7);
    std::uniform_real_distribution<double> hauteur(-50, 50);
    for (const auto& [N, M] : {std::pair{301, 251}, std::pair{2, 40000}, std::pair{70001, 1}}) {
        Matrice g(N, M);
        for (int i = 0; i < N; ++i)
            for (int j = 0; j < M; ++j)
                g[i][j] = (i * 7 + j) % 13 == 0 ? 10000.0 : hauteur(alea);
        std::string attendu;
        char texte[64];
        for (int i = 0; i < N; ++i)
            for (int j = 0; j < M; ++j) {
                std::snprintf(texte, sizeof texte, "%lf%s", g[i][j], j + 1 < M ? "\t" : "\n");
                attendu += texte;
            }
        auto fichier = pipeline::Writer::in_memory();
        ecrireMatrice(fichier, g, N, M);
        EXPECT_EQ(fichier.memory_text(), attendu) << N << " x " << M;
    }
}
