#include "tools/rapport/espace.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <numbers>
#include <stdexcept>

namespace rapport {

ZeroedMemory::ZeroedMemory(std::size_t bytes) : bytes_(bytes ? bytes : 1)
{
    void* p = mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    data_ = p;
}

ZeroedMemory& ZeroedMemory::operator=(ZeroedMemory&& o) noexcept
{
    if (this != &o) {
        ZeroedMemory ancien(std::move(*this));
        data_ = o.data_;
        bytes_ = o.bytes_;
        o.data_ = nullptr;
    }
    return *this;
}

ZeroedMemory::~ZeroedMemory()
{
    if (data_)
        munmap(data_, bytes_);
}

namespace {

// FFTW's planner made safe for threads once, before main: the real
// transforms here are planned beside the surface library's plans, which
// only its own lock serialises.
const bool planificateur_partage = (fftw_make_planner_thread_safe(), true);

// The two in-place real plans of a torus size, kept per thread: the bootstrap
// computes the sums of hundreds of grids of one size.
struct Plans {
    int P = 0, Q = 0;
    surface::Plan directe, inverse;
};

const Plans& plans(int P, int Q, double* donnees)
{
    thread_local Plans cache;
    if (cache.P != P || cache.Q != Q) {
        cache = Plans{};
        cache.directe = plan_reel(P, Q, donnees, false);
        cache.inverse = plan_reel(P, Q, donnees, true);
        cache.P = P;
        cache.Q = Q;
    }
    return cache;
}

// The circular autocorrelation of a P x Q torus of reals (rows Qp apart,
// the in-place layout), in place: transform, squared modulus, inverse.
void autocorreler(double* tore, int P, int Q, std::size_t Qp)
{
    const Plans& p = plans(P, Q, tore);
    fftw_complex* spectre = reinterpret_cast<fftw_complex*>(tore);
    fftw_execute_dft_r2c(p.directe.get(), tore, spectre);
    const double echelle = 1.0 / (static_cast<double>(P) * Q);
    const std::size_t complexes = static_cast<std::size_t>(P) * (Qp / 2);
    for (std::size_t k = 0; k < complexes; ++k) {
        spectre[k][0] = echelle * (spectre[k][0] * spectre[k][0] + spectre[k][1] * spectre[k][1]);
        spectre[k][1] = 0.0;
    }
    fftw_execute_dft_c2r(p.inverse.get(), spectre, tore);
}

} // namespace

surface::Plan plan_reel(int lignes, int colonnes, double* donnees, bool inverse)
{
    (void)planificateur_partage;
    fftw_complex* spectre = reinterpret_cast<fftw_complex*>(donnees);
    surface::Plan p(inverse ? fftw_plan_dft_c2r_2d(lignes, colonnes, spectre, donnees, FFTW_ESTIMATE)
                            : fftw_plan_dft_r2c_2d(lignes, colonnes, donnees, spectre, FFTW_ESTIMATE));
    if (!p.get())
        throw std::runtime_error("FFTW : plan impossible");
    return p;
}

SommesDecalages::SommesDecalages(const std::vector<double>& z, int lignes, int colonnes, int portee_lignes,
                                 int portee_colonnes)
    : N_(lignes), M_(colonnes),
      Ky_(portee_lignes < 0 ? lignes - 1 : std::min(portee_lignes, lignes - 1)),
      Kx_(portee_colonnes < 0 ? colonnes - 1 : std::min(portee_colonnes, colonnes - 1)),
      // A lag dy and its image dy − P on the torus: no pair is P − Ky >= N apart.
      P_(surface::taille_rapide(std::max(lignes + Ky_, 1))), Q_(surface::taille_rapide(std::max(colonnes + Kx_, 1))),
      Qp_(2 * (static_cast<std::size_t>(Q_) / 2 + 1)),
      plein_(std::none_of(z.begin(), z.end(), [](double h) { return std::isnan(h); })),
      sommes_(static_cast<std::size_t>(P_) * Qp_ * sizeof(double))
{
    double* s = tore_sommes();
    for (int i = 0; i < N_; ++i) {
        const double* ligne = z.data() + static_cast<std::size_t>(i) * M_;
        for (int j = 0; j < M_; ++j)
            if (!std::isnan(ligne[j]))
                s[static_cast<std::size_t>(i) * Qp_ + j] = ligne[j];
    }
    autocorreler(s, P_, Q_, Qp_);
    if (plein_)
        return;
    paires_ = ZeroedMemory(static_cast<std::size_t>(P_) * Qp_ * sizeof(double));
    double* p = static_cast<double*>(paires_.data());
    for (int i = 0; i < N_; ++i) {
        const double* ligne = z.data() + static_cast<std::size_t>(i) * M_;
        for (int j = 0; j < M_; ++j)
            p[static_cast<std::size_t>(i) * Qp_ + j] = std::isnan(ligne[j]) ? 0.0 : 1.0;
    }
    autocorreler(p, P_, Q_, Qp_);
    for (int a = 0; a < P_; ++a)
        for (int b = 0; b < Q_; ++b) {
            const std::size_t k = static_cast<std::size_t>(a) * Qp_ + b;
            p[k] = std::round(p[k]);
            if (p[k] == 0)
                s[k] = 0.0; // no pair, no sum
        }
}

Autocorrelation autocorrelation(const SommesDecalages& s, double pas, int Ky, int Kx)
{
    Ky = std::clamp(Ky, 0, s.portee_lignes());
    Kx = std::clamp(Kx, 0, s.portee_colonnes());
    Autocorrelation R;
    R.portee_lignes = Ky;
    R.portee_colonnes = Kx;
    R.pas = pas;
    const std::size_t taille = static_cast<std::size_t>(2 * Ky + 1) * (2 * Kx + 1);
    R.valeurs.resize(taille);
    const double variance = s.paires(0, 0) > 0 ? s.somme(0, 0) / s.paires(0, 0) : 0.0;
    const double NaN = std::numeric_limits<double>::quiet_NaN();
    for (int dy = -Ky; dy <= Ky; ++dy) {
        double* r = R.valeurs.data() + R.indice(dy, 0);
        for (int dx = -Kx; dx <= Kx; ++dx) {
            const double paires = s.paires(dy, dx);
            r[dx] = paires > 0 && variance > 0 ? s.somme(dy, dx) / paires / variance : NaN;
        }
    }
    return R;
}

Autocorrelation autocorrelation(const SommesDecalages& s, double pas)
{
    return autocorrelation(s, pas, s.lignes() / 2, s.colonnes() / 2);
}

namespace {

// R at a fractional lag, bilinear between the four lags around it; NaN
// outside the window or next to a lag without pair.
double interpoler(const Autocorrelation& R, double y, double x)
{
    const double y0 = std::floor(y), x0 = std::floor(x);
    const int i = static_cast<int>(y0), j = static_cast<int>(x0);
    if (i < -R.portee_lignes || j < -R.portee_colonnes || i > R.portee_lignes || j > R.portee_colonnes)
        return std::numeric_limits<double>::quiet_NaN();
    const double fy = y - y0, fx = x - x0;
    const int i1 = fy > 0 ? i + 1 : i, j1 = fx > 0 ? j + 1 : j;
    if (i1 > R.portee_lignes || j1 > R.portee_colonnes)
        return std::numeric_limits<double>::quiet_NaN();
    return (1 - fy) * ((1 - fx) * R(i, j) + fx * R(i, j1)) + fy * ((1 - fx) * R(i1, j) + fx * R(i1, j1));
}

} // namespace

Longueurs longueurs_autocorrelation(const Autocorrelation& R, double seuil, int directions)
{
    constexpr double pas_rayon = 0.25;
    const double NaN = std::numeric_limits<double>::quiet_NaN();
    Longueurs l{NaN, NaN, NaN, NaN};
    // The longest distance: a decay length, or how far a direction that does
    // not fall was followed.
    double plus_courte = HUGE_VAL, plus_longue = 0.0;
    bool toutes = true;
    for (int d = 0; d < directions; ++d) {
        const double angle = std::numbers::pi * d / directions;
        const double c = std::cos(angle), s = std::sin(angle);
        double precedent = 1.0, longueur = NaN, atteinte = 0.0;
        for (int n = 1;; ++n) {
            const double r = n * pas_rayon;
            const double v = interpoler(R, r * s, r * c);
            if (std::isnan(v))
                break;
            if (v <= seuil) {
                longueur = r - pas_rayon * (seuil - v) / (precedent - v);
                break;
            }
            precedent = v;
            atteinte = r;
        }
        if (std::isnan(longueur)) {
            toutes = false;
            plus_longue = std::max(plus_longue, atteinte);
            continue;
        }
        if (longueur < plus_courte) {
            plus_courte = longueur;
            l.angle_Sal = 180.0 * d / directions;
        }
        plus_longue = std::max(plus_longue, longueur);
    }
    if (plus_courte == HUGE_VAL)
        return l;
    l.Sal = plus_courte * R.pas;
    if (toutes)
        l.Str = plus_courte / plus_longue;
    else
        l.Str_majorant = plus_courte / plus_longue;
    return l;
}

} // namespace rapport
