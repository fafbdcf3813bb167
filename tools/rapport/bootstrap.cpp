#include "tools/rapport/bootstrap.hpp"

#include <unistd.h>

#include <algorithm>
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

namespace {

class Progression {
public:
    Progression(bool actif, int total, const char* modele)
        : actif_(actif && isatty(STDERR_FILENO)), total_(total), modele_(modele)
    {
    }
    ~Progression()
    {
        if (affiche_)
            std::fputs("\n", stderr);
    }
    void pas()
    {
        const int fait = ++fait_;
        if (!actif_)
            return;
        std::lock_guard garde(verrou_);
        if (fait * 100 / total_ != dernier_ || fait == total_) {
            dernier_ = fait * 100 / total_;
            std::fprintf(stderr, "\rrugosite-rapport : bootstrap %s %d/%d", modele_, fait, total_);
            std::fflush(stderr);
            affiche_ = true;
        }
    }

private:
    bool actif_;
    int total_;
    const char* modele_;
    std::atomic<int> fait_{0};
    std::mutex verrou_;
    int dernier_ = -1;
    bool affiche_ = false;
};

} // namespace

Intervalles bootstrap(const Grille& masque, Modele modele, const Ajustement& mesure, const ReglagesBootstrap& r)
{
    const int N = masque.lignes, M = masque.colonnes;
    std::optional<surface::Plongement> plongement;
    try {
        plongement.emplace(N, M, masque.pas, modele, mesure.sigma, mesure.L);
    } catch (const std::exception&) {
        throw Erreur("bootstrap : grille trop grande pour simuler des surfaces (memoire)");
    }
    const int K = std::max(r.K, 0);
    const int tirages = (K + 1) / 2; // one draw gives two surfaces
    std::vector<double> sigmas(static_cast<std::size_t>(K), std::nan("")), Ls(sigmas);
    Progression progression(r.progression, K, surface::nom(modele));
    std::atomic<int> suivant{0};
    auto travail = [&] {
        surface::Buffer<surface::Complexe> tampon;
        std::vector<double> a(masque.z.size()), b(masque.z.size());
        for (int t = suivant++; t < tirages; t = suivant++) {
            plongement->tirer(surface::graine_derivee(r.graine, static_cast<std::uint64_t>(modele), static_cast<std::uint64_t>(t)), a, b, tampon);
            for (int moitie = 0; moitie < 2; ++moitie) {
                const int k = 2 * t + moitie;
                if (k >= K)
                    break;
                std::vector<double>& z = moitie == 0 ? a : b;
                for (std::size_t c = 0; c < z.size(); ++c)
                    if (std::isnan(masque.z[c]))
                        z[c] = std::nan("");
                try {
                    const std::vector<double> niv = niveler(z, N, M, r.nivellement);
                    const Fonction f = correlation_commune_fft(niv, N, M, r.rayons ? *r.rayons : entrees_regle);
                    const Plage plage{r.rayons ? *r.rayons : rayon_max_observation(f)};
                    const Ajustement a2 = ajuster(modele, points_ajustement(f, plage, masque.pas, r.ponderes),
                                                  Depart{mesure.sigma, mesure.L});
                    sigmas[static_cast<std::size_t>(k)] = a2.sigma;
                    Ls[static_cast<std::size_t>(k)] = a2.L;
                } catch (const Erreur&) {
                    // counted as a failure below
                }
                progression.pas();
            }
        }
    };
    {
        std::vector<std::jthread> fils;
        for (int f = 1; f < std::max(r.fils, 1); ++f)
            fils.emplace_back(travail);
        travail();
    }
    Intervalles iv;
    iv.exact = plongement->exact();
    std::vector<double> s, l;
    for (int k = 0; k < K; ++k)
        if (std::isfinite(sigmas[static_cast<std::size_t>(k)])) {
            s.push_back(sigmas[static_cast<std::size_t>(k)]);
            l.push_back(Ls[static_cast<std::size_t>(k)]);
        }
    iv.reussis = static_cast<int>(s.size());
    iv.echecs = K - iv.reussis;
    if (K == 0 || iv.reussis * 2 < K || iv.reussis < 2)
        throw Erreur(std::string("bootstrap ") + surface::nom(modele) + " : trop d'ajustements des surfaces simulees ne convergent pas (" +
                     std::to_string(iv.echecs) + " sur " + std::to_string(K) + ")");
    std::sort(s.begin(), s.end());
    std::sort(l.begin(), l.end());
    iv.sigma_bas = mesure.sigma * mesure.sigma / quantile(s, 0.975);
    iv.sigma_haut = mesure.sigma * mesure.sigma / quantile(s, 0.025);
    iv.L_bas = mesure.L * mesure.L / quantile(l, 0.975);
    iv.L_haut = mesure.L * mesure.L / quantile(l, 0.025);
    return iv;
}

} // namespace rapport
