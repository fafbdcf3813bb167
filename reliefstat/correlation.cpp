#include "reliefstat/correlation.hpp"

#include "reliefstat/statistiques.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace reliefstat {

#ifndef RUGOSITE_PLAIN_CORRELATION

namespace {

// The fast accumulation. Each separation's sum only depends on the order in
// which it takes its own terms, so the separations are lanes of vectors: for
// one cell, eight consecutive separations take their terms at once, each into
// its own sum, the cells still coming in order. The neighbours along the row
// are consecutive in a padded copy of the row; those down the column are
// gathered from the block's rows of the same copy, one per separation. The separations are dealt to the threads by blocks of
// eight, each thread summing its own blocks in its own copy of vecr.
typedef double v2d __attribute__((vector_size(16)));
typedef long long v2l __attribute__((vector_size(16)));
typedef double v4d __attribute__((vector_size(32)));
typedef long long v4l __attribute__((vector_size(32)));

constexpr int largeur = 8; // separations of one block

// The grid with `largeur` empty cells after each row, so that the neighbours
// of a block along a row are always there to load; the rows from N-1 on are
// empty, so that those of a block down a column are too (the last row is never
// a neighbour down a column).
struct Copie {
    int N = 0, M = 0, r_max = 0;
    std::size_t pas = 0;
    std::vector<double> cases;    // as neighbours down a column: rows 0 to N-2, then empty ones
    std::vector<double> derniere; // row N-1 for its own pairs along it
    const double* voisins(int i) const { return cases.data() + static_cast<std::size_t>(i) * pas; }
    const double* ligne(int i) const { return i == N - 1 ? derniere.data() : voisins(i); }
};

// The blocks b, b + pas, b + 2 pas ... of separations, each over every cell in
// order: a block's sums stay in registers for the whole sweep. For one cell,
// the neighbours of the block along the row are consecutive; those down the
// column are taken from the block's rows, which the sweep reads in step. V is
// a vector of W doubles, L of W integers of 64 bits (the masks).
template <class V, class L, int W>
[[gnu::always_inline]] inline void sommer_blocs_par(const Copie& c, int premier, int pas, std::vector<double>& somme)
{
    constexpr int vecteurs = largeur / W;
    const int blocs = (c.r_max + largeur - 1) / largeur;
    // -1 in the lanes of real cells (more than 1 away from the empty marker).
#define RELIEFSTAT_REELLES(h) ((V)((L)((h) - pipeline::marqueur_vide) & 0x7fffffffffffffffLL) > 1.0)
    for (int b = premier; b < blocs; b += pas) {
        const int r0 = b * largeur + 1;
        V s[vecteurs];
#pragma GCC unroll 4
        for (int k = 0; k < vecteurs; ++k)
            std::memcpy(&s[k], somme.data() + r0 - 1 + W * k, sizeof s[k]);
        for (int i = 0; i < c.N; ++i) {
            // Cells a up to fin_ligne have neighbours along the row for this
            // block; every cell of the row has some down the column, or none.
            const int fin_ligne = c.M - 1 - r0;
            const bool le_long_colonne = i + r0 <= c.N - 2;
            const int fin = le_long_colonne ? c.M - 1 : fin_ligne;
            const double* ligne = c.ligne(i);
            const double* dessous = c.voisins(i + r0);
            const std::size_t p = c.pas;
            for (int a = 0; a <= fin; ++a) {
                const double z = ligne[a];
                if (!reel_tolerance(z))
                    continue; // its terms would all be 0.0
                V terme[vecteurs] = {};
                if (a <= fin_ligne) {
#pragma GCC unroll 4
                    for (int k = 0; k < vecteurs; ++k) {
                        V voisin;
                        std::memcpy(&voisin, ligne + a + r0 + W * k, sizeof voisin);
                        const V d = z - voisin;
                        terme[k] = (V)((L)(d * d) & RELIEFSTAT_REELLES(voisin));
                    }
                }
                if (le_long_colonne) {
                    const double* q = dessous + a;
#pragma GCC unroll 4
                    for (int k = 0; k < vecteurs; ++k) {
                        V voisin;
#pragma GCC unroll 4
                        for (int j = 0; j < W; ++j)
                            voisin[j] = q[static_cast<std::size_t>(W * k + j) * p];
                        const V d = z - voisin;
                        // The cell's term: the pair along the row first.
                        terme[k] += (V)((L)(d * d) & RELIEFSTAT_REELLES(voisin));
                    }
                }
#pragma GCC unroll 4
                for (int k = 0; k < vecteurs; ++k)
                    s[k] += terme[k];
            }
        }
#pragma GCC unroll 4
        for (int k = 0; k < vecteurs; ++k)
            std::memcpy(somme.data() + r0 - 1 + W * k, &s[k], sizeof s[k]);
    }
#undef RELIEFSTAT_REELLES
}

void sommer_blocs_sse2(const Copie& c, int premier, int pas, std::vector<double>& somme)
{
    sommer_blocs_par<v2d, v2l, 2>(c, premier, pas, somme);
}

// The same sums four lanes at a time, on processors that have AVX2: each lane
// still does the same operations in the same order, without fused ones.
[[gnu::target("avx2")]] void sommer_blocs_avx2(const Copie& c, int premier, int pas, std::vector<double>& somme)
{
    sommer_blocs_par<v4d, v4l, 4>(c, premier, pas, somme);
}

void sommer_blocs(const Copie& c, int premier, int pas, std::vector<double>& somme)
{
    if (__builtin_cpu_supports("avx2"))
        sommer_blocs_avx2(c, premier, pas, somme);
    else
        sommer_blocs_sse2(c, premier, pas, somme);
}

// The pairs of each separation, counted on one bit per cell: a count is a
// whole number, whatever the order in which its pairs are found. `compter`
// counts the bits of a word.
template <class Compter>
void compter_paires_avec(const Matrice& g, std::span<double> nombre, Compter compter)
{
    const int N = g.lignes();
    const int M = g.colonnes();
    const std::size_t mots = static_cast<std::size_t>(M) / 64 + 2;
    std::vector<std::uint64_t> bits(static_cast<std::size_t>(N) * mots, 0);
    auto rangee = [&](int i) { return bits.data() + static_cast<std::size_t>(i) * mots; };
    for (int i = 0; i < N; ++i)
        for (int a = 0; a < M; ++a)
            if (reel_tolerance(g[i][a]))
                rangee(i)[a / 64] |= std::uint64_t{1} << (a % 64);
    for (int r = 1; r <= N - 2; ++r) {
        long long paires = 0;
        const std::size_t saut = static_cast<std::size_t>(r) / 64;
        const int decalage = r % 64;
        for (int i = 0; i < N; ++i) {
            const std::uint64_t* x = rangee(i);
            // Along the row: the cells a and a + r.
            for (std::size_t w = 0; w + saut < mots; ++w) {
                std::uint64_t voisins = x[w + saut] >> decalage;
                if (decalage != 0 && w + saut + 1 < mots)
                    voisins |= x[w + saut + 1] << (64 - decalage);
                paires += compter(x[w] & voisins);
            }
            // Down the column: rows i and i + r, the latter before N-1.
            if (i + r < N - 1) {
                const std::uint64_t* y = rangee(i + r);
                for (std::size_t w = 0; w < mots; ++w)
                    paires += compter(x[w] & y[w]);
            }
        }
        nombre[static_cast<std::size_t>(r - 1)] += static_cast<double>(paires);
    }
}

// With the processor's own bit count when it has one (nearly all do).
[[gnu::target("popcnt")]] void compter_paires_popcnt(const Matrice& g, std::span<double> nombre)
{
    compter_paires_avec(g, nombre, [](std::uint64_t w) { return __builtin_popcountll(w); });
}

void compter_paires(const Matrice& g, std::span<double> nombre)
{
    if (__builtin_cpu_supports("popcnt"))
        compter_paires_popcnt(g, nombre);
    else
        compter_paires_avec(g, nombre, [](std::uint64_t w) { return std::popcount(w); });
}

bool accumulation_rapide(const Matrice& g, std::span<double> vecr, std::span<double> nombre)
{
    Copie c;
    c.N = g.lignes();
    c.M = g.colonnes();
    c.r_max = c.N - 2;
    if (c.r_max < 1)
        return true;
    c.pas = static_cast<std::size_t>(c.M) + largeur;
    const std::size_t lignes = static_cast<std::size_t>(c.N) + largeur;
    // Within the memory the program allows itself, or the plain loop does it.
    if (lignes * c.pas * sizeof(double) > memoire_utilisable())
        return false;
    try {
        c.cases.assign(lignes * c.pas, pipeline::marqueur_vide);
        c.derniere.assign(c.pas, pipeline::marqueur_vide);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int i = 0; i < c.N - 1; ++i)
        std::copy(g[i], g[i] + c.M, c.cases.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(i) * c.pas));
    std::copy(g[c.N - 1], g[c.N - 1] + c.M, c.derniere.begin());

    const int blocs = (c.r_max + largeur - 1) / largeur;
    const int fils = std::max(1, std::min({static_cast<int>(std::thread::hardware_concurrency()), blocs, 8}));
    const std::size_t longueur = static_cast<std::size_t>(blocs) * largeur;
    std::vector<std::vector<double>> sommes(static_cast<std::size_t>(fils));
    for (auto& somme : sommes) {
        somme.assign(longueur, 0.0);
        std::copy(vecr.begin(), vecr.begin() + c.r_max, somme.begin()); // the sums go on from vecr
    }
    std::vector<std::thread> autres;
    for (int f = 1; f < fils; ++f) {
        try {
            autres.emplace_back(sommer_blocs, std::cref(c), f, fils, std::ref(sommes[static_cast<std::size_t>(f)]));
        } catch (const std::system_error&) {
            // No thread to be had: this one does those blocks too.
            sommer_blocs(c, f, fils, sommes[static_cast<std::size_t>(f)]);
        }
    }
    sommer_blocs(c, 0, fils, sommes[0]);
    compter_paires(g, nombre);
    for (auto& t : autres)
        t.join();
    for (int r = 1; r <= c.r_max; ++r) {
        const auto f = static_cast<std::size_t>(((r - 1) / largeur) % fils);
        vecr[static_cast<std::size_t>(r - 1)] = sommes[f][static_cast<std::size_t>(r - 1)];
    }
    return true;
}

} // namespace

#endif

void accumulerCorrelationSimple(const Matrice& g, std::span<double> vecr, std::span<double> nombre)
{
    const int N = g.lignes();
    const int M = g.colonnes();
    std::vector<double> delta(vecr.size(), 0.0);
    for (int i = 0; i < N; ++i)
        for (int a = 0; a < M; ++a) {
            if (reel_tolerance(g[i][a]))
                for (int r = 1; r < N - 1; ++r) {
                    if (a + r < M && reel_tolerance(g[i][a + r])) {
                        const double d = g[i][a] - g[i][a + r];
                        delta[r - 1] += d * d;
                        nombre[r - 1] += 1;
                    }
                    if (i + r < N - 1 && reel_tolerance(g[i + r][a])) {
                        const double d = g[i][a] - g[i + r][a];
                        delta[r - 1] += d * d;
                        nombre[r - 1] += 1;
                    }
                }
            for (std::size_t e = 0; e < vecr.size(); ++e) {
                vecr[e] += delta[e];
                delta[e] = 0.0;
            }
        }
}

void accumulerCorrelation(const Matrice& GRILLE_CENTREE, std::span<double> vecr,
                          std::span<double> nombre_delta_z_par_rayon)
{
#ifndef RUGOSITE_PLAIN_CORRELATION
    if (accumulation_rapide(GRILLE_CENTREE, vecr, nombre_delta_z_par_rayon))
        return;
#endif
    accumulerCorrelationSimple(GRILLE_CENTREE, vecr, nombre_delta_z_par_rayon);
}

void fonctionCorrelation(std::span<const double> vecr, std::span<const double> nombre, std::span<double> Hr)
{
    for (std::size_t e = 0; e < Hr.size(); ++e)
        Hr[e] = vecr[e] / nombre[e];
}

void rayons(double pas, std::span<double> r3D)
{
    for (std::size_t e = 0; e < r3D.size(); ++e)
        r3D[e] = static_cast<double>(e + 1) * pas;
}

} // namespace reliefstat
