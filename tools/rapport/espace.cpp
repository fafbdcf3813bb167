#include "espace.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <numbers>

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

// The two plans of a torus size, kept per thread: the bootstrap computes the
// sums of hundreds of grids of one size.
struct Plans {
    int P = 0, Q = 0;
    surface::Plan directe, inverse;
};

const Plans& plans(int P, int Q, surface::Complexe* donnees)
{
    thread_local Plans cache;
    if (cache.P != P || cache.Q != Q) {
        cache = Plans{};
        cache.directe = surface::Plan::complexe_2d(P, Q, donnees, FFTW_FORWARD);
        cache.inverse = surface::Plan::complexe_2d(P, Q, donnees, FFTW_BACKWARD);
        cache.P = P;
        cache.Q = Q;
    }
    return cache;
}

} // namespace

SommesDecalages::SommesDecalages(const std::vector<double>& z, int lignes, int colonnes, int portee_lignes,
                                 int portee_colonnes)
    : N_(lignes), M_(colonnes),
      Ky_(portee_lignes < 0 ? lignes - 1 : std::min(portee_lignes, lignes - 1)),
      Kx_(portee_colonnes < 0 ? colonnes - 1 : std::min(portee_colonnes, colonnes - 1)),
      // A lag dy and its image dy − P on the torus: no pair is P − Ky >= N apart.
      P_(surface::taille_rapide(std::max(lignes + Ky_, 1))), Q_(surface::taille_rapide(std::max(colonnes + Kx_, 1))),
      memoire_(static_cast<std::size_t>(P_) * static_cast<std::size_t>(Q_) * sizeof(surface::Complexe))
{
    using surface::Complexe;
    Complexe* const donnees = tore();
    const std::size_t taille = static_cast<std::size_t>(P_) * Q_;
    const Plans& p = plans(P_, Q_, donnees);
    for (int i = 0; i < N_; ++i) {
        const double* ligne = z.data() + static_cast<std::size_t>(i) * M_;
        Complexe* t = donnees + static_cast<std::size_t>(i) * Q_;
        for (int j = 0; j < M_; ++j)
            if (!std::isnan(ligne[j]))
                t[j] = Complexe(1.0, ligne[j]);
    }
    fftw_execute_dft(p.directe.get(), surface::as_fftw(donnees), surface::as_fftw(donnees));
    // With X = F(m + i·w), F(m)(k) = (X(k) + conj X(−k)) / 2 and
    // F(w)(k) = (X(k) − conj X(−k)) / 2i. |F(m)|² + i·|F(w)|² is the same at k
    // and −k: each pair is done once.
    for (int a = 0; a < P_; ++a) {
        const int a2 = a == 0 ? 0 : P_ - a;
        if (a2 < a)
            continue;
        for (int b = 0; b < Q_; ++b) {
            const int b2 = b == 0 ? 0 : Q_ - b;
            if (a2 == a && b2 < b)
                continue;
            Complexe& X = donnees[static_cast<std::size_t>(a) * Q_ + b];
            Complexe& Xm = donnees[static_cast<std::size_t>(a2) * Q_ + b2];
            const Complexe somme = X + std::conj(Xm), difference = X - std::conj(Xm);
            const Complexe Y(0.25 * std::norm(somme), 0.25 * std::norm(difference));
            X = Y;
            Xm = Y;
        }
    }
    fftw_execute_dft(p.inverse.get(), surface::as_fftw(donnees), surface::as_fftw(donnees));
    const double echelle = 1.0 / (static_cast<double>(P_) * Q_);
    for (std::size_t k = 0; k < taille; ++k) {
        const double paires = std::round(donnees[k].real() * echelle);
        donnees[k] = Complexe(paires, paires > 0 ? donnees[k].imag() * echelle : 0.0);
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
    const int P = s.tore_lignes(), Q = s.tore_colonnes();
    for (int dy = -Ky; dy <= Ky; ++dy) {
        const surface::Complexe* t = s.tore() + static_cast<std::size_t>(dy < 0 ? dy + P : dy) * Q;
        double* r = R.valeurs.data() + R.indice(dy, 0);
        for (int dx = -Kx; dx <= Kx; ++dx) {
            const surface::Complexe v = t[dx < 0 ? dx + Q : dx];
            r[dx] = v.real() > 0 && variance > 0 ? v.imag() / v.real() / variance : NaN;
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
