#include "tools/rapport/bootstrap.hpp"

#include "tools/commun/aleatoire.hpp"
#include "tools/rapport/correlation.hpp"
#include "tools/surface/surface.hpp"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace rapport {

double quantile(const std::vector<double>& tries, double p)
{
    if (tries.empty())
        return std::nan("");
    const double position = p * static_cast<double>(tries.size() - 1);
    const std::size_t bas = static_cast<std::size_t>(std::floor(position));
    const std::size_t haut = std::min(bas + 1, tries.size() - 1);
    const double t = position - static_cast<double>(bas);
    return tries[bas] + t * (tries[haut] - tries[bas]);
}

double quantile_queue(const std::vector<double>& tries, double p)
{
    if (tries.empty())
        return std::nan("");
    const double n = static_cast<double>(tries.size());
    return quantile(tries, std::clamp((p * (n + 1) - 1) / (n - 1 > 0 ? n - 1 : 1), 0.0, 1.0));
}

Droite droite(const std::vector<double>& x, const std::vector<double>& y)
{
    double n = 0, sx = 0, sy = 0;
    for (std::size_t i = 0; i < std::min(x.size(), y.size()); ++i)
        if (std::isfinite(x[i]) && std::isfinite(y[i])) {
            n += 1;
            sx += x[i];
            sy += y[i];
        }
    if (n == 0)
        return {};
    const double mx = sx / n, my = sy / n;
    double sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < std::min(x.size(), y.size()); ++i)
        if (std::isfinite(x[i]) && std::isfinite(y[i])) {
            sxx += (x[i] - mx) * (x[i] - mx);
            sxy += (x[i] - mx) * (y[i] - my);
        }
    if (n < 3 || !(sxx > 0))
        return {my - mx, 1.0};
    const double b = sxy / sxx;
    return {my - b * mx, b};
}

Correlation correlation_courte(const std::vector<double>& z, int N, int M, int kmax)
{
    const bool vides = std::any_of(z.begin(), z.end(), [](double v) { return std::isnan(v); });
    // With empty cells: heights with 0 there, and the mask of real cells.
    std::vector<double> w, m;
    if (vides) {
        w.resize(z.size());
        m.resize(z.size());
        for (std::size_t c = 0; c < z.size(); ++c) {
            m[c] = std::isnan(z[c]) ? 0.0 : 1.0;
            w[c] = std::isnan(z[c]) ? 0.0 : z[c];
        }
    }
    const double* h = vides ? w.data() : z.data();
    // Cells i .. i+longueur-1 against cells j .. j+longueur-1 (flat indices):
    // the sum of squared differences and the number of pairs of real cells.
    auto ajouter = [&](std::size_t i, std::size_t j, int longueur, double& somme, double& paires) {
        const double* u = h + i;
        const double* v = h + j;
        // Four running sums: independent additions keep the processor busy.
        double s[4] = {0, 0, 0, 0};
        const int quatre = longueur / 4 * 4;
        if (!vides) {
            for (int a = 0; a < quatre; a += 4)
                for (int l = 0; l < 4; ++l) {
                    const double d = u[a + l] - v[a + l];
                    s[l] += d * d;
                }
            for (int a = quatre; a < longueur; ++a) {
                const double d = u[a] - v[a];
                s[0] += d * d;
            }
            somme += (s[0] + s[1]) + (s[2] + s[3]);
            paires += longueur;
            return;
        }
        const double* mu = m.data() + i;
        const double* mv = m.data() + j;
        double p[4] = {0, 0, 0, 0};
        for (int a = 0; a < quatre; a += 4)
            for (int l = 0; l < 4; ++l) {
                const double d = u[a + l] - v[a + l];
                const double mm = mu[a + l] * mv[a + l];
                s[l] += mm * d * d;
                p[l] += mm;
            }
        for (int a = quatre; a < longueur; ++a) {
            const double d = u[a] - v[a];
            const double mm = mu[a] * mv[a];
            s[0] += mm * d * d;
            p[0] += mm;
        }
        somme += (s[0] + s[1]) + (s[2] + s[3]);
        paires += (p[0] + p[1]) + (p[2] + p[3]);
    };
    const int kl = std::max(0, std::min(kmax, M - 1)), kc = std::max(0, std::min(kmax, N - 1));
    Correlation c;
    c.lignes = Fonction{std::vector<double>(static_cast<std::size_t>(kl), 0.0), std::vector<double>(static_cast<std::size_t>(kl), 0.0)};
    c.colonnes = Fonction{std::vector<double>(static_cast<std::size_t>(kc), 0.0), std::vector<double>(static_cast<std::size_t>(kc), 0.0)};
    const std::size_t ligne = static_cast<std::size_t>(M);
    // Pairs in one row, k cells apart; the rows a few at a time stay in cache.
    for (int i = 0; i < N; ++i)
        for (int k = 1; k <= kl; ++k)
            ajouter(i * ligne, i * ligne + static_cast<std::size_t>(k), M - k, c.lignes.somme[static_cast<std::size_t>(k - 1)],
                    c.lignes.paires[static_cast<std::size_t>(k - 1)]);
    // Pairs in one column: row i against row i+k, whole rows at once.
    for (int i = 0; i + 1 < N; ++i)
        for (int k = 1; k <= kc && i + k < N; ++k)
            ajouter(i * ligne, (i + static_cast<std::size_t>(k)) * ligne, M, c.colonnes.somme[static_cast<std::size_t>(k - 1)],
                    c.colonnes.paires[static_cast<std::size_t>(k - 1)]);
    c.toutes = somme_fonctions(c.lignes, c.colonnes);
    return c;
}

std::optional<Simulee> mesurer_simulee(const std::vector<double>& nivelee, int N, int M, double pas, Modele modele,
                                       double L, const ReglagesBootstrap& r)
{
    ReglagesMesure rm = r.mesure;
    rm.directions = r.directions;
    Estimation e;
    if (rm.fonction == FonctionMesure::toutes_paires && rm.regle != RegleMesure::reliefstat) {
        // The entries the range should reach: where the rule starts (the
        // measurement's range) and the range the simulated L asks, with some
        // room. When a fit's range ends on the last entry computed, the rule
        // may have wanted more: twice as many, and measure again.
        const double c = rm.longueurs > 0 ? rm.longueurs : longueurs_plage(modele);
        const int toutes = std::max(N, M) - 1;
        int k = static_cast<int>(std::min(
            std::max({1.5 * rm.depart, 1.5 * c * L / pas, static_cast<double>(rm.rayons), 16.0}) + 2.0,
            static_cast<double>(toutes)));
        for (;;) {
            e = mesurer(correlation_courte(nivelee, N, M, k), N, M, pas, rm, modele);
            int atteint = e.commune.rayons;
            for (int d = 0; d < 2 && rm.directions; ++d)
                atteint = std::max(atteint, e.direction[d].rayons);
            if (atteint < k || k >= toutes)
                break;
            k = std::min(2 * k, toutes);
        }
    } else {
        e = mesurer(nivelee, N, M, pas, rm, modele);
    }
    if (!e.commune.a)
        return std::nullopt;
    Simulee s{e.commune.a->sigma, e.commune.a->L, std::nan(""), std::nan("")};
    for (int d = 0; d < 2; ++d)
        if (r.directions && e.direction[d].a)
            s.L_direction[d] = e.direction[d].a->L;
    return s;
}

namespace {

// Progress of the draws on standard error: one line updated in place on a
// terminal, otherwise a line about every tenth of the draws (logs).
class Progression {
public:
    Progression(bool actif, int total, const char* modele)
        : actif_(actif), terminal_(isatty(STDERR_FILENO)), total_(std::max(total, 1)), modele_(modele)
    {
    }
    ~Progression()
    {
        if (affiche_ && terminal_)
            std::fputs("\n", stderr);
    }
    void pas(int n = 1)
    {
        const int fait = fait_ += n;
        if (!actif_)
            return;
        std::lock_guard garde(verrou_);
        // The threads may reach the lock out of order: a step at or below the
        // last one shown is not shown again (nor, off a terminal, the last draw
        // twice).
        const int palier = terminal_ ? fait * 100 / total_ : fait * 10 / total_;
        if (palier < dernier_ || (palier == dernier_ && (fait != total_ || !terminal_)))
            return;
        dernier_ = palier;
        if (terminal_)
            std::fprintf(stderr, "\rrugosite-rapport : bootstrap %s %d/%d", modele_, fait, total_);
        else
            std::fprintf(stderr, "rugosite-rapport : bootstrap %s : %d/%d surfaces simulees\n", modele_, fait, total_);
        std::fflush(stderr);
        affiche_ = true;
    }

private:
    bool actif_, terminal_;
    int total_;
    const char* modele_;
    std::atomic<int> fait_{0};
    std::mutex verrou_;
    int dernier_ = 0;
    bool affiche_ = false;
};

// The logs of σ̂/σ and L̂ of the surfaces of one set, by seed (NaN: failed).
struct Serie {
    std::vector<double> sigma, L;
    std::vector<double> anisotropie; // log of L along x over L along y
    std::array<std::vector<double>, 4> texture; // Sal, Str, Sdq, Sdr (the set at the measured L only)
};

// A value at log L from its values at the sets' L's: linear between them;
// beyond the outer sets, along the nearest segment, its slope kept to at
// least `pente_min`; with one set only, with slope `seul`.
double interpoler(const std::vector<std::pair<double, double>>& points, double l, double pente_min, double seul)
{
    const std::size_t n = points.size();
    auto pente = [&](std::size_t i) {
        const auto& [x0, y0] = points[i];
        const auto& [x1, y1] = points[i + 1];
        return std::max(x1 > x0 ? (y1 - y0) / (x1 - x0) : 0.0, pente_min);
    };
    if (n == 1)
        return points[0].second + seul * (l - points[0].first);
    if (l <= points.front().first)
        return points.front().second + pente(0) * (l - points.front().first);
    if (l >= points.back().first)
        return points.back().second + pente(n - 2) * (l - points.back().first);
    std::size_t i = 1;
    while (l > points[i].first)
        ++i;
    const auto& [x0, y0] = points[i - 1];
    const auto& [x1, y1] = points[i];
    return x1 > x0 ? y0 + (y1 - y0) * (l - x0) / (x1 - x0) : y0;
}

// Pearson's correlation of the pairs where both are finite (0 when undefined).
double correlation(const std::vector<double>& x, const std::vector<double>& y)
{
    const Droite d = droite(x, y), e = droite(y, x);
    const double r2 = d.b * e.b;
    return r2 > 0 ? std::copysign(std::sqrt(r2), d.b) : 0.0;
}

// Where a set of estimates sits and how it spreads on each side: its median,
// and the distances from the median down to the 16 % quantile and up to the
// 84 % one (the two tails of L̂ differ, more so where the grid stops
// resolving L).
struct Loi {
    double milieu = 0, dessous = 0, dessus = 0;
};

Loi loi(std::vector<double> v)
{
    v.erase(std::remove_if(v.begin(), v.end(), [](double x) { return !std::isfinite(x); }), v.end());
    std::sort(v.begin(), v.end());
    const double m = quantile(v, 0.5);
    return {m, m - quantile(v, 0.16), quantile(v, 0.84) - m};
}

// How far the median and the two spreads of a set of n estimates stray from
// those of the estimator itself, for n this small: their standard deviations
// over resamples of the set, the median's over the mean spread and each
// spread's relative to itself (n = 40 leaves each spread some 20 % off).
struct Erreur_loi {
    double milieu = 0, dessous = 0, dessus = 0;
};

std::uint64_t melange(std::uint64_t& x)
{
    std::uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

Erreur_loi erreur_loi(const std::vector<double>& v, std::uint64_t graine)
{
    std::vector<double> finis;
    for (double x : v)
        if (std::isfinite(x))
            finis.push_back(x);
    const Loi l = loi(finis);
    if (finis.size() < 3 || !(l.dessous > 0) || !(l.dessus > 0))
        return {};
    const int tours = 200;
    double s[3] = {0, 0, 0}, s2[3] = {0, 0, 0};
    std::vector<double> r(finis.size());
    std::uint64_t x = graine;
    for (int t = 0; t < tours; ++t) {
        for (double& y : r)
            y = finis[static_cast<std::size_t>(((melange(x) >> 32) * finis.size()) >> 32)];
        const Loi b = loi(r);
        const double u[3] = {b.milieu, b.dessous, b.dessus};
        for (int i = 0; i < 3; ++i) {
            s[i] += u[i];
            s2[i] += u[i] * u[i];
        }
    }
    double e[3];
    for (int i = 0; i < 3; ++i)
        e[i] = std::sqrt(std::max(s2[i] / tours - (s[i] / tours) * (s[i] / tours), 0.0));
    return {e[0] / (0.5 * (l.dessous + l.dessus)), e[1] / l.dessous, e[2] / l.dessus};
}

// The distribution at another L, from the set drawn there (`la`), with the
// same seeds' values at L̂ (`ici`) as control variates: the part of the set's
// sampling error that those seeds' departure from the whole set at L̂
// (`centre`) foretells is taken off. Common seeds tie a surface's fit at one
// L to its fit at another only partly (for the exponential model, often
// hardly: the pairs' correlation was 0 to 0.6 on a 201² grid), so the
// correction is weighed by that correlation, clamped to [0, 1]: at 1 the set
// is the one at L̂ moved and scaled by the pairs' differences, at 0 it is
// read alone. (Moving it in full whatever the correlation would add the
// subset's own error to the set's: two spreads of 15 draws in a ratio, which
// can triple a spread and send an end to the search's limit.) Nothing when
// fewer than half of either converged.
std::optional<Loi> transport(const std::vector<double>& ici, const std::vector<double>& la, const Loi& centre)
{
    const auto finis = [](const std::vector<double>& v) {
        return std::count_if(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
    };
    if (finis(ici) * 2 < static_cast<long>(ici.size()) || finis(la) * 2 < static_cast<long>(la.size()) ||
        finis(ici) < 3 || finis(la) < 3)
        return std::nullopt;
    const Loi a = loi(ici), b = loi(la);
    if (!(a.dessous > 0) || !(a.dessus > 0) || !(b.dessous > 0) || !(b.dessus > 0))
        return std::nullopt;
    const double rho = std::clamp(correlation(ici, la), 0.0, 1.0);
    const double pente = rho * (b.dessous + b.dessus) / (a.dessous + a.dessus);
    return Loi{b.milieu - pente * (a.milieu - centre.milieu), b.dessous * std::pow(centre.dessous / a.dessous, rho),
               b.dessus * std::pow(centre.dessus / a.dessus, rho)};
}

// Adds the finite values of a set, less its median, over its spread on their
// side, to the pooled standardised values.
void standardiser(const std::vector<double>& v, std::vector<double>& z)
{
    const Loi l = loi(v);
    if (!(l.dessous > 0) || !(l.dessus > 0))
        return;
    for (double x : v)
        if (std::isfinite(x))
            z.push_back((x - l.milieu) / (x < l.milieu ? l.dessous : l.dessus));
}

// A distribution's median and spreads against log L, one point per set.
struct Courbes {
    std::vector<std::pair<double, double>> milieu, dessous, dessus;
    void ajouter(double l, const Loi& loi)
    {
        milieu.emplace_back(l, loi.milieu);
        dessous.emplace_back(l, loi.dessous);
        dessus.emplace_back(l, loi.dessus);
        for (auto* v : {&milieu, &dessous, &dessus})
            std::sort(v->begin(), v->end());
    }
};

// The texture parameters' intervals from the draws at the measured L: each
// parameter's values over their median stand for the measured value over the
// surface's own (a basic interval on the logarithm, about the draws' median,
// since the model gives no closed form for them).
void intervalles_texture(const Serie& centre, const ParametresTirage& mesure, Intervalles& iv)
{
    const double mesurees[4] = {mesure.Sal, mesure.Str, mesure.Sdq, mesure.Sdr};
    for (std::size_t i = 0; i < 4; ++i) {
        std::vector<double> v;
        for (double x : centre.texture[i])
            if (std::isfinite(x) && x > 0)
                v.push_back(x);
        if (!(mesurees[i] > 0) || v.size() < 2 || 2 * v.size() < centre.texture[i].size())
            continue;
        std::sort(v.begin(), v.end());
        const double milieu = quantile(v, 0.5);
        iv.texture[i] = {mesurees[i] * milieu / quantile_queue(v, 0.975),
                         mesurees[i] * milieu / quantile_queue(v, 0.025)};
        if (i == 1) // Str is at most 1 by its definition
            iv.texture[i] = {std::min(iv.texture[i][0], 1.0), std::min(iv.texture[i][1], 1.0)};
    }
}

// The sets of one model's bootstrap: surfaces of the fitted model simulated on
// the measured grid, given its empty cells, levelled and measured as the
// measurement was.
class Simulateur {
public:
    Simulateur(const Grille& masque, Modele modele, const Ajustement& mesure, const ReglagesBootstrap& r, int total,
               Intervalles& iv)
        : masque_(masque), modele_(modele), mesure_(mesure), r_(r), iv_(iv),
          progression_(r.progression, total, surface::nom(modele))
    {
        // The draws' autocorrelation is read up to twice the measured
        // surface's longest decay length (the whole half grid when that is
        // unknown).
        if (r.texture && r.texture->Str > 0 && std::isfinite(r.texture->Sal / r.texture->Str))
            portee_texture_ =
                std::max(8, static_cast<int>(std::ceil(2.0 * r.texture->Sal / r.texture->Str / masque.pas)));
    }

    // One set: `nombre` surfaces of seeds 0 .. nombre-1 (two per draw) at L.
    Serie jeu(double L, int nombre, bool avec_texture = false)
    {
        std::optional<surface::Plongement> plongement;
        try {
            plongement.emplace(masque_.lignes, masque_.colonnes, masque_.pas, modele_, mesure_.sigma, L, 1LL << 25,
                               r_.tolerance, 3.0 * mesure_.L);
        } catch (const std::exception&) {
            throw Erreur("bootstrap : grille trop grande pour simuler des surfaces (memoire)");
        }
        iv_.exact = iv_.exact && plongement->exact();
        iv_.erreur_covariance = std::max(iv_.erreur_covariance, plongement->erreur_covariance());
        Serie s;
        s.sigma.assign(static_cast<std::size_t>(nombre), std::nan(""));
        s.L = s.sigma;
        s.anisotropie = s.sigma;
        if (avec_texture)
            s.texture.fill(s.sigma);
        const int tirages = (nombre + 1) / 2;
        std::atomic<int> suivant{0};
        auto travail = [&] {
            surface::Buffer<surface::Complexe> tampon;
            std::vector<double> z(masque_.z.size());
            for (int t = suivant++; t < tirages; t = suivant++) {
                plongement->tirer_tore(outils::derived_seed(r_.graine, static_cast<std::uint64_t>(modele_),
                                                            static_cast<std::uint64_t>(t)),
                                       tampon, true);
                for (int moitie = 0; moitie < 2 && 2 * t + moitie < nombre; ++moitie) {
                    plongement->extraire(tampon, moitie, z);
                    mesurer_surface(z, L, static_cast<std::size_t>(2 * t + moitie), avec_texture, s);
                    progression_.pas();
                }
            }
        };
        {
            std::vector<std::jthread> fils;
            for (int f = 1; f < std::max(r_.fils, 1); ++f)
                fils.emplace_back(travail);
            travail();
        }
        return s;
    }

    // Surfaces that need not be drawn still count in the progress.
    void sauter(int nombre) { progression_.pas(nombre); }

private:
    // Surface k of a set at L: NaN where the measurement has empty cells,
    // levelled and measured; a fit that fails leaves NaN.
    void mesurer_surface(std::vector<double>& z, double L, std::size_t k, bool avec_texture, Serie& s) const
    {
        for (std::size_t c = 0; c < z.size(); ++c)
            if (std::isnan(masque_.z[c]))
                z[c] = std::nan("");
        try {
            const int N = masque_.lignes, M = masque_.colonnes;
            const std::vector<double> niv = niveler(z, N, M, r_.nivellement);
            if (const auto m = mesurer_simulee(niv, N, M, masque_.pas, modele_, L, r_)) {
                s.sigma[k] = std::log(m->sigma / mesure_.sigma);
                s.L[k] = std::log(m->L);
                s.anisotropie[k] = std::log(m->L_direction[0] / m->L_direction[1]);
            }
            if (avec_texture) {
                const ParametresTirage p = parametres_tirage(niv, N, M, masque_.pas, portee_texture_);
                const double v[4] = {p.Sal, p.Str, p.Sdq, p.Sdr};
                for (std::size_t i = 0; i < 4; ++i)
                    s.texture[i][k] = v[i];
            }
        } catch (const Erreur&) {
            // counted as a failure
        }
    }

    const Grille& masque_;
    Modele modele_;
    const Ajustement& mesure_;
    const ReglagesBootstrap& r_;
    Intervalles& iv_;
    Progression progression_;
    int portee_texture_ = -1;
};

// What the sets say of log L̂ and log(σ̂/σ) against the log of the true L:
// each set's median and spreads (those of the sets away from L̂ read with the
// set at L̂, `transport`), and the shape of the tails, pooled over the sets:
// the values of each set standardised by its own median and spreads.
struct Lois {
    Loi cL, cS; // the set at L̂
    Courbes L, S;
    std::vector<double> zL, zS;

    Lois(double lhat, const Serie& centre) : cL(loi(centre.L)), cS(loi(centre.sigma))
    {
        L.ajouter(lhat, cL);
        S.ajouter(lhat, cS);
        ajouter_queues(centre);
    }

    // Adds a set at log L = l, drawn with the first K2 seeds of the set at
    // L̂ (`centre`): none when one that close is there already, or when too
    // few of its fits converge (the others then stand for it).
    void ajouter_jeu(Simulateur& simulateur, const Serie& centre, int K2, double l)
    {
        if (K2 == 0)
            return;
        bool proche = !std::isfinite(l);
        for (const auto& [x, y] : L.milieu)
            proche = proche || std::fabs(l - x) < 0.01; // as good as a set already drawn
        if (proche) {
            simulateur.sauter(K2);
            return;
        }
        const Serie s = simulateur.jeu(std::exp(l), K2);
        const std::vector<double> x(centre.L.begin(), centre.L.begin() + K2);
        const std::vector<double> xs(centre.sigma.begin(), centre.sigma.begin() + K2);
        const auto dL = transport(x, s.L, cL), dS = transport(xs, s.sigma, cS);
        if (!dL || !dS)
            return;
        L.ajouter(l, *dL);
        S.ajouter(l, *dS);
        ajouter_queues(s);
    }

private:
    void ajouter_queues(const Serie& s)
    {
        standardiser(s.L, zL);
        standardiser(s.sigma, zS);
        std::sort(zL.begin(), zL.end());
        std::sort(zS.begin(), zS.end());
    }
};

// The p quantile of a set's estimate (log L̂, or log(σ̂/σ)) when the truth is
// exp(l): the median's curve plus the spread on that side times the pooled
// tails' quantile. Beyond the outer sets the median keeps its last slope, at
// least `pente_min` (with the set at L̂ alone, slope `seul`), and the spreads
// stay those of the nearest set.
// The median and spreads come from a few tens of draws: an end read q
// spreads from the median errs by their error, δm + q·δs, which a quantile
// of the truth's own estimate must clear as well. But q itself comes from
// values standardised by those same median and spreads, so most of that
// error cancels in the end m + q·s (for the set at L̂ alone the end is an
// order statistic, whose tail is p on average whatever the error); what the
// pooling with the other sets leaves of it is counted as half: the distance
// q is stretched to q·√((1 + δm²/4)/(1 − q²δs²/4)) (δm, δs relative to the
// spread). The coverage study sets that half.
double quantile_a(const Courbes& c, const std::vector<double>& z, const Erreur_loi& e, double pente_min, double seul,
                  double p, double l)
{
    const double q = quantile_queue(z, p);
    const double dm = 0.5 * e.milieu, ds = 0.5 * (q < 0 ? e.dessous : e.dessus);
    const double etirement = std::sqrt((1 + dm * dm) / std::max(1 - q * q * ds * ds, 0.5));
    const auto& cote = q < 0 ? c.dessous : c.dessus;
    const double etalement = interpoler(cote, std::clamp(l, cote.front().first, cote.back().first), 0.0, 0.0);
    return interpoler(c.milieu, l, pente_min, seul) + std::max(etalement, 0.0) * q * etirement;
}

// The anisotropy's interval: the simulated surfaces are isotropic, so the
// spread of their ratio around 1 stands for that of the measured ratio
// around the true one (basic interval on the logarithm).
void intervalle_anisotropie(const Serie& centre, double mesuree, Intervalles& iv)
{
    std::vector<double> qA;
    for (double v : centre.anisotropie)
        if (std::isfinite(v))
            qA.push_back(v);
    std::sort(qA.begin(), qA.end());
    if (qA.size() * 2 >= centre.anisotropie.size() && qA.size() >= 2) {
        iv.anisotropie_bas = mesuree / std::exp(quantile_queue(qA, 0.975));
        iv.anisotropie_haut = mesuree / std::exp(quantile_queue(qA, 0.025));
    }
}

} // namespace

Intervalles bootstrap(const Grille& masque, Modele modele, const Ajustement& mesure, const ReglagesBootstrap& r)
{
    // K surfaces at most: 40 % at L̂, 15 % at each end of the interval an
    // L-independent shift would give, 15 % at the corrected L, 15 % at the
    // upper end when it falls beyond the others.
    const int K2 = std::max(r.K, 0) >= 40 ? std::max(r.K, 0) * 3 / 20 : 0;
    const int K = std::max(r.K, 0) - 4 * K2;
    Intervalles iv;
    Simulateur simulateur(masque, modele, mesure, r, K + 4 * K2, iv);

    const double lhat = std::log(mesure.L), shat = std::log(mesure.sigma);
    const Serie centre = simulateur.jeu(mesure.L, K, r.texture.has_value());
    std::vector<double> qL;
    for (double l : centre.L)
        if (std::isfinite(l))
            qL.push_back(l);
    iv.reussis = static_cast<int>(qL.size());
    iv.echecs = K - iv.reussis;
    if (K == 0 || iv.reussis * 2 < K || iv.reussis < 2)
        throw Erreur(std::string("bootstrap ") + surface::nom(modele) +
                     " : trop d'ajustements des surfaces simulées ne convergent pas (" + std::to_string(iv.echecs) +
                     " sur " + std::to_string(K) + ")");
    std::sort(qL.begin(), qL.end());

    // The ends of the interval if L̂'s distribution only shifted with L: the
    // next two sets are drawn there.
    const std::array<double, 2> ends{2 * lhat - quantile_queue(qL, 0.975), 2 * lhat - quantile_queue(qL, 0.025)};
    Lois lois(lhat, centre);
    for (double l : ends)
        lois.ajouter_jeu(simulateur, centre, K2, l);
    // Quantiles of log L̂ and of log(σ̂/σ) when the truth is exp(l). Beyond
    // the outer sets the median of log L̂ keeps a slope of at least 0.2 (an
    // estimator that hardly follows L there gives a far end), that of σ̂/σ
    // its last slope. With the set at L̂ alone, L̂ only shifts with L.
    const double plat = -1e300;
    const Erreur_loi eL = erreur_loi(centre.L, outils::derived_seed(r.graine, 2000, 0));
    const Erreur_loi eS = erreur_loi(centre.sigma, outils::derived_seed(r.graine, 2000, 1));
    auto gL = [&](double p, double l) { return quantile_a(lois.L, lois.zL, eL, 0.2, 1.0, p, l); };
    auto gS = [&](double p, double l) { return quantile_a(lois.S, lois.zS, eS, plat, 0.0, p, l); };
    const double bas = std::min(lhat, ends[0]) - 3.0, haut = std::max(lhat, ends[1]) + 3.0;
    auto inverse = [&](double p) { return racine([&](double l) { return gL(p, l) - lhat; }, bas, haut); };
    // A last set where the corrected L falls: the median's curve is seldom
    // straight between the others (it flattens where the grid stops
    // resolving L), and the correction reads it there.
    lois.ajouter_jeu(simulateur, centre, K2, inverse(0.5));
    // The upper end, read beyond the sets, rests on their extrapolation: one
    // more set there. (The lower end stays among them.)
    if (const double l = inverse(0.025); l > lois.L.milieu.back().first + 0.05)
        lois.ajouter_jeu(simulateur, centre, K2, l);
    else
        simulateur.sauter(K2);
    const double lc = inverse(0.5);
    iv.L_corrige = std::exp(lc);
    const double l_bas = inverse(0.975), l_haut = inverse(0.025);
    iv.L_bas = std::exp(l_bas);
    iv.L_haut = std::exp(l_haut);
    // σ̂ and L̂ err together: a true σ above σ̂ comes with a true L above L̂
    // as often as their correlation says. Each end of σ's interval is read
    // where L is that far towards the same end of L's interval.
    const double rho = std::clamp(correlation(centre.sigma, centre.L), 0.0, 1.0);
    iv.sigma_corrige = std::exp(shat - gS(0.5, lc));
    // Within the sets only: beyond them σ̂/σ's median would follow the last
    // segment's slope, which the draws give too roughly to read an end there
    // (it tilted the upper end of σ down when L's upper end lay far out).
    const double premier = lois.S.milieu.front().first, dernier = lois.S.milieu.back().first;
    auto lu = [&](double l) { return std::clamp(l, premier, dernier); };
    iv.sigma_bas = std::exp(shat - gS(0.975, lu(lc + rho * (l_bas - lc))));
    iv.sigma_haut = std::exp(shat - gS(0.025, lu(lc + rho * (l_haut - lc))));
    // One-sided ends of σ for any L beyond one end of L's: σ̂/σ's median
    // falls as L grows but its spread widens, so its quantile is taken at
    // its extreme over that side. Both are linear between the sets: the
    // extreme lies at the end or at a set.
    auto extreme = [&](double p, double depuis, bool au_dela) {
        double g = gS(p, lu(depuis));
        for (const auto& [l, m] : lois.S.milieu)
            if (au_dela ? l > depuis : l < depuis)
                g = au_dela ? std::max(g, gS(p, l)) : std::min(g, gS(p, l));
        return g;
    };
    iv.sigma_au_moins = std::exp(shat - extreme(0.975, l_bas, true));
    iv.sigma_au_plus = std::exp(shat - extreme(0.025, l_haut, false));
    // Spreads: half the central 68 % of the logs, at the corrected L.
    iv.ecart_L = iv.L_corrige * (gL(0.84, lc) - gL(0.16, lc)) / 2;
    iv.ecart_sigma = iv.sigma_corrige * (gS(0.84, lc) - gS(0.16, lc)) / 2;
    if (r.directions && std::isfinite(r.anisotropie) && r.anisotropie > 0)
        intervalle_anisotropie(centre, r.anisotropie, iv);
    if (r.texture)
        intervalles_texture(centre, *r.texture, iv);
    return iv;
}

Bornes bornes(const AjustementMesure& m, const Intervalles& iv, int lignes, int colonnes, double pas)
{
    if (!m.resolu)
        return Bornes::hautes;
    return correction_hors_grille(iv.L_corrige, lignes, colonnes, pas) ? Bornes::basses : Bornes::intervalle;
}

} // namespace rapport
