#include "tools/rapport/ajustement.hpp"

#include "tools/rapport/grille.hpp"

#include <gsl/gsl_blas.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_multifit_nlinear.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace rapport {

int rayon_max_observation(const Fonction& commune)
{
    const std::vector<double> Hr = commune.valeurs();
    int regle = static_cast<int>(Hr.size());
    int decroissant = 0;
    double ancienne_val = 0.0;
    for (std::size_t e = 0; e < Hr.size(); ++e) {
        if (ancienne_val > Hr[e])
            ++decroissant;
        else
            decroissant = 0;
        if (decroissant == 4) {
            regle = static_cast<int>(e) - 3;
            break;
        }
        ancienne_val = Hr[e];
    }
    const auto sans_paire = std::find(commune.paires.begin(), commune.paires.end(), 0.0);
    const int avant_sans_paire = static_cast<int>(sans_paire - commune.paires.begin());
    return std::min({regle, avant_sans_paire, 50});
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
struct Mat {
    void operator()(gsl_matrix* m) const { gsl_matrix_free(m); }
};

Depart depart_estime(const Points& p)
{
    // Plateau: the weighted mean of the last third of the points; L: the
    // first radius where H passes (1 − 1/e) of it.
    const std::size_t n = p.r.size();
    double s = 0, w = 0;
    for (std::size_t i = n - std::max<std::size_t>(1, n / 3); i < n; ++i) {
        s += p.H[i] * p.poids[i];
        w += p.poids[i];
    }
    const double plateau = std::max(s / w, *std::max_element(p.H.begin(), p.H.end()) * 0.5);
    double L = p.r[n / 2];
    for (std::size_t i = 0; i < n; ++i)
        if (p.H[i] >= (1.0 - std::exp(-1.0)) * plateau) {
            L = p.r[i];
            break;
        }
    return {std::sqrt(std::max(plateau, 1e-300) / 2.0), L};
}

} // namespace

Ajustement ajuster(Modele modele, const Points& points, std::optional<Depart> depart)
{
    const std::size_t n = points.r.size();
    const std::string quel = std::string("ajustement ") + surface::nom(modele);
    if (n < 3)
        throw Erreur(quel + " : moins de 3 rayons a ajuster");
    const Depart x0 = depart ? *depart : depart_estime(points);
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
    Ajustement a;
    a.sigma = std::fabs(gsl_vector_get(xs, 0));
    a.L = gsl_vector_get(xs, 1);
    if (modele == Modele::gaussien) // the model depends on L² only
        a.L = std::fabs(a.L);
    a.rayons = static_cast<int>(n);
    if (etat != GSL_SUCCESS || !std::isfinite(a.sigma) || !std::isfinite(a.L) || !(a.L > 0) || !(a.sigma > 0))
        throw Erreur(quel + " : la methode des moindres carres ne converge pas");
    // Residual and the scaled covariance: (JᵀWJ)⁻¹ χ²/(n − 2), since the pair
    // counts weigh the points but are not their inverse variances.
    const gsl_vector* f = gsl_multifit_nlinear_residual(espace.get());
    double chi2 = 0, somme_poids = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double ri = gsl_vector_get(f, i); // already sqrt(w) (model − H)
        chi2 += ri * ri;
        somme_poids += points.poids[i];
    }
    a.residu = std::sqrt(chi2 / somme_poids);
    std::unique_ptr<gsl_matrix, Mat> covar(gsl_matrix_alloc(2, 2));
    gsl_multifit_nlinear_covar(gsl_multifit_nlinear_jac(espace.get()), 0.0, covar.get());
    const double echelle = n > 2 ? chi2 / static_cast<double>(n - 2) : 0.0;
    a.erreur_sigma = std::sqrt(std::max(gsl_matrix_get(covar.get(), 0, 0) * echelle, 0.0));
    a.erreur_L = std::sqrt(std::max(gsl_matrix_get(covar.get(), 1, 1) * echelle, 0.0));
    return a;
}

} // namespace rapport
