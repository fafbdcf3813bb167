// rugosite-rapport-etude: how well the report recovers σ and L, and how often
// its bootstrap interval holds them, on generated surfaces of known σ and L
// (exponential covariance, the generator's surface library) with the grid,
// step and share of empty cells of a measurement road.
//
// usage: rugosite-rapport-etude [--lignes N] [--colonnes M] [--pas P] [--sigma S]
//        [--L L] [--essais T] [--tirages K] [--vides F] [--graine G] [--fils F]
// Prints one table line (Markdown) and ends with status 0; 1 on a bad option.
#include "tools/rapport/ajustement.hpp"
#include "tools/rapport/bootstrap.hpp"
#include "tools/rapport/correlation.hpp"
#include "tools/rapport/grille.hpp"
#include "tools/rapport/nivellement.hpp"
#include "tools/surface/surface.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
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
        else
            return false;
        if (r.ec != std::errc() || r.ptr != fin)
            return false;
    }
    return argc % 2 == 1 && e.lignes >= 2 && e.colonnes >= 2 && e.pas > 0 && e.sigma > 0 && e.L > 0 &&
           e.essais > 0 && e.K >= 2;
}

struct Serie {
    std::vector<double> valeurs;
    int couverts = 0;
    double moyenne() const
    {
        double s = 0;
        for (double v : valeurs)
            s += v;
        return s / static_cast<double>(valeurs.size());
    }
    double ecart_type() const
    {
        const double m = moyenne();
        double s = 0;
        for (double v : valeurs)
            s += (v - m) * (v - m);
        return std::sqrt(s / static_cast<double>(std::max<std::size_t>(valeurs.size() - 1, 1)));
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::string(argv[1]) == "--aide" || std::string(argv[1]) == "-h" ||
                      std::string(argv[1]) == "--help")) {
        std::printf("usage : rugosite-rapport-etude [--lignes N] [--colonnes M] [--pas P] [--sigma S] [--L L]\n"
                    "         [--essais T] [--tirages K] [--vides F] [--graine G] [--fils F]\n"
                    "Tire T surfaces de sigma et L connus (covariance exponentielle) sur une grille N x M de pas P\n"
                    "dont une part F des cellules est vide, les ajuste comme le rapport, et ecrit sur la sortie\n"
                    "standard une ligne de tableau : ecarts des ajustements et part des intervalles a 95 %%\n"
                    "(K tirages) qui contiennent les vraies valeurs. N'ecrit aucun fichier.\n"
                    "Statut de sortie : 0 fait ; 1 option invalide.\n");
        return 0;
    }
    Etude e;
    if (!lire(argc, argv, e)) {
        std::fprintf(stderr, "rugosite-rapport-etude : options invalides (voir --aide)\n");
        return 1;
    }
    using surface::Modele;
    const surface::Plongement plongement(e.lignes, e.colonnes, e.pas, Modele::exponentiel, e.sigma, e.L);
    surface::Buffer<surface::Complexe> travail;
    rapport::Grille g;
    g.lignes = e.lignes;
    g.colonnes = e.colonnes;
    g.pas = e.pas;
    g.z.resize(static_cast<std::size_t>(e.lignes) * e.colonnes);
    std::vector<double> a(g.z.size()), b(g.z.size());
    Serie sigma, L;
    int echecs = 0, rayons = 0;
    for (int t = 0; t < e.essais; ++t) {
        // Two trials per draw; a tilt and empty cells as a measurement has them.
        if (t % 2 == 0)
            plongement.tirer(surface::graine_derivee(e.graine, 1000, static_cast<std::uint64_t>(t)), a, b, travail);
        const std::vector<double>& z = t % 2 == 0 ? a : b;
        surface::Normale alea(surface::graine_derivee(e.graine, 2000, static_cast<std::uint64_t>(t)));
        const double px = 0.01 * alea(), py = 0.01 * alea();
        for (int i = 0; i < e.lignes; ++i)
            for (int j = 0; j < e.colonnes; ++j) {
                const std::size_t c = static_cast<std::size_t>(i) * e.colonnes + j;
                const double u = 0.5 * (1.0 + std::erf(alea() / std::sqrt(2.0)));
                g.z[c] = u < e.vides ? std::nan("") : 7.0 + z[c] + px * i + py * j;
            }
        try {
            const auto niv = rapport::niveler(g, rapport::Nivellement::plan);
            const rapport::Fonction f = rapport::correlation_commune_fft(niv, e.lignes, e.colonnes, rapport::entrees_regle);
            const rapport::Plage plage{rapport::rayon_max_observation(f)};
            const rapport::Ajustement ajuste =
                rapport::ajuster(Modele::exponentiel, rapport::points_ajustement(f, plage, e.pas));
            rapport::ReglagesBootstrap rb;
            rb.K = e.K;
            rb.graine = surface::graine_derivee(e.graine, 3000, static_cast<std::uint64_t>(t));
            rb.fils = e.fils;
            const rapport::Intervalles iv = rapport::bootstrap(g, Modele::exponentiel, ajuste, rb);
            sigma.valeurs.push_back(ajuste.sigma);
            L.valeurs.push_back(ajuste.L);
            sigma.couverts += iv.sigma_bas <= e.sigma && e.sigma <= iv.sigma_haut;
            L.couverts += iv.L_bas <= e.L && e.L <= iv.L_haut;
            rayons += ajuste.rayons;
        } catch (const rapport::Erreur&) {
            ++echecs;
        }
    }
    const int n = static_cast<int>(sigma.valeurs.size());
    if (n == 0) {
        std::printf("| %d x %d | aucun ajustement reussi |\n", e.lignes, e.colonnes);
        return 0;
    }
    // | grid | step | σ, L | empty | trials (failed) | mean radii | σ̂: mean ± sd | L̂: mean ± sd | cover σ | cover L |
    std::printf("| %d x %d | %g | %g, %g | %.0f %% | %d (%d) | %.1f | %.4f ± %.4f | %.3f ± %.3f | %.1f %% | %.1f %% |\n",
                e.lignes, e.colonnes, e.pas, e.sigma, e.L, 100.0 * e.vides, e.essais, echecs,
                static_cast<double>(rayons) / n, sigma.moyenne(), sigma.ecart_type(), L.moyenne(), L.ecart_type(),
                100.0 * sigma.couverts / n, 100.0 * L.couverts / n);
    std::printf("COUVERTURE %d %d %d %.9g %.9g %.9g %.9g\n", n, sigma.couverts, L.couverts, sigma.moyenne(),
                sigma.ecart_type(), L.moyenne(), L.ecart_type());
    return 0;
}
