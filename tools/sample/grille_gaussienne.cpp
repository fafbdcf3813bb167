// grille_gaussienne N M pas s L graine [moyenne]: writes on standard output a
// height grid of N rows and M columns in the form reliefstat reads (header
// "(N-1)x(M-1)xpas", then the heights column after column), Gaussian heights
// of RMS height s about the mean height (0 by default) with exponential
// correlation of length L, in the unit of pas. Status 2 on a bad command line.
#include "line_io.hpp"
#include "surface_gaussienne.hpp"

#include <string>

int main(int argc, char** argv)
{
    pipeline::Writer sortie = pipeline::Writer::standard_output();
    int N = 0, M = 0;
    double pas = 0, s = 0, L = 0, graine = 0, moyenne = 0;
    bool lu = argc == 7 || argc == 8;
    auto lire = [&](int k, auto& valeur) {
        if (lu && k < argc) {
            auto mot = pipeline::Reader::over_text(argv[k]);
            lu = mot.scan(std::is_same_v<decltype(valeur), int&> ? "%d" : "%lf", valeur) == 1;
        }
    };
    lire(1, N);
    lire(2, M);
    lire(3, pas);
    lire(4, s);
    lire(5, L);
    lire(6, graine);
    lire(7, moyenne);
    if (!lu || N < 1 || M < 1 || !(pas > 0) || !(s >= 0) || !(L > 0) || graine < 0) {
        sortie.print("usage : grille_gaussienne N M pas s L graine [moyenne]\n");
        return 2;
    }
    const auto z = echantillon::surface_gaussienne(N, M, pas, s, L, static_cast<std::uint64_t>(graine));
    sortie.print("%dx%dx%lf\n", N - 1, M - 1, pas);
    for (int j = 0; j < M; ++j)
        for (int i = 0; i < N; ++i)
            sortie.print("%lf\n", moyenne + z[static_cast<std::size_t>(i) * M + j]);
    return sortie.flush() ? 0 : 1;
}
