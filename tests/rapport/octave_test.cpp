// The unweighted exponential fit over HR.m's range gives the σ and L that
// Octave's lsqcurvefit finds when it runs the HR.m that reliefstat writes for
// the same grid. Skipped with a notice when Octave or its optim package is
// missing.
#include "tools/rapport/ajustement.hpp"
#include "tools/rapport/correlation.hpp"
#include "tools/rapport/grille.hpp"
#include "tests/rapport/grille_essai.hpp"
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
