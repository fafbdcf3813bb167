#include "tools/rapport/ajustement.hpp"

#include "tools/rapport/grille.hpp"

#include "common/regle_arret.hpp"

#include <gsl/gsl_blas.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_multifit_nlinear.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>

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
};

// Residuals H_model(r) − H(r) (GSL applies the weights) and their Jacobian.
int residus(const gsl_vector* x, void* param, gsl_vector* f)
{
    const auto& d = *static_cast<const Donnees*>(param);
    const double s = gsl_vector_get(x, 0), L = gsl_vector_get(x, 1);
    for (std::size_t i = 0; i < d.points->r.size(); ++i)
        gsl_vector_set(f, i, surface::correlation_hauteurs(d.modele, s, L, d.points->r[i]) - d.points->H[i]);
    return GSL_SUCCESS;
}

int jacobien(const gsl_vector* x, void* param, gsl_matrix* J)
{
    const auto& d = *static_cast<const Donnees*>(param);
    const double s = gsl_vector_get(x, 0), L = gsl_vector_get(x, 1);
    for (std::size_t i = 0; i < d.points->r.size(); ++i) {
        const double u = d.points->r[i] / L;
        const bool exponentiel = d.modele == Modele::exponentiel;
        const double puissance = exponentiel ? u : u * u; // exponent, e = exp(-puissance)
        const double e = std::exp(-puissance);
        // dH/dL = 2σ² e d(puissance)/dL, with d(puissance)/dL = -puissance·(1 or 2)/L.
        const double dL = -2.0 * s * s * e * puissance * (exponentiel ? 1.0 : 2.0) / L;
        gsl_matrix_set(J, i, 0, 4.0 * s * -std::expm1(-puissance));
        gsl_matrix_set(J, i, 1, dL);
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
    double somme = 0;  // weighted sum of squares there
};

Profil profil(Modele modele, const Points& p, double L)
{
    double hg = 0, gg = 0, hh = 0;
    for (std::size_t i = 0; i < p.r.size(); ++i) {
        const double g = forme(modele, p.r[i] / L);
        hg += p.poids[i] * p.H[i] * g;
        gg += p.poids[i] * g * g;
        hh += p.poids[i] * p.H[i] * p.H[i];
    }
    Profil q;
    q.s2 = gg > 0 ? std::max(hg, 0.0) / (2.0 * gg) : 0.0;
    const double m = 2.0 * q.s2;
    q.somme = std::max(hh - 2.0 * m * hg + m * m * gg, 0.0);
    return q;
}

double somme_carres(Modele modele, const Points& p, double sigma, double L)
{
    double s = 0;
    for (std::size_t i = 0; i < p.r.size(); ++i) {
        const double d = surface::correlation_hauteurs(modele, sigma, L, p.r[i]) - p.H[i];
        s += p.poids[i] * d * d;
    }
    return s;
}

// The L of least squares over [r₁/20, 50 r_n]: a log-spaced scan, then golden
// section between the neighbours of the best scanned L.
struct Optimum {
    double L, s2, somme;
    int borne;
};

Optimum optimum_profil(Modele modele, const Points& p)
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
        const double s = profil(modele, p, bas * std::pow(facteur, i)).somme;
        // Ties (to rounding) go to the shorter L: a flat profile is read as
        // "no rise".
        if (s < min - 1e-12 * hh) {
            min = s;
            meilleur = i;
        }
    }
    Optimum o{bas * std::pow(facteur, meilleur), 0, min, 0};
    if (meilleur == 0 || meilleur == pas_scan) {
        o.borne = meilleur == 0 ? -1 : 1;
        o.s2 = profil(modele, p, o.L).s2;
        return o;
    }
    double a = std::log(o.L / facteur), b = std::log(o.L * facteur);
    const double phi = (std::sqrt(5.0) - 1.0) / 2.0;
    double x1 = b - phi * (b - a), x2 = a + phi * (b - a);
    double f1 = profil(modele, p, std::exp(x1)).somme, f2 = profil(modele, p, std::exp(x2)).somme;
    for (int k = 0; k < 60 && b - a > 1e-12; ++k) {
        if (f1 < f2) {
            b = x2;
            x2 = x1;
            f2 = f1;
            x1 = b - phi * (b - a);
            f1 = profil(modele, p, std::exp(x1)).somme;
        } else {
            a = x1;
            x1 = x2;
            f1 = f2;
            x2 = a + phi * (b - a);
            f2 = profil(modele, p, std::exp(x2)).somme;
        }
    }
    o.L = std::exp((a + b) / 2.0);
    const Profil q = profil(modele, p, o.L);
    o.s2 = q.s2;
    // Summed directly: the expanded form loses its digits near an exact fit.
    o.somme = somme_carres(modele, p, std::sqrt(q.s2), o.L);
    return o;
}

// The solver from (σ, L); nullopt when it fails.
std::optional<std::pair<double, double>> solveur(Modele modele, const Points& points, Depart x0)
{
    const std::size_t n = points.r.size();
    Donnees donnees{modele, &points};
    gsl_multifit_nlinear_fdf fdf{};
    fdf.f = residus;
    fdf.df = jacobien;
    fdf.n = n;
    fdf.p = 2;
    fdf.params = &donnees;
    gsl_multifit_nlinear_parameters reglages = gsl_multifit_nlinear_default_parameters();
    std::unique_ptr<gsl_multifit_nlinear_workspace, Espace> espace(
        gsl_multifit_nlinear_alloc(gsl_multifit_nlinear_trust, &reglages, n, 2));
    double x0v[2] = {x0.sigma, x0.L};
    gsl_vector_view x = gsl_vector_view_array(x0v, 2);
    std::vector<double> poids(points.poids);
    gsl_vector_view w = gsl_vector_view_array(poids.data(), n);
    gsl_error_handler_t* ancien = gsl_set_error_handler_off();
    gsl_multifit_nlinear_winit(&x.vector, &w.vector, &fdf, espace.get());
    int info = 0;
    const int etat = gsl_multifit_nlinear_driver(500, 1e-12, 1e-12, 1e-12, nullptr, nullptr, &info, espace.get());
    gsl_set_error_handler(ancien);
    const gsl_vector* xs = gsl_multifit_nlinear_position(espace.get());
    const double sigma = std::fabs(gsl_vector_get(xs, 0)), L = std::fabs(gsl_vector_get(xs, 1));
    if (etat != GSL_SUCCESS || !std::isfinite(sigma) || !std::isfinite(L) || !(L > 0) || !(sigma > 0))
        return std::nullopt;
    return std::pair{sigma, L};
}

} // namespace

Ajustement ajuster(Modele modele, const Points& points, std::optional<Depart> depart)
{
    const std::size_t n = points.r.size();
    const std::string quel = std::string("ajustement ") + surface::nom(modele);
    if (n < 3)
        throw Erreur(quel + " : moins de 3 rayons à ajuster");
    for (std::size_t i = 0; i < n; ++i)
        if (!std::isfinite(points.H[i]) || !std::isfinite(points.r[i]) || !(points.poids[i] > 0))
            throw Erreur(quel + " : point non fini");
    const Optimum o = optimum_profil(modele, points);
    Ajustement a;
    a.rayons = static_cast<int>(n);
    a.borne = o.borne;
    a.sigma = std::sqrt(o.s2);
    a.L = o.L;
    double somme = o.somme;
    if (o.borne == 0) {
        // Polish, and keep whichever start ends lowest.
        std::vector<Depart> departs{Depart{a.sigma, a.L}};
        if (depart)
            departs.push_back(*depart);
        for (const Depart x0 : departs)
            if (const auto x = solveur(modele, points, x0)) {
                const double s = somme_carres(modele, points, x->first, x->second);
                if (s < somme) {
                    somme = s;
                    a.sigma = x->first;
                    a.L = x->second;
                }
            }
    }
    if (!(a.sigma > 0) || !std::isfinite(a.sigma) || !std::isfinite(a.L))
        throw Erreur(quel + " : la méthode des moindres carrés ne converge pas");
    // Residual and the scaled covariance: (JᵀWJ)⁻¹ χ²/(n − 2), since the pair
    // counts weigh the points but are not their inverse variances.
    double somme_poids = 0, a11 = 0, a12 = 0, a22 = 0;
    const bool exponentiel = modele == Modele::exponentiel;
    for (std::size_t i = 0; i < n; ++i) {
        somme_poids += points.poids[i];
        const double u = points.r[i] / a.L, puissance = exponentiel ? u : u * u;
        const double e = std::exp(-puissance);
        const double js = 4.0 * a.sigma * -std::expm1(-puissance);
        const double jl = -2.0 * a.sigma * a.sigma * e * puissance * (exponentiel ? 1.0 : 2.0) / a.L;
        a11 += points.poids[i] * js * js;
        a12 += points.poids[i] * js * jl;
        a22 += points.poids[i] * jl * jl;
    }
    a.residu = std::sqrt(somme / somme_poids);
    const double det = a11 * a22 - a12 * a12;
    const double echelle = n > 2 ? somme / static_cast<double>(n - 2) : 0.0;
    const double infini = std::numeric_limits<double>::infinity();
    a.erreur_sigma = det > 0 ? std::sqrt(std::max(a22 / det * echelle, 0.0)) : infini;
    a.erreur_L = det > 0 ? std::sqrt(std::max(a11 / det * echelle, 0.0)) : infini;
    return a;
}

} // namespace rapport
