#include "tools/rapport/correlation.hpp"

#include "tools/surface/fft.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace rapport {

double Fonction::H(std::size_t e) const
{
    return paires[e] > 0 ? somme[e] / paires[e] : std::numeric_limits<double>::quiet_NaN();
}

std::vector<double> Fonction::valeurs() const
{
    std::vector<double> v(taille());
    for (std::size_t e = 0; e < v.size(); ++e)
        v[e] = H(e);
    return v;
}

namespace {

Fonction vide(int entrees)
{
    const std::size_t n = static_cast<std::size_t>(std::max(entrees, 0));
    return Fonction{std::vector<double>(n, 0.0), std::vector<double>(n, 0.0)};
}

// Along-row sums of a rows x cols grid, for separations 1 .. cols-1, by FFT:
// with m the mask, w = m z and q = m z², the sum over a of
// m(a) m(a+k) (z(a) − z(a+k))² is [q ⋆ m](k) + [m ⋆ q](k) − 2 [w ⋆ w](k),
// every term a cross-correlation. Spectra are added over all rows before one
// inverse transform.
// Only separations up to kmax are computed: padding to cols + kmax keeps the
// circular correlations from wrapping over them.
Fonction le_long_des_lignes(const std::vector<double>& z, int rows, int cols, int kmax)
{
    const int entrees = std::min(cols - 1, kmax);
    Fonction f = vide(entrees);
    if (entrees < 1 || rows < 1)
        return f;
    const int n = surface::taille_rapide(cols + entrees);
    const int spectre = n / 2 + 1;
    const int bloc = std::max(1, std::min(rows, static_cast<int>((1 << 20) / n)));
    using surface::Buffer;
    using surface::Complexe;
    // Buffers and plans are kept per thread for the next grid of the same
    // size: the bootstrap computes hundreds of them.
    struct Espace {
        int n = 0, bloc = 0;
        Buffer<double> m, w, q, s;
        Buffer<Complexe> Fm, Fw, Fq, S;
        surface::Plan directe, inverse;
    };
    thread_local Espace espace;
    if (espace.n != n || espace.bloc != bloc) {
        espace = Espace{};
        espace.n = n;
        espace.bloc = bloc;
        const std::size_t reels = static_cast<std::size_t>(bloc) * n, spectres = static_cast<std::size_t>(bloc) * spectre;
        espace.m = Buffer<double>(reels);
        espace.w = Buffer<double>(reels);
        espace.q = Buffer<double>(reels);
        espace.Fm = Buffer<Complexe>(spectres);
        espace.Fw = Buffer<Complexe>(spectres);
        espace.Fq = Buffer<Complexe>(spectres);
        espace.S = Buffer<Complexe>(static_cast<std::size_t>(spectre));
        espace.s = Buffer<double>(static_cast<std::size_t>(n));
        espace.directe = surface::Plan::reel_vers_complexe(n, bloc, espace.m.data(), espace.Fm.data());
        espace.inverse = surface::Plan::complexe_vers_reel(n, 1, espace.S.data(), espace.s.data());
    }
    Buffer<double>&m = espace.m, &w = espace.w, &q = espace.q, &s = espace.s;
    Buffer<Complexe>&Fm = espace.Fm, &Fw = espace.Fw, &Fq = espace.Fq, &S = espace.S;
    const surface::Plan& plan = espace.directe;
    std::vector<double> somme(spectre, 0.0), paires(spectre, 0.0);
    for (int debut = 0; debut < rows; debut += bloc) {
        const int compte = std::min(bloc, rows - debut);
        for (int r = 0; r < bloc; ++r) {
            double* pm = m.data() + static_cast<std::size_t>(r) * n;
            double* pw = w.data() + static_cast<std::size_t>(r) * n;
            double* pq = q.data() + static_cast<std::size_t>(r) * n;
            const int remplies = r < compte ? cols : 0;
            std::fill(pm + remplies, pm + n, 0.0);
            std::fill(pw + remplies, pw + n, 0.0);
            std::fill(pq + remplies, pq + n, 0.0);
            if (remplies == 0)
                continue;
            const double* ligne = z.data() + static_cast<std::size_t>(debut + r) * cols;
            for (int a = 0; a < remplies; ++a) {
                const bool reelle = !std::isnan(ligne[a]);
                pm[a] = reelle ? 1.0 : 0.0;
                pw[a] = reelle ? ligne[a] : 0.0;
                pq[a] = reelle ? ligne[a] * ligne[a] : 0.0;
            }
        }
        fftw_execute_dft_r2c(plan.get(), m.data(), surface::as_fftw(Fm.data()));
        fftw_execute_dft_r2c(plan.get(), w.data(), surface::as_fftw(Fw.data()));
        fftw_execute_dft_r2c(plan.get(), q.data(), surface::as_fftw(Fq.data()));
        for (int r = 0; r < compte; ++r)
            for (int k = 0; k < spectre; ++k) {
                const std::size_t i = static_cast<std::size_t>(r) * spectre + k;
                somme[k] += 2.0 * (std::conj(Fm[i]) * Fq[i]).real() - 2.0 * std::norm(Fw[i]);
                paires[k] += std::norm(Fm[i]);
            }
    }
    // Back to separations: the spectra are real, one inverse each.
    const surface::Plan& inverse = espace.inverse;
    for (int pass = 0; pass < 2; ++pass) {
        const std::vector<double>& source = pass == 0 ? somme : paires;
        for (int k = 0; k < spectre; ++k)
            S[k] = Complexe(source[k], 0.0);
        fftw_execute_dft_c2r(inverse.get(), surface::as_fftw(S.data()), s.data());
        std::vector<double>& cible = pass == 0 ? f.somme : f.paires;
        for (int k = 1; k <= entrees; ++k) {
            const double v = s[k] / n;
            cible[k - 1] = pass == 0 ? std::max(v, 0.0) : std::round(v);
        }
    }
    // A separation without pairs has no squared difference either.
    for (std::size_t e = 0; e < f.taille(); ++e)
        if (f.paires[e] == 0)
            f.somme[e] = 0.0;
    return f;
}

std::vector<double> transposee(const std::vector<double>& z, int rows, int cols)
{
    std::vector<double> t(z.size());
    constexpr int tuile = 32;
    for (int i0 = 0; i0 < rows; i0 += tuile)
        for (int j0 = 0; j0 < cols; j0 += tuile)
            for (int i = i0; i < std::min(rows, i0 + tuile); ++i)
                for (int j = j0; j < std::min(cols, j0 + tuile); ++j)
                    t[static_cast<std::size_t>(j) * rows + i] = z[static_cast<std::size_t>(i) * cols + j];
    return t;
}

// reliefstat's pooled function from the two directional ones: column pairs
// that reach the last row are taken back out (one pair per column and
// separation, a direct O(N·M) sum).
Fonction commune(const Fonction& lignes_f, const Fonction& colonnes_f, const std::vector<double>& z, int N, int M,
                 int kmax)
{
    Fonction c = vide(std::min(N - 1, kmax));
    for (int k = 1; k <= std::min(N - 2, kmax); ++k) {
        const std::size_t e = static_cast<std::size_t>(k - 1);
        if (k <= M - 1) {
            c.somme[e] += lignes_f.somme[e];
            c.paires[e] += lignes_f.paires[e];
        }
        double somme = colonnes_f.somme[e], paires = colonnes_f.paires[e];
        const double* bas = z.data() + static_cast<std::size_t>(N - 1) * M;
        const double* haut = z.data() + static_cast<std::size_t>(N - 1 - k) * M;
        for (int a = 0; a < M; ++a)
            if (!std::isnan(bas[a]) && !std::isnan(haut[a])) {
                const double d = haut[a] - bas[a];
                somme -= d * d;
                paires -= 1.0;
            }
        c.somme[e] += paires > 0 ? std::max(somme, 0.0) : 0.0;
        c.paires[e] += paires;
    }
    return c;
}

} // namespace

Fonction somme_fonctions(const Fonction& a, const Fonction& b)
{
    Fonction s = vide(static_cast<int>(std::max(a.taille(), b.taille())));
    for (const Fonction* f : {&a, &b})
        for (std::size_t e = 0; e < f->taille(); ++e) {
            s.somme[e] += f->somme[e];
            s.paires[e] += f->paires[e];
        }
    return s;
}

Correlation correlation_directe(const std::vector<double>& z, int N, int M)
{
    Correlation c{vide(N - 1), vide(M - 1), vide(N - 1), {}};
    auto h = [&](int i, int j) { return z[static_cast<std::size_t>(i) * M + j]; };
    for (int i = 0; i < N; ++i)
        for (int a = 0; a < M; ++a) {
            if (std::isnan(h(i, a)))
                continue;
            for (int k = 1; a + k < M; ++k)
                if (!std::isnan(h(i, a + k))) {
                    const double d = h(i, a) - h(i, a + k);
                    c.lignes.somme[k - 1] += d * d;
                    c.lignes.paires[k - 1] += 1;
                    if (k <= N - 2) {
                        c.commune.somme[k - 1] += d * d;
                        c.commune.paires[k - 1] += 1;
                    }
                }
            for (int k = 1; i + k < N; ++k)
                if (!std::isnan(h(i + k, a))) {
                    const double d = h(i, a) - h(i + k, a);
                    c.colonnes.somme[k - 1] += d * d;
                    c.colonnes.paires[k - 1] += 1;
                    if (i + k < N - 1) {
                        c.commune.somme[k - 1] += d * d;
                        c.commune.paires[k - 1] += 1;
                    }
                }
        }
    c.toutes = somme_fonctions(c.lignes, c.colonnes);
    return c;
}

Correlation correlation_fft(const std::vector<double>& z, int N, int M)
{
    const int tout = std::max(N, M);
    Correlation c;
    c.lignes = le_long_des_lignes(z, N, M, tout);
    c.colonnes = le_long_des_lignes(transposee(z, N, M), M, N, tout);
    c.commune = commune(c.lignes, c.colonnes, z, N, M, tout);
    c.toutes = somme_fonctions(c.lignes, c.colonnes);
    return c;
}

Fonction correlation_commune_fft(const std::vector<double>& z, int N, int M, int kmax)
{
    const Fonction lignes_f = le_long_des_lignes(z, N, M, kmax);
    const Fonction colonnes_f = le_long_des_lignes(transposee(z, N, M), M, N, kmax);
    return commune(lignes_f, colonnes_f, z, N, M, kmax);
}

} // namespace rapport

namespace rapport {

Correlation correlation_directions_fft(const std::vector<double>& z, int N, int M, int kmax)
{
    Correlation c;
    c.lignes = le_long_des_lignes(z, N, M, kmax);
    c.colonnes = le_long_des_lignes(transposee(z, N, M), M, N, kmax);
    c.toutes = somme_fonctions(c.lignes, c.colonnes);
    return c;
}

void relever(Correlation& c, double decalage)
{
    for (Fonction* f : {&c.toutes, &c.lignes, &c.colonnes})
        for (std::size_t e = 0; e < f->taille(); ++e)
            f->somme[e] += decalage * f->paires[e];
}

} // namespace rapport
