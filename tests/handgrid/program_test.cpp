// handgrid with its answers read from a file, as a script or a redirection gives them.
#include "program_run.hpp"

#include <gtest/gtest.h>

#include <filesystem>

using program_test::run;
using program_test::WorkDir;

namespace {

const std::string questions = "Nombre de points par ligne?\nPas de mesure en cm\n"
                              "Position chariot en cm (ce lit sur la barre)\n"
                              "Position barre en cm (ce lit sur le cadre)\n";
const std::string banner = std::string(49, '!') + "\n!!! Nouvelle ligne pensez a deplacer la barre !!!\n"
                                                  "!!!       ou ecrivez \"fin\" pour terminer      !!!\n" +
                           std::string(49, '!') + "\n\n";

std::string screen(const std::string& barre, const std::string& chariot, const std::string& derniere)
{
    return "La barre doit etre a " + barre + "cm et le chariot a " + chariot + "cm\nderniere mesure : " + derniere +
           "\nMesure suivante?\n";
}

std::string ending(int points)
{
    return "Un fichier contenant " + std::to_string(points) + " points va etre genere\nChoisir un nom pour ce fichier:";
}

} // namespace

TEST(Handgrid, ADialogueGivesTheScreensAndTheGridFile)
{
    WorkDir dir;
    dir.write("essai.txt", "replaced without warning");
    auto r = run("handgrid", {}, dir, "3 2 10 50\n7\n1,5\n2\n3\n4\nfin\nessai\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, questions + screen("50.0", "10.0", "0.000000") + screen("50.0", "12.0", "1.500000") +
                         screen("50.0", "14.0", "2.000000") + banner + screen("52.0", "10.0", "3.000000") +
                         screen("52.0", "12.0", "4.000000") + ending(6));
    // fin inside a line: its unmeasured positions are empty cells, not heights of 0.
    EXPECT_EQ(dir.files(), (std::map<std::string, std::string>{
                               {"essai.txt", "2x1x2.0\n-1.500000\n-2.000000\n-3.000000\n-4.000000\n10000.000000\n"
                                             "10000.000000\n"}}));
    EXPECT_EQ(r.err, "handgrid : 2 positions de la derniere ligne n'ont pas ete mesurees : elles sont ecrites "
                     "10000.000000, la marque des cases vides, que reliefstat ne compte pas\n");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "grilles"));

    // A word that is no reading (of any length) is refused: same screen, nothing
    // stored. fin on the screen of a completed line keeps only the complete lines.
    r = run("handgrid", {}, dir, "3 2 10 50 x 1 2 3 " + std::string(100000, '9') + " fin g\n");
    EXPECT_TRUE(r.out.ends_with(banner + screen("52.0", "10.0", "3.000000") +
                                "Mesure refusee : tapez un nombre (12.5 ou 12,5) ou fin.\n" + banner +
                                screen("52.0", "10.0", "3.000000") + ending(3)));
    EXPECT_EQ(dir.read("g.txt"), "2x0x2.0\n-1.000000\n-2.000000\n-3.000000\n");
    EXPECT_EQ(r.err, "");
    // The word after the fourth answer is discarded even when it is fin; fin on
    // the first screen gives one line of zeros. Answers not wholly numbers are asked again.
    r = run("handgrid", {}, dir, "abc 0 08 0x2 2,5 inf 0.25 nan 10.25 1e39 0 fin fin g\n");
    EXPECT_EQ(r.out, "Nombre de points par ligne?\nNombre de points par ligne?\nNombre de points par ligne?\n"
                     "Nombre de points par ligne?\nPas de mesure en cm\nPas de mesure en cm\nPas de mesure en cm\n"
                     "Position chariot en cm (ce lit sur la barre)\nPosition chariot en cm (ce lit sur la barre)\n"
                     "Position barre en cm (ce lit sur le cadre)\nPosition barre en cm (ce lit sur le cadre)\n" +
                         screen("0.0", "10.2", "0.000000") + ending(2));
    EXPECT_EQ(dir.read("g.txt"), "1x0x0.2\n10000.000000\n10000.000000\n");
    EXPECT_TRUE(r.err.starts_with("handgrid : 2 positions de la derniere ligne n'ont pas ete mesurees")) << r.err;
    // A reading of 0 is a measurement: written with its sign changed.
    r = run("handgrid", {}, dir, "2 1 0 0 x 0 fin g\n");
    EXPECT_EQ(dir.read("g.txt"), "1x0x1.0\n-0.000000\n10000.000000\n");
    EXPECT_EQ(r.err, "handgrid : 1 position de la derniere ligne n'a pas ete mesuree : elle est ecrite "
                     "10000.000000, la marque des cases vides, que reliefstat ne compte pas\n");
}

TEST(Handgrid, ReadingsAreNeverLost)
{
    // The end of the input during the opening dialogue, the fifth word included: nothing written.
    for (const char* input : {"", "3 2 10 50"}) {
        WorkDir dir;
        const auto r = run("handgrid", {}, dir, input);
        EXPECT_EQ(r.status, 1) << input;
        EXPECT_TRUE(r.out.ends_with("Fin des donnees d'entree avant la fin des questions : aucun fichier n'est ecrit.\n"));
        EXPECT_TRUE(dir.files().empty()) << input;
    }
    // During the readings it acts as fin; at the name question the grid goes to
    // a new file that replaces nothing.
    WorkDir dir;
    dir.write("grille_secours.txt", "kept");
    auto r = run("handgrid", {}, dir, "2 1 0 0 x 4 5 6");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.ends_with(screen("1.0", "1.0", "6.000000") + ending(4) +
                                "\nFin des donnees d'entree : la grille est enregistree dans le fichier "
                                "grille_secours_1.txt\n"));
    EXPECT_EQ(dir.read("grille_secours.txt"), "kept");
    EXPECT_EQ(dir.read("grille_secours_1.txt"), "1x1x1.0\n-4.000000\n-5.000000\n-6.000000\n10000.000000\n");
    // A name that cannot be written is asked again; names have no length limit.
    std::filesystem::create_directory(dir.path() / "occupe.txt");
    const std::string long_name(200, 'n');
    r = run("handgrid", {}, dir, "1 1 0 0 x 5 fin occupe grilles/" + long_name + "\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.ends_with(ending(1) + "Impossible d'ecrire le fichier occupe.txt, choisissez un autre nom.\n"
                                            "Choisir un nom pour ce fichier:"));
    EXPECT_EQ(program_test::slurp(dir.path() / "grilles" / (long_name + ".txt")), "0x0x1.0\n-5.000000\n");
}

TEST(Handgrid, ItsFileFillsTheAnalysisGridExactly)
{
    if (!std::filesystem::exists(program_test::program_path("reliefstat")))
        GTEST_SKIP() << "reliefstat is not built in this tree: the analysis of the grid is not checked";
    WorkDir dir;
    ASSERT_EQ(run("handgrid", {}, dir, "3 2 10 50 x 1 2 3 4 5 6 7 8 9 10 11 12 fin grille\n").status, 0);
    const auto r = run("reliefstat", {}, dir);
    ASSERT_EQ(r.status, 0) << r.out;
    // Each line of readings becomes a column: the point within the line is the row.
    EXPECT_EQ(dir.read("GRILLE.txt"), "-1.000000\t-4.000000\t-7.000000\t-10.000000\n"
                                      "-2.000000\t-5.000000\t-8.000000\t-11.000000\n"
                                      "-3.000000\t-6.000000\t-9.000000\t-12.000000\n");

    // fin inside the last line: the analysis counts the readings only.
    ASSERT_EQ(run("handgrid", {}, dir, "2 1 0 0 x 4 6 8 fin grille\n").status, 0);
    EXPECT_NE(run("reliefstat", {}, dir).out.find("moy=-6.000000 cm"), std::string::npos);
}
