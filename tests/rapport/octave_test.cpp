// The unweighted exponential fit over HR.m's range gives the σ and L that
// Octave's lsqcurvefit finds when it runs the HR.m that reliefstat writes for
// the same grid. Skipped with a notice when Octave or its optim package is
// missing.
#include "tools/rapport/ajustement.hpp"
#include "tools/rapport/correlation.hpp"
#include "tools/rapport/grille.hpp"
#include "tests/rapport/grille_essai.hpp"
#include "tools/rapport/mesure.hpp"
#include "tools/rapport/nivellement.hpp"
#include "tests/support/program_run.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
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

TEST(RapportOctave, UnweightedFitEqualsLsqcurvefitOnHRm)
{
    if (!octave_avec_optim())
        GTEST_SKIP() << "NOTICE: octave-cli ou son paquet optim absent : comparaison avec lsqcurvefit sautee";
    for (auto [N, M, pas, sigma, L, graine] :
         {std::tuple{81, 81, 0.5, 1.0, 2.5, 11}, std::tuple{40, 25, 2.0, 0.5, 6.0, 3}}) {
        SCOPED_TRACE(std::to_string(N) + " x " + std::to_string(M));
        WorkDir dir;
        dir.write("grille.txt", fichier_grille(N, M, pas, sigma, L, static_cast<std::uint64_t>(graine), 0.05));
        ASSERT_EQ(program_test::run("reliefstat", {}, dir).status, 0);
        // The drawing calls of HR.m do nothing here.
        std::filesystem::create_directory(dir.path() / "sans_dessin");
        for (const char* f : {"figure", "stem", "plot", "xlim", "hold", "xlabel", "ylabel", "title", "legend"})
            program_test::spit(dir.path() / "sans_dessin" / (std::string(f) + ".m"),
                               std::string("function varargout = ") + f +
                                   "(varargin)\n  varargout = cell(1, nargout);\nend\n");
        // HR.m as written, then lsqcurvefit again from its answer with tight
        // tolerances: the default ones stop a few 1e-4 short of the optimum.
        dir.write("essai.m", "pkg load optim\naddpath('sans_dessin');\nHR\nprintf('HRM %.15g %.15g\\n', x(1), x(2));\n"
                             "o = optimset('TolFun', 1e-14, 'TolX', 1e-14);\n"
                             "[x, resnorm, ~, exitflag] = lsqcurvefit(F, x, r, Hr, [], [], o);\n"
                             "printf('RESULTAT %.15g %.15g %d\\n', x(1), x(2), exitflag);\n");
        const std::string commande = "cd '" + dir.path().string() +
                                     "' && octave-cli --no-gui --norc essai.m > sortie.txt 2>&1";
        ASSERT_EQ(std::system(commande.c_str()), 0) << dir.read("sortie.txt");
        const std::string sortie = dir.read("sortie.txt");
        const auto h = sortie.find("HRM ");
        ASSERT_NE(h, std::string::npos) << sortie;
        std::istringstream hrm(sortie.substr(h + 4));
        double s_hrm = 0, L_hrm = 0;
        hrm >> s_hrm >> L_hrm;
        const auto p = sortie.find("RESULTAT ");
        ASSERT_NE(p, std::string::npos) << sortie;
        std::istringstream flux(sortie.substr(p + 9));
        double s_octave = 0, L_octave = 0;
        int drapeau = 0;
        flux >> s_octave >> L_octave >> drapeau;
        ASSERT_GT(drapeau, 0) << "lsqcurvefit n'a pas converge";

        const Grille g = lire_grille((dir.path() / "grille.txt").string());
        const auto z = niveler(g, Nivellement::plan_moyen);
        const Correlation c = correlation_fft(z, g.lignes, g.colonnes);
        const Points points = points_ajustement(c.commune, Plage{rayon_max_observation(c.commune)}, g.pas, false);
        const Ajustement a = ajuster(Modele::exponentiel, points, Depart{1.0, 1.0});
        EXPECT_NEAR(a.sigma / std::fabs(s_octave), 1.0, 1e-4);
        EXPECT_NEAR(a.L / L_octave, 1.0, 1e-4);
        EXPECT_NEAR(a.sigma / std::fabs(s_hrm), 1.0, 1e-2);
        EXPECT_NEAR(a.L / L_hrm, 1.0, 1e-2);
        std::printf("sigma %.9g (HR.m %.9g, lsqcurvefit %.9g), L %.9g (HR.m %.9g, lsqcurvefit %.9g)\n", a.sigma,
                    s_hrm, s_octave, a.L, L_hrm, L_octave);
    }
}

// The default measurement (every pair, the range in terms of L, weights by
// pair count) against lsqcurvefit on the same points, weighted the same way,
// for both models and for fits of a few points.
TEST(RapportOctave, WeightedFitsOfTheMeasurementEqualLsqcurvefit)
{
    if (!octave_avec_optim())
        GTEST_SKIP() << "NOTICE: octave-cli ou son paquet optim absent : comparaison avec lsqcurvefit sautee";
    struct Cas {
        Modele modele;
        int rayons; // 0: the L rule
    };
    WorkDir dir;
    const std::string texte = fichier_grille(61, 47, 0.5, 1.0, 1.5, 21, 0.05);
    dir.write("grille.txt", texte);
    const Grille g = lire_grille((dir.path() / "grille.txt").string());
    const auto z = niveler(g, Nivellement::plan);
    std::string script = "pkg load optim\no = optimset('TolFun', 1e-15, 'TolX', 1e-15, 'Display', 'off');\n";
    std::vector<Ajustement> nous;
    for (const Cas cas : {Cas{Modele::exponentiel, 0}, Cas{Modele::gaussien, 0}, Cas{Modele::exponentiel, 4},
                          Cas{Modele::gaussien, 3}}) {
        ReglagesMesure r;
        if (cas.rayons > 0) {
            r.regle = RegleMesure::rayons;
            r.rayons = cas.rayons;
        }
        const Estimation e = mesurer(z, g.lignes, g.colonnes, g.pas, r, cas.modele);
        ASSERT_TRUE(e.commune.a) << e.commune.motif;
        nous.push_back(*e.commune.a);
        const Fonction f = correlation_fft(z, g.lignes, g.colonnes).toutes;
        const Points p = points_ajustement(f, Plage{e.commune.rayons}, g.pas);
        std::ostringstream v;
        v.precision(17);
        v << "r = [";
        for (double x : p.r)
            v << x << " ";
        v << "];\nH = [";
        for (double x : p.H)
            v << x << " ";
        v << "];\nw = sqrt([";
        for (double x : p.poids)
            v << x << " ";
        v << "]);\n";
        const std::string forme = cas.modele == Modele::exponentiel ? "(r / x(2))" : "(r / x(2)).^2";
        // Several starts; the lowest sum of squares is the optimum.
        script += v.str() + "F = @(x, r) w .* (2 * x(1)^2 * (1 - exp(-" + forme + ")));\nmeilleur = Inf;\n" +
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
            std::printf("cas %zu : sigma %.9g (lsqcurvefit %.9g), L %.9g (lsqcurvefit %.9g), %d rayons\n", k,
                        nous[k].sigma, s, nous[k].L, L, nous[k].rayons);
            ++k;
        }
    EXPECT_EQ(k, nous.size()) << dir.read("sortie.txt");
}
