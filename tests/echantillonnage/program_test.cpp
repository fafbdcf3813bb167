// echantillonnage run as a user runs it, in a fresh directory.
#include "line_io.hpp"
#include "program_run.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

using program_test::run;
using program_test::without_timestamps;
using program_test::WorkDir;

namespace {

const std::string lu = "Le fichier existe et est ouvert en lecture seule\n";
const std::string perso = "chargement des parametres personnalises\n";

int lines(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// The heights of grille.txt, after its header line.
std::vector<std::string> heights(const std::string& grille)
{
    std::istringstream in(grille);
    std::vector<std::string> all;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line))
        all.push_back(line);
    return all;
}

std::set<std::string> names(const WorkDir& dir)
{
    std::set<std::string> all;
    for (const auto& [name, bytes] : dir.files())
        all.insert(name);
    return all;
}

} // namespace

TEST(Echantillonnage, DefaultsGiveTheFullLatticeAndTheLogEndsWithoutLineEnds)
{
    WorkDir dir;
    dir.write("log.txt", "earlier\n");
    dir.write("cloud.txt", "10 10 1\n10.05 9.95 2\n10.25 10 6\n50 50 -3.5\n");
    const auto r = run("echantillonnage", {}, dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, lu + "99.995050% de points vides");
    EXPECT_EQ(without_timestamps(dir.read("log.txt")),
              "earlier\n[T]\nexecution echantillonnage\n[T]\n99.995050% de points vides[T]\nfin de echantillonnage");
    const std::string grille = dir.read("grille.txt");
    EXPECT_TRUE(grille.starts_with("200x200x0.500000\n"));
    const auto h = heights(grille);
    ASSERT_EQ(h.size(), 40401u);
    EXPECT_EQ(h[20 * 201 + 20], "1.500000"); // (10.25, 10) lies beyond the default radius
    EXPECT_EQ(h[100 * 201 + 100], "-3.500000");
    EXPECT_EQ(h[0], "10000.000000");
    const std::string m = dir.read("grille.m");
    EXPECT_EQ(lines(m), 3 + 3 * 40401);
    EXPECT_NE(m.find("GRILLE(21,21)=1.500000;\nGRILLE_X(4041)=20;\nGRILLE_Y(4041)=20;\n"), std::string::npos);
    EXPECT_EQ(names(dir), (std::set<std::string>{"cloud.txt", "grille.m", "grille.txt", "log.txt"}));
}

TEST(Echantillonnage, OnlyTwoArgumentsAreAnnouncedAndUsed)
{
    WorkDir dir;
    dir.write("cloud.txt", "10.25 10 6\n");
    auto r = run("echantillonnage", {"200", "0.5"}, dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, perso + lu + "99.997525% de points vides");
    EXPECT_NE(without_timestamps(dir.read("log.txt"))
                  .find("[T]\nchargement des parametres personnalises... nbr_pas=200 et r=0.500000\n"),
              std::string::npos);
    EXPECT_EQ(heights(dir.read("grille.txt"))[21 * 201 + 20], "6.000000");

    r = run("echantillonnage", {"50", "0.5"}, dir);
    EXPECT_EQ(heights(dir.read("grille.txt")).size(), 2601u);
    EXPECT_TRUE(dir.read("grille.txt").starts_with("50x50x2.000000\n"));

    for (const auto& args : {std::vector<std::string>{"50"}, {"50", "0.5", "x"}}) {
        WorkDir other;
        other.write("cloud.txt", "");
        r = run("echantillonnage", args, other);
        EXPECT_EQ(r.out, lu + "100.000000% de points vides");
        EXPECT_TRUE(other.read("grille.txt").starts_with("200x200x0.500000\n"));
        EXPECT_EQ(other.read("log.txt").find("chargement"), std::string::npos);
    }
}

TEST(Echantillonnage, FailuresBeforeReadingTouchNoOutputFile)
{
    enum Cloud { none, folder, file };
    const std::string missing = "Echec lors de l'ouverture de cloud.txt, arret du programme.\n";
    struct Case {
        std::vector<std::string> args;
        Cloud cloud;
        std::string out, log;
    } cases[] = {
        {{}, none, "Le fichier n'existe pas\n", missing},
        {{}, folder, "Le fichier n'existe pas\n", missing}, // opens, but is no file
        {{"0", "1"}, file, perso + "Nombre de pas invalide (0) : il en faut au moins 1, arret du programme.\n", ""},
        {{"-4", "1"}, file, perso + "Nombre de pas invalide (-4) : il en faut au moins 1, arret du programme.\n", ""},
        {{"50000", "1"}, file,
         perso + "Memoire insuffisante pour les grilles de 50001 x 50001 noeuds, arret du programme.\n", ""},
    };
    for (const Case& c : cases) {
        WorkDir dir;
        dir.write("grille.txt", "old grid");
        dir.write("grille.m", "old script");
        if (c.cloud == file)
            dir.write("cloud.txt", "10 10 1\n");
        if (c.cloud == folder)
            std::filesystem::create_directory(dir.path() / "cloud.txt");
        const auto r = run("echantillonnage", c.args, dir);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, c.out);
        const std::string log = without_timestamps(dir.read("log.txt"));
        EXPECT_TRUE(log.starts_with("[T]\nexecution echantillonnage\n")) << log;
        const std::string failure = c.log.empty() ? r.out.substr(perso.size()) : c.log;
        EXPECT_TRUE(log.ends_with("[T]\n" + failure)) << log;
        EXPECT_EQ(dir.read("grille.txt"), "old grid");
        EXPECT_EQ(dir.read("grille.m"), "old script");
    }
}

TEST(Echantillonnage, ATruncatedCloudIsStillGriddedButReportedWithStatus2)
{
    for (const char* tail : {"4 5", "abc 1 1\n", "5 5 x3"}) {
        WorkDir dir;
        dir.write("cloud.txt", std::string("0 0 1\n0 0 3\n") + tail);
        const auto r = run("echantillonnage", {"1", "0.5"}, dir);
        EXPECT_EQ(r.status, 2) << tail;
        const std::string warning = "Attention : lecture de cloud.txt arretee sur une donnee qui n'est pas un "
                                    "point complet (points lus : ";
        EXPECT_NE(r.out.find(lu + warning), std::string::npos) << r.out;
        EXPECT_TRUE(r.out.ends_with("% de points vides"));
        EXPECT_NE(dir.read("log.txt").find(warning), std::string::npos);
        EXPECT_EQ(heights(dir.read("grille.txt"))[0], "2.000000") << tail;
        EXPECT_TRUE(dir.read("log.txt").ends_with("fin de echantillonnage"));
    }
}

TEST(Echantillonnage, PointsOffTheLatticeAreDroppedAndCounted)
{
    WorkDir dir;
    dir.write("cloud.txt", "-60 0 1\n160 0 1\n0 1e308 1\nnan 0 1\n0 nan 1\n0 0 nan\ninf 0 1\n0 0 7\n");
    const auto r = run("echantillonnage", {"1", "0.5"}, dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, perso + lu + "75.000000% de points vides");
    EXPECT_NE(without_timestamps(dir.read("log.txt"))
                  .find("[T]\nPoints hors de la grille ou non numeriques ignores : 7\n"),
              std::string::npos);
    EXPECT_EQ(dir.read("grille.txt"), "1x1x100.000000\n7.000000\n10000.000000\n10000.000000\n10000.000000\n");
}

TEST(Echantillonnage, AnOutputThatCannotBeCreatedEndsWithStatus3)
{
    for (const char* blocked : {"grille.txt", "grille.m"}) {
        WorkDir dir;
        dir.write("cloud.txt", "0 0 1\n");
        std::filesystem::create_directory(dir.path() / blocked);
        const auto r = run("echantillonnage", {}, dir);
        EXPECT_EQ(r.status, 3) << blocked;
        const std::string message = std::string("Echec lors de la creation de ") + blocked + ", arret du programme.\n";
        EXPECT_EQ(r.out, lu + message);
        EXPECT_TRUE(dir.read("log.txt").ends_with(message));
    }
    WorkDir dir;
    std::filesystem::create_directory(dir.path() / "log.txt");
    dir.write("cloud.txt", "0 0 1\n");
    const auto r = run("echantillonnage", {}, dir);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "Impossible d'ouvrir log.txt en ajout, arret du programme.\n");
    EXPECT_FALSE(dir.exists("grille.txt"));
}

TEST(Echantillonnage, ItsGridFillsTheAnalysisGridExactly)
{
    if (!std::filesystem::exists(program_test::program_path("reliefstat")))
        GTEST_SKIP() << "reliefstat is not built in this tree: the analysis of the grid is not checked";
    WorkDir dir;
    dir.write("cloud.txt", "0 0 1\n50 0 2\n100 0 3\n0 50 4\n50 50 5\n100 100 9\n");
    ASSERT_EQ(run("echantillonnage", {"2", "0.5"}, dir).status, 0);
    const auto r = run("reliefstat", {}, dir);
    ASSERT_EQ(r.status, 0) << r.out;
    // The k-th height of the file lands in row k mod 3, column k div 3, so
    // node (i, j) is row j, column i, one tab between values.
    EXPECT_EQ(dir.read("GRILLE.txt"), "1.000000\t2.000000\t3.000000\n"
                                      "4.000000\t5.000000\t10000.000000\n"
                                      "10000.000000\t10000.000000\t9.000000\n");
}
