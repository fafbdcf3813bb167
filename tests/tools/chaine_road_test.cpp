// The runner over the real programs, on small synthetic clouds: the summary of a
// complete run against what the generator drew, and the reasons of framefit's
// stops, with its figures, in the runner's sentence.
#include "launch.hpp"
#include "program_run.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace {

tools_test::Launched tool(const std::string& name, const program_test::WorkDir& dir,
                          const std::vector<std::string>& args)
{
    return tools_test::launch(program_test::program_path(name), args, dir.path());
}

std::vector<std::string> cloud(std::vector<std::string> extra)
{
    std::vector<std::string> args{"nuage", "--points", "20000", "--points-coin", "60", "--modes", "64"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

// The value after a label of the summary, up to the line end.
std::string summary_value(const std::string& err, const std::string& label)
{
    const auto at = err.find("  " + label);
    if (at == std::string::npos)
        return "";
    const auto start = err.find_first_not_of(' ', at + 2 + label.size());
    return err.substr(start, err.find('\n', start) - start);
}

// The figure after `name ` in a name-value file of the generator.
std::string truth(const program_test::WorkDir& dir, const std::string& name)
{
    std::istringstream lines(dir.read("parametres_vrais.txt"));
    for (std::string key, value; lines >> key && std::getline(lines, value);)
        if (key == name)
            return value.substr(1);
    return "";
}

} // namespace

TEST(ChainRoad, SummaryOfACompleteRunMatchesTheCloud)
{
    const program_test::WorkDir dir;
    ASSERT_EQ(tool("rugosite-synthese", dir, cloud({"--graine", "3"})).status, 0);
    const auto run = tool("rugosite-chaine", dir, {"--", "50", "0.1"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(summary_value(run.err, "points lus (plyunpack)"), truth(dir, "points"));
    EXPECT_EQ(summary_value(run.err, "points par coin (markerpick)"), "O 60, X 60, Y 60 (10 au moins)");
    EXPECT_TRUE(summary_value(run.err, "grille (echantillonnage)").starts_with("50 pas de 2.000000 % du cote du cadre"));
    // reliefstat's figures, as it printed them.
    const auto rms_at = run.out.find("RMS=");
    ASSERT_NE(rms_at, std::string::npos);
    EXPECT_EQ(summary_value(run.err, "hauteur RMS (reliefstat)"),
              run.out.substr(rms_at + 4, run.out.find(" cm", rms_at) - rms_at - 4) + " % du cote du cadre");
    // The report, where it is built, gives the summary's share of empty nodes,
    // counted in the same crop.
    if (dir.exists("rapport.json")) {
        const std::string vides = summary_value(run.err, "noeuds vides dans le cadre (2 a 98)");
        const auto sur = vides.find(" sur ");
        ASSERT_NE(sur, std::string::npos) << vides;
        const double part = std::stod(vides.substr(vides.find('(') + 1)) / std::stod(vides.substr(sur + 5));
        const std::string rapport = dir.read("rapport.json");
        const auto cle = rapport.find("\"part_vide\": ");
        ASSERT_NE(cle, std::string::npos);
        EXPECT_EQ(std::stod(rapport.substr(cle + 13)), part) << vides;
        // sigma and L of both models, after the report's own lines.
        for (const char* modele : {"modele exponentiel", "modele gaussien"}) {
            const std::string ligne = summary_value(run.err, modele);
            EXPECT_TRUE(ligne.starts_with("sigma ")) << run.err;
            EXPECT_NE(ligne.find(", L "), std::string::npos) << ligne;
            EXPECT_NE(ligne.find("% du cote du cadre"), std::string::npos) << ligne;
        }
    }
    // 20000 points on 50 steps with r = 0.1: some 1.4 points a disc, a quarter of
    // the nodes empty; the advice must clear that.
    EXPECT_NE(run.err.find("rugosite-chaine : attention : "), std::string::npos) << run.err;
    const auto advice = run.err.find("(rugosite-chaine -- 50 ");
    ASSERT_NE(advice, std::string::npos) << run.err;
    const std::string radius = run.err.substr(advice + 23, run.err.find(')', advice) - advice - 23);
    const auto again = tool("rugosite-chaine", dir, {"--", "50", radius});
    ASSERT_EQ(again.status, 0);
    EXPECT_EQ(again.err.find("attention"), std::string::npos) << "-- 50 " << radius << "\n" << again.err;
}

// framefit says why it stopped on one "framefit : " line with its figures; the
// runner passes it on and builds its sentence from it.
TEST(ChainRoad, FramefitStopsAreToldWithTheirFigures)
{
    struct Case {
        std::vector<std::string> cloud;
        int status;
        std::vector<std::string> figures;
    };
    const std::vector<Case> cases{
        {{"--points-coin", "9"}, 5, {"9", "10"}},
        {{"--cote-y", "125"}, 10, {"O-X", "O-Y", "%"}},
        {{"--angle-cadre", "70"}, 20, {"degres"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        const program_test::WorkDir dir;
        ASSERT_EQ(tool("rugosite-synthese", dir, cloud(c.cloud)).status, 0);
        const auto run = tool("rugosite-chaine", dir, {"--", "50", "0.25"});
        EXPECT_EQ(run.status, c.status);
        const auto own = run.err.find("framefit : ");
        if (own == std::string::npos || (own > 0 && run.err[own - 1] != '\n')) {
            ADD_FAILURE() << "no line of framefit's own in:\n" << run.err;
            continue;
        }
        const std::string line = run.err.substr(own, run.err.find('\n', own) - own);
        for (const auto& figure : c.figures)
            EXPECT_NE(line.find(figure), std::string::npos) << figure << " in: " << line;
        EXPECT_NE(run.err.find("rugosite-chaine : framefit s'est arrete : " + line.substr(11) + "\n"),
                  std::string::npos)
            << run.err;
    }
}
