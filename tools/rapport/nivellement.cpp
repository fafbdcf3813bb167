#include "tools/rapport/nivellement.hpp"
#include "tools/rapport/lignes.hpp"

#include <gsl/gsl_linalg.h>
#include <gsl/gsl_errno.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace rapport {

const char* nom(Nivellement n)
{
    switch (n) {
    case Nivellement::plan_moyen:
        return "plan_moyen";
    case Nivellement::plan:
        return "plan";
    case Nivellement::polynome2:
        return "polynome2";
    case Nivellement::lignes:
        return "lignes";
    case Nivellement::lignes_moyenne:
        return "lignes_moyenne";
    case Nivellement::colonnes:
        return "colonnes";
    case Nivellement::colonnes_moyenne:
        return "colonnes_moyenne";
    }
    return "";
}

std::optional<Nivellement> nivellement_nomme(const std::string& texte)
{
    for (Nivellement n : tous_nivellements)
        if (texte == nom(n))
            return n;
    return std::nullopt;
}

namespace {

struct MatriceGsl {
    void operator()(gsl_matrix* m) const { gsl_matrix_free(m); }
};
struct VecteurGsl {
    void operator()(gsl_vector* v) const { gsl_vector_free(v); }
};

// Solves the small symmetric system A c = b by singular value decomposition,
// refusing a rank-deficient one.
std::vector<double> resoudre(const std::vector<double>& A, const std::vector<double>& b, std::size_t p)
{
    std::unique_ptr<gsl_matrix, MatriceGsl> U(gsl_matrix_alloc(p, p)), V(gsl_matrix_alloc(p, p));
    std::unique_ptr<gsl_vector, VecteurGsl> S(gsl_vector_alloc(p)), travail(gsl_vector_alloc(p)),
        B(gsl_vector_alloc(p)), X(gsl_vector_alloc(p));
    for (std::size_t i = 0; i < p; ++i) {
        gsl_vector_set(B.get(), i, b[i]);
        for (std::size_t j = 0; j < p; ++j)
            gsl_matrix_set(U.get(), i, j, A[i * p + j]);
    }
    gsl_linalg_SV_decomp(U.get(), V.get(), S.get(), travail.get());
    const double plus_grande = gsl_vector_get(S.get(), 0);
    if (!(gsl_vector_get(S.get(), p - 1) > 1e-12 * plus_grande))
        throw Erreur("nivellement impossible : les cellules reelles ne determinent pas la surface de reference");
    gsl_linalg_SV_solve(U.get(), V.get(), S.get(), B.get(), X.get());
    std::vector<double> c(p);
    for (std::size_t i = 0; i < p; ++i)
        c[i] = gsl_vector_get(X.get(), i);
    return c;
}

} // namespace

std::vector<double> niveler(const std::vector<double>& z, int lignes, int colonnes, Nivellement n)
{
    switch (n) {
    case Nivellement::lignes:
        return niveler_par_ligne(z, lignes, colonnes, SensLignes::lignes, ReferenceLigne::droite);
    case Nivellement::lignes_moyenne:
        return niveler_par_ligne(z, lignes, colonnes, SensLignes::lignes, ReferenceLigne::moyenne);
    case Nivellement::colonnes:
        return niveler_par_ligne(z, lignes, colonnes, SensLignes::colonnes, ReferenceLigne::droite);
    case Nivellement::colonnes_moyenne:
        return niveler_par_ligne(z, lignes, colonnes, SensLignes::colonnes, ReferenceLigne::moyenne);
    default:
        break;
    }
    std::vector<double> sortie(z);
    if (n == Nivellement::plan_moyen) {
        double somme = 0.0;
        long long compte = 0;
        for (double h : z)
            if (!std::isnan(h)) {
                somme += h;
                ++compte;
            }
        if (compte == 0)
            throw Erreur("nivellement impossible : aucune cellule reelle");
        const double moy = somme / static_cast<double>(compte);
        for (double& h : sortie)
            h -= moy;
        return sortie;
    }
    // Coordinates scaled to [-1, 1] keep the normal equations well conditioned.
    // The basis functions are monomials x^px y^py; the sums of the normal
    // equations are gathered row by row as moments in x, so each cell costs a
    // few additions whatever the degree.
    static constexpr int px[6] = {0, 1, 0, 2, 1, 0};
    static constexpr int py[6] = {0, 0, 1, 0, 1, 2};
    const std::size_t p = n == Nivellement::plan ? 3 : 6;
    const double cx = 0.5 * (colonnes - 1), cy = 0.5 * (lignes - 1);
    const double ex = std::max(cx, 1.0), ey = std::max(cy, 1.0);
    std::vector<double> xs(static_cast<std::size_t>(colonnes));
    for (int j = 0; j < colonnes; ++j)
        xs[static_cast<std::size_t>(j)] = (j - cx) / ex;
    auto puissance = [](double v, int k) { return k == 0 ? 1.0 : k == 1 ? v : k == 2 ? v * v : k == 3 ? v * v * v : v * v * v * v; };
    // Sums about the mean height, for accuracy.
    double moy = 0.0;
    long long compte = 0;
    for (double h : z)
        if (!std::isnan(h)) {
            moy += h;
            ++compte;
        }
    if (compte < static_cast<long long>(p))
        throw Erreur("nivellement impossible : trop peu de cellules reelles pour la surface de reference");
    moy /= static_cast<double>(compte);
    std::vector<double> A(p * p, 0.0), b(p, 0.0);
    for (int i = 0; i < lignes; ++i) {
        const double* ligne = z.data() + static_cast<std::size_t>(i) * colonnes;
        double S[5] = {0, 0, 0, 0, 0}, T[3] = {0, 0, 0}; // Σ x^k and Σ x^k (h − moy) over the row
        for (int j = 0; j < colonnes; ++j) {
            const double h = ligne[j];
            if (std::isnan(h))
                continue;
            const double x = xs[static_cast<std::size_t>(j)], x2 = x * x, d = h - moy;
            S[0] += 1.0;
            S[1] += x;
            S[2] += x2;
            T[0] += d;
            T[1] += x * d;
            if (p == 6) {
                S[3] += x2 * x;
                S[4] += x2 * x2;
                T[2] += x2 * d;
            }
        }
        const double y = (i - cy) / ey;
        for (std::size_t r = 0; r < p; ++r) {
            b[r] += puissance(y, py[r]) * T[px[r]];
            for (std::size_t c = r; c < p; ++c)
                A[r * p + c] += puissance(y, py[r] + py[c]) * S[px[r] + px[c]];
        }
    }
    for (std::size_t r = 0; r < p; ++r)
        for (std::size_t c = 0; c < r; ++c)
            A[r * p + c] = A[c * p + r];
    const std::vector<double> coef = resoudre(A, b, p);
    for (int i = 0; i < lignes; ++i) {
        // The reference along row i: a0 + a1 x + a2 x².
        const double y = (i - cy) / ey;
        double a[3] = {moy, 0.0, 0.0};
        for (std::size_t r = 0; r < p; ++r)
            a[px[r]] += coef[r] * puissance(y, py[r]);
        double* ligne = sortie.data() + static_cast<std::size_t>(i) * colonnes;
        for (int j = 0; j < colonnes; ++j) {
            const double x = xs[static_cast<std::size_t>(j)];
            ligne[j] -= a[0] + x * (a[1] + x * a[2]); // NaN stays NaN
        }
    }
    return sortie;
}

std::vector<double> niveler(const Grille& grille, Nivellement n)
{
    return niveler(grille.z, grille.lignes, grille.colonnes, n);
}

Hauteurs parametres_hauteur(const std::vector<double>& z)
{
    double s1 = 0, s2 = 0, s3 = 0, s4 = 0, haut = -HUGE_VAL, bas = HUGE_VAL;
    long long n = 0;
    for (double h : z) {
        if (std::isnan(h))
            continue;
        const double h2 = h * h;
        s1 += std::fabs(h);
        s2 += h2;
        s3 += h2 * h;
        s4 += h2 * h2;
        haut = std::max(haut, h);
        bas = std::min(bas, h);
        ++n;
    }
    Hauteurs p;
    if (n == 0)
        return p;
    const double d = static_cast<double>(n);
    p.Sq = std::sqrt(s2 / d);
    p.Sa = s1 / d;
    p.Ssk = p.Sq > 0 ? s3 / d / (p.Sq * p.Sq * p.Sq) : 0.0;
    p.Sku = p.Sq > 0 ? s4 / d / (p.Sq * p.Sq * p.Sq * p.Sq) : 0.0;
    p.Sp = haut;
    p.Sv = -bas;
    p.Sz = p.Sp + p.Sv;
    return p;
}

} // namespace rapport
