// The fits against Octave's lsqcurvefit on the same points. (That the points
// are those of the HR.m that reliefstat writes is checked against reliefstat
// itself in programme_test.cpp.) Skipped with a notice when Octave or its
// optim package is missing.
#include "tools/rapport/ajustement.hpp"
#include "tools/rapport/correlation.hpp"
#include "tools/rapport/grille.hpp"
#include "tests/rapport/grille_essai.hpp"
#include "tools/rapport/mesure.hpp"
#include "tools/rapport/nivellement.hpp"
#include "tests/support/program_run.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

using namespace rapport;
using program_test::WorkDir;

namespace {

bool octave_avec_optim()
{
    return std::system("octave-cli --no-gui --norc --eval 'pkg load optim' >/dev/null 2>&1") == 0;
}

} // namespace

// The default measurement (every pair, the range in terms of L, weights by
// pair count) against lsqcurvefit on the same points, weighted the same way,
// for both models and for fits of a few points; and the unweighted fit of
// reliefstat's function over its cut, from HR.m's start.
TEST(RapportOctave, WeightedFitsOfTheMeasurementEqualLsqcurvefit)
{
    if (!octave_avec_optim())
        GTEST_SKIP() << "NOTICE: octave-cli ou son paquet optim absent : comparaison avec lsqcurvefit sautee";
    struct Cas {
        Modele modele;
        int rayons; // 0: the L rule; -1: reliefstat's function, cut and start, unweighted
    };
    WorkDir dir;
    dir.write("grille.txt", fichier_grille(61, 47, 0.5, 1.0, 1.5, 21, 0.05));
    const Grille g = lire_grille((dir.path() / "grille.txt").string());
    const auto z = niveler(g, Nivellement::plan);
    std::string script = "pkg load optim\no = optimset('TolFun', 1e-15, 'TolX', 1e-15, 'Display', 'off');\n";
    std::vector<Ajustement> nous;
    const Correlation c = correlation_fft(z, g.lignes, g.colonnes);
    for (const Cas cas : {Cas{Modele::exponentiel, 0}, Cas{Modele::gaussien, 0}, Cas{Modele::exponentiel, 4},
                          Cas{Modele::gaussien, 3}, Cas{Modele::exponentiel, -1}}) {
        ReglagesMesure r;
        if (cas.rayons > 0) {
            r.regle = RegleMesure::rayons;
            r.rayons = cas.rayons;
        }
        Points p;
        if (cas.rayons < 0) {
            p = points_ajustement(c.commune, Plage{rayon_max_observation(c.commune)}, g.pas, false);
            nous.push_back(ajuster(cas.modele, p, Depart{1.0, 1.0}));
        } else {
            const Estimation e = mesurer(z, g.lignes, g.colonnes, g.pas, r, cas.modele);
            ASSERT_TRUE(e.commune.a) << e.commune.motif;
            nous.push_back(*e.commune.a);
            p = points_ajustement(c.toutes, Plage{e.commune.rayons}, g.pas);
        }
        std::ostringstream v;
        v.precision(17);
        for (const auto& [nom, valeurs] : {std::pair{"r", &p.r}, {"H", &p.H}, {"w2", &p.poids}}) {
            v << nom << " = [";
            for (double x : *valeurs)
                v << x << " ";
            v << "];\n";
        }
        const std::string forme = cas.modele == Modele::exponentiel ? "(r / x(2))" : "(r / x(2)).^2";
        // Several starts; the lowest sum of squares is the optimum.
        script += v.str() + "w = sqrt(w2);\nF = @(x, r) w .* (2 * x(1)^2 * (1 - exp(-" + forme + ")));\nmeilleur = Inf;\n" +
                  "for d = [0.3 1 3 10]\n  [x, n] = lsqcurvefit(F, [1, d], r, w .* H, [], [], o);\n"
                  "  if n < meilleur, meilleur = n; b = x; end\nend\n"
                  "printf('RESULTAT %.15g %.15g\\n', abs(b(1)), abs(b(2)));\n";
    }
    dir.write("essai.m", script);
    const std::string commande =
        "cd '" + dir.path().string() + "' && octave-cli --no-gui --norc essai.m > sortie.txt 2>&1";
    ASSERT_EQ(std::system(commande.c_str()), 0) << dir.read("sortie.txt");
    std::istringstream sortie(dir.read("sortie.txt"));
    std::size_t k = 0;
    for (std::string mot; sortie >> mot;)
        if (mot == "RESULTAT") {
            double s = 0, L = 0;
            sortie >> s >> L;
            ASSERT_LT(k, nous.size());
            EXPECT_NEAR(nous[k].sigma / s, 1.0, 1e-6) << k;
            EXPECT_NEAR(nous[k].L / L, 1.0, 1e-6) << k;
            ++k;
        }
    EXPECT_EQ(k, nous.size()) << dir.read("sortie.txt");
}
