// The study behind the constant c of the fit range rule: for a grid size, a
// model and a true L, the median and quartiles of L/L_true and σ/σ_true over
// generated surfaces (plane levelling), for each c given, and how many fits
// were not resolved. Not installed.
//
//   rugosite-rapport-etude-plage N exponentiel|gaussien L graines c...
//
// N x N cells of step 1, σ = 1; each seed gives two surfaces.
#include "tools/rapport/mesure.hpp"
#include "tools/rapport/nivellement.hpp"
#include "tools/surface/surface.hpp"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

using namespace rapport;

namespace {

bool nombre(const char* texte, double& v)
{
    const std::string s(texte);
    const auto [fin, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && fin == s.data() + s.size();
}

double quartile(const std::vector<double>& tries, double p)
{
    return tries.empty() ? 0.0 : tries[static_cast<std::size_t>(p * static_cast<double>(tries.size() - 1))];
}

} // namespace

int main(int argc, char** argv)
{
    double n = 0, L = 0, graines = 0;
    if (argc < 6 || !nombre(argv[1], n) || !nombre(argv[3], L) || !nombre(argv[4], graines) || n < 5 || L <= 0 ||
        graines < 1) {
        std::fputs("usage : rugosite-rapport-etude-plage N exponentiel|gaussien L graines c...\n", stderr);
        return 1;
    }
    const int N = static_cast<int>(n);
    const Modele modele = std::string(argv[2]) == "gaussien" ? Modele::gaussien : Modele::exponentiel;
    std::vector<double> cs;
    for (int i = 5; i < argc; ++i) {
        double c = 0;
        if (!nombre(argv[i], c) || c <= 0) {
            std::fprintf(stderr, "c invalide : %s\n", argv[i]);
            return 1;
        }
        cs.push_back(c);
    }
    const surface::Plongement plongement(N, N, 1.0, modele, 1.0, L);
    surface::Buffer<surface::Complexe> travail;
    std::vector<std::vector<double>> Ls(cs.size()), sigmas(cs.size());
    std::vector<int> non_resolus(cs.size(), 0);
    std::vector<double> a(static_cast<std::size_t>(N) * N), b(a.size());
    for (int g = 0; g < static_cast<int>(graines); ++g) {
        plongement.tirer(static_cast<std::uint64_t>(1000 + g), a, b, travail);
        for (const std::vector<double>* z : {&a, &b}) {
            const std::vector<double> nivelee = niveler(*z, N, N, Nivellement::plan);
            for (std::size_t k = 0; k < cs.size(); ++k) {
                ReglagesMesure r;
                r.longueurs = cs[k];
                r.directions = false;
                const Estimation e = mesurer(nivelee, N, N, 1.0, r, modele);
                if (!e.commune.resolu)
                    ++non_resolus[k];
                if (e.commune.a) {
                    Ls[k].push_back(e.commune.a->L / L);
                    sigmas[k].push_back(e.commune.a->sigma);
                }
            }
        }
    }
    std::printf("N L modele c L/L_vrai q25 q75 sigma q25 q75 non_resolus surfaces\n");
    for (std::size_t k = 0; k < cs.size(); ++k) {
        std::sort(Ls[k].begin(), Ls[k].end());
        std::sort(sigmas[k].begin(), sigmas[k].end());
        std::printf("%d %g %s %g %.3f %.3f %.3f %.3f %.3f %.3f %d %d\n", N, L, surface::nom(modele), cs[k],
                    quartile(Ls[k], 0.5), quartile(Ls[k], 0.25), quartile(Ls[k], 0.75), quartile(sigmas[k], 0.5),
                    quartile(sigmas[k], 0.25), quartile(sigmas[k], 0.75), non_resolus[k],
                    2 * static_cast<int>(graines));
    }
    return 0;
}
