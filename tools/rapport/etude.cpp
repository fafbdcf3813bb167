// rugosite-rapport-etude: how well the report recovers σ and L, and how often
// its bootstrap interval holds them, on generated surfaces of known σ and L
// (exponential covariance, the generator's surface library) with the grid,
// step and share of empty cells of a measurement road.
//
// usage: rugosite-rapport-etude [--lignes N] [--colonnes M] [--pas P] [--sigma S]
//        [--L L] [--essais T] [--tirages K] [--vides F] [--graine G] [--fils F]
//        [--modele M] [--pepite libre|nulle] [--bruts B] [--amorcages A]
// Prints one table line (Markdown) and ends with status 0; 1 on a bad option.
//
// Where L̂ hardly follows L (grids some 5 L wide), the corrected L moves
// several times as fast as L̂, and its median over a thousand trials strays
// by as much as the median of L̂ does, times that: ±6 % (one standard error)
// on 101 x 101 at L = 20 steps. But the corrected L depends on a trial only
// through L̂ (σ̂ scales the draws) and the bootstrap's seed, and increases with
// L̂: its median is what the bootstrap gives at the median of L̂. With
// --bruts, B fits without bootstrap fix that median and its 95 % interval
// (order statistics), and A bootstraps at each of the three give the corrected
// L's median there.
#include "tools/commun/aleatoire.hpp"
#include "tools/rapport/ajustement.hpp"
#include "tools/rapport/bootstrap.hpp"
#include "tools/rapport/correlation.hpp"
#include "tools/rapport/grille.hpp"
#include "tools/rapport/mesure.hpp"
#include "tools/rapport/nivellement.hpp"
#include "tools/surface/surface.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <cstdio>
#include <atomic>
#include <thread>
#include <string>
#include <vector>

namespace {

struct Etude {
    int lignes = 201, colonnes = 201;
    double pas = 0.5, sigma = 1.0, L = 5.0;
    int essais = 100, K = 200;
    double vides = 0.0;
    std::uint64_t graine = 1;
    int fils = 2;
    surface::Modele modele = surface::Modele::exponentiel;
    bool pepite = false; // offset at the origin fitted, as the report does with --pepite libre
    int bruts = 0;        // fits without bootstrap for the median of L̂ (0: none)
    int amorcages = 200;  // bootstraps at that median and at each end of its interval
};

bool lire(int argc, char** argv, Etude& e)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string cle = argv[i];
        const std::string v = argv[i + 1];
        const char* debut = v.data();
        const char* fin = v.data() + v.size();
        std::from_chars_result r{};
        if (cle == "--lignes")
            r = std::from_chars(debut, fin, e.lignes);
        else if (cle == "--colonnes")
            r = std::from_chars(debut, fin, e.colonnes);
        else if (cle == "--pas")
            r = std::from_chars(debut, fin, e.pas);
        else if (cle == "--sigma")
            r = std::from_chars(debut, fin, e.sigma);
        else if (cle == "--L")
            r = std::from_chars(debut, fin, e.L);
        else if (cle == "--essais")
            r = std::from_chars(debut, fin, e.essais);
        else if (cle == "--tirages")
            r = std::from_chars(debut, fin, e.K);
        else if (cle == "--vides")
            r = std::from_chars(debut, fin, e.vides);
        else if (cle == "--graine")
            r = std::from_chars(debut, fin, e.graine);
        else if (cle == "--fils")
            r = std::from_chars(debut, fin, e.fils);
        else if (cle == "--bruts")
            r = std::from_chars(debut, fin, e.bruts);
        else if (cle == "--amorcages")
            r = std::from_chars(debut, fin, e.amorcages);
        else if (cle == "--modele" && (v == "exponentiel" || v == "gaussien")) {
            e.modele = v == "gaussien" ? surface::Modele::gaussien : surface::Modele::exponentiel;
            continue;
        } else if (cle == "--pepite" && (v == "libre" || v == "nulle")) {
            e.pepite = v == "libre";
            continue;
        } else
            return false;
        if (r.ec != std::errc() || r.ptr != fin)
            return false;
    }
    return argc % 2 == 1 && e.lignes >= 2 && e.colonnes >= 2 && e.pas > 0 && e.sigma > 0 && e.L > 0 &&
           e.essais >= (e.bruts > 0 ? 0 : 1) && e.K >= 2 && e.fils >= 1 && e.bruts >= 0 && e.amorcages >= 1;
}

double mediane(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return rapport::quantile(v, 0.5);
}

// Runs `travail` on `fils` threads (this one included); each takes the next
// index from a shared counter.
template <class F>
void en_parallele(int fils, F travail)
{
    std::vector<std::jthread> autres;
    for (int f = 1; f < fils; ++f)
        autres.emplace_back(travail);
    travail();
}

// The median of the finite values and the order statistics that hold it
// with 95 % confidence: ranks n/2 ∓ 0.98 √n.
struct Mediane {
    int n = 0;
    double bas = 0, milieu = 0, haut = 0;
};
Mediane mediane_et_intervalle(std::vector<double> v)
{
    v.erase(std::remove_if(v.begin(), v.end(), [](double x) { return !std::isfinite(x); }), v.end());
    std::sort(v.begin(), v.end());
    Mediane m;
    m.n = static_cast<int>(v.size());
    if (m.n == 0)
        return m;
    const double demi = 0.98 * std::sqrt(static_cast<double>(m.n));
    const auto rang = [&](double r) { return v[static_cast<std::size_t>(std::clamp(r, 0.0, m.n - 1.0))]; };
    m.bas = rang(std::floor(m.n / 2.0 - demi) - 1);
    m.milieu = rapport::quantile(v, 0.5);
    m.haut = rang(std::ceil(m.n / 2.0 + demi) - 1);
    return m;
}

// The generated measurements: trial t of a series (`serie` picks the seeds'
// domains) on a grid of the study's size. Two trials per draw; a tilt and
// empty cells as a measurement has them.
class Generateur {
public:
    explicit Generateur(const Etude& e)
        : e_(e), plongement_(e.lignes, e.colonnes, e.pas, e.modele, e.sigma, e.L)
    {
    }

    struct Tampons {
        surface::Buffer<surface::Complexe> tampon;
        std::vector<double> z;
        rapport::Grille g;
    };

    const rapport::Grille& tirer(std::uint64_t serie, int t, Tampons& b) const
    {
        rapport::Grille& g = b.g;
        g.lignes = e_.lignes;
        g.colonnes = e_.colonnes;
        g.pas = e_.pas;
        g.z.resize(static_cast<std::size_t>(e_.lignes) * e_.colonnes);
        b.z.resize(g.z.size());
        plongement_.tirer_tore(outils::derived_seed(e_.graine, serie, static_cast<std::uint64_t>(t / 2)), b.tampon);
        plongement_.extraire(b.tampon, t % 2, b.z);
        outils::Random alea(outils::derived_seed(e_.graine, serie + 1000, static_cast<std::uint64_t>(t)));
        const double px = 0.01 * alea.normal(), py = 0.01 * alea.normal();
        for (int i = 0; i < e_.lignes; ++i)
            for (int j = 0; j < e_.colonnes; ++j) {
                const std::size_t c = static_cast<std::size_t>(i) * e_.colonnes + j;
                const double u = 0.5 * (1.0 + std::erf(alea.normal() / std::sqrt(2.0)));
                g.z[c] = u < e_.vides ? std::nan("") : 7.0 + b.z[c] + px * i + py * j;
            }
        return g;
    }

    // The fit's settings, as the report's with --directions non.
    rapport::ReglagesMesure reglages() const
    {
        rapport::ReglagesMesure rm;
        rm.directions = false;
        rm.pepite = e_.pepite;
        return rm;
    }

    // A bootstrap as a trial's (one thread), its measurement's range given.
    rapport::ReglagesBootstrap reglages_bootstrap(std::uint64_t graine, int rayons) const
    {
        rapport::ReglagesBootstrap rb;
        rb.K = e_.K;
        rb.graine = graine;
        rb.fils = 1;
        rb.mesure = reglages();
        rb.mesure.depart = rayons;
        return rb;
    }

private:
    const Etude& e_;
    const surface::Plongement plongement_;
};

// Series of generated measurements (seed domains; each uses this and the next
// thousand) and of bootstraps.
constexpr std::uint64_t serie_essais = 1000, graines_essais = 3000, serie_bruts = 4000, graines_mediane = 6000;

// The trials, side by side, one bootstrap thread each: their table line.
void etudier_essais(const Etude& e, const Generateur& generateur)
{
    struct Essai {
        bool reussi = false, resolu = false;
        bool bas_seul = false; // not resolved by the grid's extent: lower ends only
        bool haut_seul = false; // L too short for the step: upper ends only
        double sigma = 0, L = 0;
        rapport::Intervalles iv;
    };
    std::vector<Essai> essais(static_cast<std::size_t>(e.essais));
    std::atomic<int> suivant{0};
    en_parallele(e.fils, [&] {
        Generateur::Tampons b;
        for (int t = suivant++; t < e.essais; t = suivant++) {
            const rapport::Grille& g = generateur.tirer(serie_essais, t, b);
            Essai& x = essais[static_cast<std::size_t>(t)];
            try {
                const auto niv = rapport::niveler(g, rapport::Nivellement::plan);
                const rapport::ReglagesMesure rm = generateur.reglages();
                const rapport::Estimation est = rapport::mesurer(niv, e.lignes, e.colonnes, e.pas, rm, e.modele);
                if (!est.commune.a)
                    continue;
                const rapport::Ajustement ajuste = *est.commune.a;
                const auto rb = generateur.reglages_bootstrap(
                    outils::derived_seed(e.graine, graines_essais, static_cast<std::uint64_t>(t)), est.commune.rayons);
                x.iv = rapport::bootstrap(g, e.modele, ajuste, rb);
                const rapport::Bornes quelles = rapport::bornes(est.commune, x.iv, e.lignes, e.colonnes, e.pas);
                x.resolu = est.commune.resolu && quelles == rapport::Bornes::intervalle;
                x.bas_seul = est.commune.resolu && quelles == rapport::Bornes::basses;
                x.haut_seul = est.commune.trop_court;
                x.sigma = ajuste.sigma;
                x.L = ajuste.L;
                x.reussi = true;
            } catch (const rapport::Erreur&) {
            }
        }
    });
    std::vector<double> rs, rl, rs_brut, rl_brut, haut_l_relatif;
    int bas_s = 0, haut_s = 0, bas_l = 0, haut_l = 0, non_resolus = 0, avec_intervalle = 0;
    for (const Essai& x : essais) {
        if (!x.reussi)
            continue;
        rs.push_back(x.iv.sigma_corrige / e.sigma);
        rl.push_back(x.iv.L_corrige / e.L);
        rs_brut.push_back(x.sigma / e.sigma);
        rl_brut.push_back(x.L / e.L);
        // The report gives no interval to a fit it does not call resolved,
        // but one-sided ends to some: where only the grid's extent stops it,
        // the lower ends (L and σ at least so much) hold the truth or miss
        // above; where L is too short for the step, the upper ends hold it or
        // miss below.
        if (!x.resolu)
            ++non_resolus;
        if (x.bas_seul) {
            ++avec_intervalle;
            haut_l_relatif.push_back(std::numeric_limits<double>::infinity());
            haut_s += x.iv.sigma_au_moins > e.sigma;
            haut_l += x.iv.L_bas > e.L;
        }
        if (x.haut_seul) {
            ++avec_intervalle;
            haut_l_relatif.push_back(x.iv.L_haut / e.L);
            bas_s += x.iv.sigma_au_plus < e.sigma;
            bas_l += x.iv.L_haut < e.L;
        }
        if (!x.resolu)
            continue;
        ++avec_intervalle;
        haut_l_relatif.push_back(x.iv.L_haut / e.L);
        // A miss "low" is an interval entirely below the truth.
        bas_s += x.iv.sigma_haut < e.sigma;
        haut_s += x.iv.sigma_bas > e.sigma;
        bas_l += x.iv.L_haut < e.L;
        haut_l += x.iv.L_bas > e.L;
    }
    const int n = static_cast<int>(rs.size());
    if (n == 0) {
        std::printf("| %d x %d | aucun ajustement reussi |\n", e.lignes, e.colonnes);
        return;
    }
    const int ni = std::max(avec_intervalle, 1);
    auto couverture = [&](int rates) {
        const double p = 1.0 - static_cast<double>(rates) / ni;
        char texte[64];
        std::snprintf(texte, sizeof texte, "%.1f ± %.1f %%", 100 * p, 100 * 1.96 * std::sqrt(p * (1 - p) / ni));
        return std::string(texte);
    };
    // | grid | L (steps) | model | trials (failed, not resolved) | median σ/σ_true corrected (raw) |
    // median L/L_true corrected (raw) | cover σ | misses σ below/above | cover L | misses L below/above |
    // L's upper end: its median over the truth, and the share beyond ten times the truth |
    const double loin = static_cast<double>(std::count_if(haut_l_relatif.begin(), haut_l_relatif.end(),
                                                          [](double x) { return x > 10; }));
    std::printf("| %d x %d | %g | %s | %d (%d, %d) | %.3f (%.3f) | %.3f (%.3f) | %s | %.1f / %.1f %% | %s | %.1f / %.1f %% "
                "| %.3g (%.0f %%) |\n",
                e.lignes, e.colonnes, e.L / e.pas, surface::nom(e.modele), e.essais, e.essais - n, non_resolus,
                mediane(rs), mediane(rs_brut), mediane(rl), mediane(rl_brut), couverture(bas_s + haut_s).c_str(),
                100.0 * bas_s / ni, 100.0 * haut_s / ni, couverture(bas_l + haut_l).c_str(), 100.0 * bas_l / ni,
                100.0 * haut_l / ni, mediane(haut_l_relatif), 100.0 * loin / ni);
    std::printf("COUVERTURE %d %d %d %.9g %.9g %d %d %d %d\n", avec_intervalle, avec_intervalle - bas_s - haut_s,
                avec_intervalle - bas_l - haut_l, mediane(rs), mediane(rl), bas_s, haut_s, bas_l, haut_l);
}

// The corrected L's median through the median of L̂ (see the head of this
// file): B fits of generated measurements, then A bootstraps at the median of
// their L̂ and at each end of its interval, with the same seeds at the three
// (their medians then keep their order), on the trials' grids (their empty
// cells). σ̂ only scales the draws: σ̂ = 1.
void etudier_mediane_L(const Etude& e, const Generateur& generateur)
{
    std::vector<double> L(static_cast<std::size_t>(e.bruts), std::nan(""));
    std::atomic<int> suivant{0};
    en_parallele(e.fils, [&] {
        Generateur::Tampons b;
        for (int t = suivant++; t < e.bruts; t = suivant++) {
            try {
                const auto niv = rapport::niveler(generateur.tirer(serie_bruts, t, b), rapport::Nivellement::plan);
                const rapport::Estimation est =
                    rapport::mesurer(niv, e.lignes, e.colonnes, e.pas, generateur.reglages(), e.modele);
                if (est.commune.a)
                    L[static_cast<std::size_t>(t)] = est.commune.a->L;
            } catch (const rapport::Erreur&) {
            }
        }
    });
    const Mediane m = mediane_et_intervalle(L);
    if (m.n == 0) {
        std::printf("| %d x %d | aucun ajustement reussi |\n", e.lignes, e.colonnes);
        return;
    }
    const std::array<double, 3> Lhat{m.bas, m.milieu, m.haut};
    std::array<std::vector<double>, 3> corrige;
    corrige.fill(std::vector<double>(static_cast<std::size_t>(e.amorcages), std::nan("")));
    suivant = 0;
    en_parallele(e.fils, [&] {
        Generateur::Tampons b;
        for (int t = suivant++; t < e.amorcages; t = suivant++) {
            const rapport::Grille& g = generateur.tirer(serie_essais, t, b);
            for (std::size_t i = 0; i < Lhat.size(); ++i) {
                rapport::Ajustement a;
                a.sigma = 1;
                a.L = Lhat[i];
                const int rayons = rapport::plage_longueurs(a.L, e.pas, generateur.reglages(), e.modele);
                try {
                    const auto rb = generateur.reglages_bootstrap(
                        outils::derived_seed(e.graine, graines_mediane, static_cast<std::uint64_t>(t)), rayons);
                    corrige[i][static_cast<std::size_t>(t)] = rapport::bootstrap(g, e.modele, a, rb).L_corrige;
                } catch (const rapport::Erreur&) {
                }
            }
        }
    });
    // | grid | L (steps) | model | fits: median of L̂ over the truth [95 %] | bootstraps: corrected L's median
    // over the truth there [at the interval's ends] |
    const double F[3] = {mediane_et_intervalle(corrige[0]).milieu, mediane_et_intervalle(corrige[1]).milieu,
                         mediane_et_intervalle(corrige[2]).milieu};
    std::printf("| %d x %d | %g | %s | %d : %.3f [%.3f ; %.3f] | %d : %.3f [%.3f ; %.3f] |\n", e.lignes, e.colonnes,
                e.L / e.pas, surface::nom(e.modele), m.n, m.milieu / e.L, m.bas / e.L, m.haut / e.L, e.amorcages,
                F[1] / e.L, F[0] / e.L, F[2] / e.L);
    std::printf("MEDIANE_L %d %.9g %.9g %.9g %.9g %.9g %.9g\n", m.n, m.bas, m.milieu, m.haut, F[0], F[1], F[2]);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::string(argv[1]) == "--aide" || std::string(argv[1]) == "-h" ||
                      std::string(argv[1]) == "--help")) {
        std::printf("usage : rugosite-rapport-etude [--lignes N] [--colonnes M] [--pas P] [--sigma S] [--L L]\n"
                    "         [--essais T] [--tirages K] [--vides F] [--graine G] [--fils F]\n"
                    "         [--modele exponentiel|gaussien] [--pepite libre|nulle] [--bruts B] [--amorcages A]\n"
                    "Tire T surfaces de sigma et L connus (covariance exponentielle) sur une grille N x M de pas P\n"
                    "dont une part F des cellules est vide, les ajuste comme le rapport, et ecrit sur la sortie\n"
                    "standard une ligne de tableau : ecarts des ajustements et part des intervalles a 95 %%\n"
                    "(K tirages) qui contiennent les vraies valeurs. Avec --bruts, B ajustements sans amorcage\n"
                    "donnent la mediane de L mesuree et son intervalle a 95 %%, et A amorcages en chacun de ces\n"
                    "trois points la mediane de L corrigee (une ligne de plus ; --essais 0 : celle-la seule).\n"
                    "N'ecrit aucun fichier.\n"
                    "Statut de sortie : 0 fait ; 1 option invalide.\n");
        return 0;
    }
    Etude e;
    if (!lire(argc, argv, e)) {
        std::fprintf(stderr, "rugosite-rapport-etude : options invalides (voir --aide)\n");
        return 1;
    }
    const Generateur generateur(e);
    if (e.essais > 0)
        etudier_essais(e, generateur);
    if (e.bruts > 0)
        etudier_mediane_L(e, generateur);
    return 0;
}
