#include "tools/rapport/ajustement.hpp"

#include "tools/rapport/grille.hpp"

#include "common/regle_arret.hpp"

#include <gsl/gsl_blas.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_linalg.h>
#include <gsl/gsl_multifit_nlinear.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <tuple>

namespace rapport {

int rayon_max_observation(const Fonction& commune)
{
    return pipeline::rayonMaxObservation(commune.valeurs(), commune.paires);
}

Points points_ajustement(const Fonction& f, Plage plage, double pas, bool ponderes)
{
    Points p;
    const std::size_t fin = std::min(f.taille(), static_cast<std::size_t>(std::max(plage.rayons, 0)));
    for (std::size_t e = 0; e < fin; ++e)
        if (f.paires[e] > 0) {
            p.r.push_back(static_cast<double>(e + 1) * pas);
            p.H.push_back(f.H(e));
            p.poids.push_back(ponderes ? f.paires[e] : 1.0);
        }
    return p;
}

namespace {

struct Donnees {
    Modele modele;
    const Points* points;
    bool pepite; // the offset at the origin is the third parameter
};

// Residuals H_model(r) − H(r) (GSL applies the weights) and their Jacobian.
int residus(const gsl_vector* x, void* param, gsl_vector* f)
{
    const auto& d = *static_cast<const Donnees*>(param);
    const double s = gsl_vector_get(x, 0), L = gsl_vector_get(x, 1);
    const double a = d.pepite ? gsl_vector_get(x, 2) : 0.0;
    for (std::size_t i = 0; i < d.points->r.size(); ++i)
        gsl_vector_set(f, i, surface::correlation_hauteurs(d.modele, s, L, d.points->r[i]) + a - d.points->H[i]);
    return GSL_SUCCESS;
}

// The derivatives of H = 2σ² g(r/L) (+ a) in σ and L at r.
std::pair<double, double> derivees(Modele modele, double s, double L, double r)
{
    const bool exponentiel = modele == Modele::exponentiel;
    const double u = r / L;
    const double puissance = exponentiel ? u : u * u; // exponent, e = exp(-puissance)
    // dH/dL = 2σ² e d(puissance)/dL, with d(puissance)/dL = -puissance·(1 or 2)/L.
    const double dL = -2.0 * s * s * std::exp(-puissance) * puissance * (exponentiel ? 1.0 : 2.0) / L;
    return {4.0 * s * -std::expm1(-puissance), dL};
}

int jacobien(const gsl_vector* x, void* param, gsl_matrix* J)
{
    const auto& d = *static_cast<const Donnees*>(param);
    const double s = gsl_vector_get(x, 0), L = gsl_vector_get(x, 1);
    for (std::size_t i = 0; i < d.points->r.size(); ++i) {
        const auto [ds, dL] = derivees(d.modele, s, L, d.points->r[i]);
        gsl_matrix_set(J, i, 0, ds);
        gsl_matrix_set(J, i, 1, dL);
        if (d.pepite)
            gsl_matrix_set(J, i, 2, 1.0);
    }
    return GSL_SUCCESS;
}

struct Espace {
    void operator()(gsl_multifit_nlinear_workspace* w) const { gsl_multifit_nlinear_free(w); }
};

// The model's shape g(r/L), H = 2σ² g.
double forme(Modele modele, double u)
{
    return modele == Modele::exponentiel ? -std::expm1(-u) : -std::expm1(-u * u);
}

struct Profil {
    double s2 = 0;     // best σ² for this L
    double a = 0;      // best offset at the origin (0 when it is not fitted)
    double somme = 0;  // weighted sum of squares there
};

// For a given L the model is linear in 2σ² (and the offset): weighted least
// squares in closed form, 2σ² kept at 0 or above.
Profil profil(Modele modele, const Points& p, double L, bool pepite)
{
    double w = 0, h = 0, g1 = 0, hg = 0, gg = 0, hh = 0;
    for (std::size_t i = 0; i < p.r.size(); ++i) {
        const double g = forme(modele, p.r[i] / L);
        w += p.poids[i];
        h += p.poids[i] * p.H[i];
        g1 += p.poids[i] * g;
        hg += p.poids[i] * p.H[i] * g;
        gg += p.poids[i] * g * g;
        hh += p.poids[i] * p.H[i] * p.H[i];
    }
    double m = 0, a = 0; // H ≈ m g + a
    if (pepite) {
        // Centred on the weighted means: g and H's covariance over g's variance.
        const double vg = gg - g1 * g1 / w, cg = hg - h * g1 / w;
        m = vg > 1e-14 * gg ? std::max(cg, 0.0) / vg : 0.0;
        a = (h - m * g1) / w;
    } else
        m = gg > 0 ? std::max(hg, 0.0) / gg : 0.0;
    Profil q;
    q.s2 = m / 2.0;
    q.a = a;
    q.somme = std::max(hh - 2.0 * m * hg - 2.0 * a * h + m * m * gg + 2.0 * m * a * g1 + a * a * w, 0.0);
    return q;
}

double somme_carres(Modele modele, const Points& p, double sigma, double L, double a)
{
    double s = 0;
    for (std::size_t i = 0; i < p.r.size(); ++i) {
        const double d = surface::correlation_hauteurs(modele, sigma, L, p.r[i]) + a - p.H[i];
        s += p.poids[i] * d * d;
    }
    return s;
}

// The L of least squares over [r₁/20, 50 r_n]: a log-spaced scan, then golden
// section between the neighbours of the best scanned L.
struct Optimum {
    double L, s2, a, somme;
    int borne;
};

Optimum optimum_profil(Modele modele, const Points& p, bool pepite)
{
    const double bas = p.r.front() / 20.0, haut = p.r.back() * 50.0;
    constexpr int pas_scan = 80;
    const double facteur = std::pow(haut / bas, 1.0 / pas_scan);
    double hh = 0;
    for (std::size_t i = 0; i < p.r.size(); ++i)
        hh += p.poids[i] * p.H[i] * p.H[i];
    int meilleur = 0;
    double min = std::numeric_limits<double>::infinity();
    for (int i = 0; i <= pas_scan; ++i) {
        const double s = profil(modele, p, bas * std::pow(facteur, i), pepite).somme;
        // Ties (to rounding) go to the shorter L: a flat profile is read as
        // "no rise".
        if (s < min - 1e-12 * hh) {
            min = s;
            meilleur = i;
        }
    }
    Optimum o{bas * std::pow(facteur, meilleur), 0, 0, min, 0};
    if (meilleur == 0 || meilleur == pas_scan) {
        o.borne = meilleur == 0 ? -1 : 1;
        const Profil q = profil(modele, p, o.L, pepite);
        o.s2 = q.s2;
        o.a = q.a;
        return o;
    }
    double a = std::log(o.L / facteur), b = std::log(o.L * facteur);
    const double phi = (std::sqrt(5.0) - 1.0) / 2.0;
    double x1 = b - phi * (b - a), x2 = a + phi * (b - a);
    double f1 = profil(modele, p, std::exp(x1), pepite).somme, f2 = profil(modele, p, std::exp(x2), pepite).somme;
    for (int k = 0; k < 60 && b - a > 1e-12; ++k) {
        if (f1 < f2) {
            b = x2;
            x2 = x1;
            f2 = f1;
            x1 = b - phi * (b - a);
            f1 = profil(modele, p, std::exp(x1), pepite).somme;
        } else {
            a = x1;
            x1 = x2;
            f1 = f2;
            x2 = a + phi * (b - a);
            f2 = profil(modele, p, std::exp(x2), pepite).somme;
        }
    }
    o.L = std::exp((a + b) / 2.0);
    const Profil q = profil(modele, p, o.L, pepite);
    o.s2 = q.s2;
    o.a = q.a;
    // Summed directly: the expanded form loses its digits near an exact fit.
    o.somme = somme_carres(modele, p, std::sqrt(q.s2), o.L, q.a);
    return o;
}

// A point of the solver: σ, L and the offset at the origin.
struct Parametres {
    double sigma, L, a;
};

// The solver from x0; nullopt when it fails.
std::optional<Parametres> solveur(Modele modele, const Points& points, Parametres x0, bool pepite)
{
    const std::size_t n = points.r.size(), np = pepite ? 3 : 2;
    Donnees donnees{modele, &points, pepite};
    gsl_multifit_nlinear_fdf fdf{};
    fdf.f = residus;
    fdf.df = jacobien;
    fdf.n = n;
    fdf.p = np;
    fdf.params = &donnees;
    gsl_multifit_nlinear_parameters reglages = gsl_multifit_nlinear_default_parameters();
    std::unique_ptr<gsl_multifit_nlinear_workspace, Espace> espace(
        gsl_multifit_nlinear_alloc(gsl_multifit_nlinear_trust, &reglages, n, np));
    double x0v[3] = {x0.sigma, x0.L, x0.a};
    gsl_vector_view x = gsl_vector_view_array(x0v, np);
    std::vector<double> poids(points.poids);
    gsl_vector_view w = gsl_vector_view_array(poids.data(), n);
    gsl_error_handler_t* ancien = gsl_set_error_handler_off();
    gsl_multifit_nlinear_winit(&x.vector, &w.vector, &fdf, espace.get());
    int info = 0;
    const int etat = gsl_multifit_nlinear_driver(500, 1e-12, 1e-12, 1e-12, nullptr, nullptr, &info, espace.get());
    gsl_set_error_handler(ancien);
    const gsl_vector* xs = gsl_multifit_nlinear_position(espace.get());
    const double sigma = std::fabs(gsl_vector_get(xs, 0)), L = std::fabs(gsl_vector_get(xs, 1));
    const double a = pepite ? gsl_vector_get(xs, 2) : 0.0;
    if (etat != GSL_SUCCESS || !std::isfinite(sigma) || !std::isfinite(L) || !std::isfinite(a) || !(L > 0) ||
        !(sigma > 0))
        return std::nullopt;
    return Parametres{sigma, L, a};
}

// The standard errors of σ and L: √diag((JᵀWJ)⁻¹ χ²/(n − p)), since the pair
// counts weigh the points but are not their inverse variances; infinite when
// JᵀWJ is singular.
std::pair<double, double> erreurs_types(Modele modele, const Points& points, const Ajustement& a, double somme)
{
    const std::size_t n = points.r.size(), np = a.pepite_libre ? 3 : 2;
    double m[3][3] = {};
    for (std::size_t i = 0; i < n; ++i) {
        const auto [ds, dL] = derivees(modele, a.sigma, a.L, points.r[i]);
        const double j[3] = {ds, dL, 1.0};
        for (std::size_t u = 0; u < np; ++u)
            for (std::size_t v = 0; v < np; ++v)
                m[u][v] += points.poids[i] * j[u] * j[v];
    }
    gsl_matrix_view jwj = gsl_matrix_view_array_with_tda(&m[0][0], np, np, 3);
    const double infini = std::numeric_limits<double>::infinity();
    gsl_error_handler_t* ancien = gsl_set_error_handler_off();
    const int etat = gsl_linalg_cholesky_decomp1(&jwj.matrix);
    if (etat == GSL_SUCCESS)
        gsl_linalg_cholesky_invert(&jwj.matrix);
    gsl_set_error_handler(ancien);
    if (etat != GSL_SUCCESS)
        return {infini, infini};
    const double echelle = n > np ? somme / static_cast<double>(n - np) : 0.0;
    return {std::sqrt(std::max(m[0][0] * echelle, 0.0)), std::sqrt(std::max(m[1][1] * echelle, 0.0))};
}

} // namespace

Ajustement ajuster(Modele modele, const Points& points, std::optional<Depart> depart, bool pepite)
{
    const std::size_t n = points.r.size(), minimum = pepite ? 4 : 3;
    const std::string quel = std::string("ajustement ") + surface::nom(modele);
    if (n < minimum)
        throw Erreur(quel + " : moins de " + std::to_string(minimum) + " rayons à ajuster");
    for (std::size_t i = 0; i < n; ++i)
        if (!std::isfinite(points.H[i]) || !std::isfinite(points.r[i]) || !(points.poids[i] > 0))
            throw Erreur(quel + " : point non fini");
    const Optimum o = optimum_profil(modele, points, pepite);
    Ajustement a;
    a.rayons = static_cast<int>(n);
    a.borne = o.borne;
    a.sigma = std::sqrt(o.s2);
    a.L = o.L;
    a.pepite = o.a;
    a.pepite_libre = pepite;
    double somme = o.somme;
    if (o.borne == 0) {
        // Polish, and keep whichever start ends lowest.
        std::vector<Parametres> departs{Parametres{a.sigma, a.L, a.pepite}};
        if (depart)
            departs.push_back(Parametres{depart->sigma, depart->L, a.pepite});
        for (const Parametres x0 : departs)
            if (const auto x = solveur(modele, points, x0, pepite)) {
                const double s = somme_carres(modele, points, x->sigma, x->L, x->a);
                if (s < somme) {
                    somme = s;
                    a.sigma = x->sigma;
                    a.L = x->L;
                    a.pepite = x->a;
                }
            }
    }
    if (!(a.sigma > 0) || !std::isfinite(a.sigma) || !std::isfinite(a.L))
        throw Erreur(quel + " : la méthode des moindres carrés ne converge pas");
    double somme_poids = 0;
    for (const double w : points.poids)
        somme_poids += w;
    a.residu = std::sqrt(somme / somme_poids);
    std::tie(a.erreur_sigma, a.erreur_L) = erreurs_types(modele, points, a, somme);
    return a;
}

} // namespace rapport
