// echantillonnage run as a user runs it, in a fresh directory.
#include "tests/support/program_run.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

using program_test::run;
using program_test::without_timestamps;
using program_test::WorkDir;

namespace {

const std::string lu = "Le fichier existe et est ouvert en lecture seule\n";
const std::string perso = "chargement des parametres personnalises\n";


} // namespace

TEST(Echantillonnage, DefaultsGiveTheFullLatticeAndTheLogEndsWithoutLineEnds)
{
    WorkDir dir;
    dir.write("log.txt", "earlier\n");
    dir.write("cloud.txt", "10 10 1\n10.05 9.95 2\n10.25 10 6\n");
    for (const auto& args : {std::vector<std::string>{}, {"50"}, {"50", "0.5", "x"}}) {
        EXPECT_EQ(run("echantillonnage", args, dir).out, lu + "99.997525% de points vides");
        const std::string grille = dir.read("grille.txt");
        EXPECT_TRUE(grille.starts_with("200x200x0.500000\n10000.000000\n"));
        EXPECT_EQ(std::count(grille.begin(), grille.end(), '\n'), 1 + 40401);
        // (10.25, 10) lies beyond the default radius of node (21,20)
        EXPECT_NE(dir.read("grille.m").find("GRILLE(21,21)=1.500000;\nGRILLE_X(4041)=20;\nGRILLE_Y(4041)=20;\n"),
                  std::string::npos);
    }
    EXPECT_TRUE(without_timestamps(dir.read("log.txt"))
                    .starts_with("earlier\n[T]\nexecution echantillonnage\n[T]\n99.997525% de points vides[T]\n"
                                 "fin de echantillonnage[T]\nexecution echantillonnage\n[T]\n"));
    EXPECT_EQ(dir.files().size(), 4u);
}

// Settings typed wrong (read as meant, or the default is named), and the
// failures before writing, which touch no output file. The cloud, when the
// case gives none, is one point 0.3 step from node (20, 20): captured by a
// radius of 0.35.
TEST(Echantillonnage, SettingsAndFailures)
{
    const std::string un_vide = "99.997525% de points vides", tous_vides = "100.000000% de points vides";
    const std::string no_point = "Aucun point dans cloud.txt (";
    const std::string e = "echantillonnage : ";
    const std::string rayon_abc =
        e + "le rayon de capture \"abc\" n'est pas un nombre : la valeur par defaut 0.200000 est utilisee\n";
    const std::string absent = "Le fichier n'existe pas\n";
    const std::string echec = "Echec lors de l'ouverture de cloud.txt, arret du programme.\n";
    const std::string pas_nul = "Nombre de pas invalide (0) : il en faut au moins 1, arret du programme.\n";
    struct Case {
        std::vector<std::string> args;
        std::optional<std::string> cloud; // its text, or no cloud
        std::string folder;               // a name taken by a directory
        int status;
        std::string out, err, logged;
    } cases[] = {
        {{"200", "0,35"}, "", "", 0, perso + lu + un_vide, "", "personnalises... nbr_pas=200 et r=0.350000\n"},
        {{"200", "1,abc"}, "", "", 0, perso + lu + un_vide,
         e + "le rayon de capture \"1,abc\" n'est pas entierement un nombre : 1.000000 est utilise\n",
         "personnalises... nbr_pas=200 et r=1.000000\n"},
        {{"deux-cents", "0.35"}, "", "", 0, perso + lu + un_vide,
         e + "le nombre de pas \"deux-cents\" n'est pas un nombre : la valeur par defaut 200 est utilisee\n",
         "personnalises... nbr_pas=200 et r=0.350000\n"},
        {{"200.5", "abc"}, "", "", 0, perso + lu + tous_vides,
         e + "le nombre de pas \"200.5\" n'est pas entierement un nombre : 200 est utilise\n" + rayon_abc,
         "personnalises... nbr_pas=200 et r=0.200000\n"},
        // Help only as the sole argument.
        {{"--help", "x", "y"}, "", "", 0, lu + tous_vides,
         e + "2 arguments attendus (nombre de pas et rayon de capture), 3 recus : les valeurs par defaut nbr_pas=200 et "
             "r=0.200000 sont utilisees\n",
         ""},
        {{"200", "0,35\nx"}, "", "", 0, perso + lu + un_vide, // each diagnostic stays one line
         e + "le rayon de capture \"0,35 x\" n'est pas entierement un nombre : 0.350000 est utilise\n", ""},
        {{}, std::nullopt, "", 1, absent, e + "impossible d'ouvrir cloud.txt : No such file or directory\n", echec},
        {{}, std::nullopt, "cloud.txt", 1, absent, e + "impossible d'ouvrir cloud.txt : Is a directory\n", echec},
        // A cloud without a single point (a failed delimiter leaves it empty).
        {{}, "", "", 1, lu + no_point + "fichier vide), arret du programme.\n",
         e + "cloud.txt ne contient aucun point (fichier vide) : grille.txt et grille.m ne sont pas touches\n",
         no_point + "fichier vide), arret du programme.\n"},
        {{}, " \n abc 1 1\n", "", 1, lu + no_point + "il ne commence pas par un point), arret du programme.\n",
         e + "cloud.txt ne contient aucun point (il ne commence pas par trois nombres) : grille.txt et grille.m ne "
             "sont pas touches\n",
         no_point + "il ne commence pas par un point), arret du programme.\n"},
        {{"0", "1"}, "1 1 1", "", 1, perso + pas_nul, e + "nombre de pas invalide (0) : il en faut au moins 1\n", pas_nul},
        {{"50000", "1"}, "1 1 1", "", 1, // nodes beyond what an int numbers
         perso + "Memoire insuffisante pour les grilles de 50001 x 50001 noeuds, arret du programme.\n",
         e + "memoire insuffisante pour les grilles de 50001 x 50001 noeuds\n",
         "Memoire insuffisante pour les grilles de 50001 x 50001 noeuds, arret du programme.\n"},
        {{}, "1 1 1", "log.txt", 3, "Impossible d'ouvrir log.txt en ajout, arret du programme.\n",
         e + "impossible d'ouvrir log.txt : Is a directory\n", ""},
        {{}, "1 1 1", "grille.m", 3, lu + "Echec lors de la creation de grille.m, arret du programme.\n",
         e + "impossible de creer grille.m : Is a directory\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.err);
        WorkDir dir;
        dir.write("grille.txt", "old grid");
        if (c.cloud)
            dir.write("cloud.txt", c.cloud->empty() && c.status == 0 ? "10.15 10 4\n" : *c.cloud);
        if (!c.folder.empty())
            std::filesystem::create_directory(dir.path() / c.folder);
        const auto r = run("echantillonnage", c.args, dir);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
        if (c.status < 3) { // log.txt written, and grille.txt kept on a failure
            EXPECT_NE(without_timestamps(dir.read("log.txt")).find(c.logged), std::string::npos) << dir.read("log.txt");
            EXPECT_EQ(dir.read("grille.txt") == "old grid", c.status == 1);
        }
    }
}

// Points off the lattice or not numbers are counted and left out; a cloud
// that stops on a broken point gives the grid of the points before, status 2.
TEST(Echantillonnage, DroppedPointsAreCountedAndATruncatedCloudEndsWithStatus2)
{
    const std::string dropped = "-60 0 1\n160 0 1\n0 1e308 1\nnan 0 1\n0 0 nan\ninf 0 1\n0 0 7\n0 0 9\n100 0 3\n";
    for (const char* tail : {" \n\t", "4 5", "abc 1 1\n", "5 5 x3", "-"}) {
        WorkDir dir;
        dir.write("cloud.txt", dropped + tail);
        const auto r = run("echantillonnage", {"1", "abc"}, dir); // r keeps its default
        const bool truncated = *tail > ' ';
        EXPECT_EQ(r.status, truncated ? 2 : 0) << tail;
        const std::string warning = "Attention : lecture de cloud.txt arretee sur une donnee qui n'est pas un "
                                    "point complet (points lus : 9) ; la grille est faite des points lus avant.\n";
        EXPECT_EQ(r.out, perso + lu + (truncated ? warning : "") + "50.000000% de points vides") << tail;
        EXPECT_TRUE(r.err.ends_with(truncated ? "echantillonnage : lecture de cloud.txt arretee sur une donnee qui "
                                                "n'est pas un point complet (points lus : 9) : la grille est faite des "
                                                "points lus avant\n"
                                              : "utilisee\n"))
            << r.err;
        EXPECT_EQ(without_timestamps(dir.read("log.txt")),
                  "[T]\nexecution echantillonnage\n[T]\nchargement des parametres personnalises... nbr_pas=1 et "
                  "r=0.200000\n[T]\n" +
                      (truncated ? warning + "[T]\n" : "") +
                      "Points hors de la grille ou non numeriques ignores : 6\n[T]\n50.000000% de points vides[T]\n"
                      "fin de echantillonnage");
        // Nodes in the order x then y, each the mean of its heights or the empty mark.
        EXPECT_EQ(dir.read("grille.txt"), "1x1x100.000000\n8.000000\n10000.000000\n3.000000\n10000.000000\n");
        EXPECT_EQ(dir.read("grille.m"), "GRILLE=zeros(2,2);\nGRILLE_X=zeros(4,1);\nGRILLE_Y=zeros(4,1);\n"
                                        "GRILLE(1,1)=8.000000;\nGRILLE_X(1)=0;\nGRILLE_Y(1)=0;\n"
                                        "GRILLE(1,2)=10000.000000;\nGRILLE_X(2)=0;\nGRILLE_Y(2)=1;\n"
                                        "GRILLE(2,1)=3.000000;\nGRILLE_X(3)=1;\nGRILLE_Y(3)=0;\n"
                                        "GRILLE(2,2)=10000.000000;\nGRILLE_X(4)=1;\nGRILLE_Y(4)=1;\n");
    }
}
