// handgrid with its answers read from a file, as a script or a redirection gives them.
#include "handgrid/handgrid.hpp"
#include "tests/support/program_run.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <thread>
#include <tuple>

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

const std::string hint = "handgrid : tapez un mot quelconque (par exemple go) et Entree pour commencer les mesures\n";

// handgrid reading its answers from a pipe that stays open, sent the signal
// once it has shown `shown` and sleeps in its read.
program_test::RunResult interrupted(const WorkDir& dir, const std::string& typed, const std::string& shown, int signal)
{
    const WorkDir io;
    int tube[2];
    EXPECT_EQ(pipe(tube), 0);
    const pid_t child = fork();
    if (child == 0) {
        const int out = ::open((io.path() / "out").c_str(), O_WRONLY | O_CREAT, 0644);
        const int err = ::open((io.path() / "err").c_str(), O_WRONLY | O_CREAT, 0644);
        if (dup2(tube[0], 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 || close(tube[1]) || chdir(dir.path().c_str()))
            _exit(126);
        execl(program_test::program_path("handgrid").c_str(), "handgrid", static_cast<char*>(nullptr));
        _exit(127);
    }
    EXPECT_EQ(write(tube[1], typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    const std::string stat = "/proc/" + std::to_string(child) + "/stat";
    for (int k = 0; k < 2000 && !(program_test::slurp(io.path() / "out").ends_with(shown) &&
                                  program_test::slurp(stat).find(") S ") != std::string::npos);
         ++k)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill(child, signal);
    int wstatus = 0;
    waitpid(child, &wstatus, 0);
    close(tube[0]);
    close(tube[1]);
    return {WEXITSTATUS(wstatus), program_test::slurp(io.path() / "out"), program_test::slurp(io.path() / "err")};
}

} // namespace

TEST(Handgrid, ADialogueGivesTheScreensAndTheGridFile)
{
    WorkDir dir;
    auto r = run("handgrid", {}, dir, "3 2 10 50\n7\n1,5\n2\n3\n4\nfin\nessai\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, questions + screen("50.0", "10.0", "0.000000") + screen("50.0", "12.0", "1.500000") +
                         screen("50.0", "14.0", "2.000000") + banner + screen("52.0", "10.0", "3.000000") +
                         screen("52.0", "12.0", "4.000000") + ending(6));
    // fin inside a line: its unmeasured positions are empty cells, not heights of 0.
    EXPECT_EQ(dir.files(), (std::map<std::string, std::string>{
                               {"essai.txt", "2x1x2.0\n-1.500000\n-2.000000\n-3.000000\n-4.000000\n10000.000000\n"
                                             "10000.000000\n"}}));
    EXPECT_EQ(r.err, hint + "handgrid : 2 positions de la derniere ligne n'ont pas ete mesurees : elles sont ecrites "
                            "10000.000000, la marque des cases vides, que reliefstat ne compte pas\n");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "grilles"));

    // A word that is no reading (of any length) is refused: same screen, nothing
    // stored. fin on the screen of a completed line keeps only the complete lines.
    r = run("handgrid", {}, dir, "3 2 10 50 x 1 2 3 " + std::string(100000, '9') + " fin g\n");
    EXPECT_TRUE(r.out.ends_with(banner + screen("52.0", "10.0", "3.000000") +
                                "Mesure refusee : tapez un nombre (12.5 ou 12,5) ou fin.\n" + banner +
                                screen("52.0", "10.0", "3.000000") + ending(3)));
    EXPECT_EQ(dir.read("g.txt"), "2x0x2.0\n-1.000000\n-2.000000\n-3.000000\n");
    EXPECT_EQ(r.err, hint);
    // The word after the fourth answer is discarded even when it is fin; fin on
    // the first screen gives one line of zeros. Answers not wholly numbers, and
    // a step that is not above 0, are asked again. The step is written exactly.
    r = run("handgrid", {}, dir, "abc 0 08 0x2 2,5 inf 0 -2 0.25 nan 10.25 1e39 0 fin fin h.txt\n");
    EXPECT_EQ(r.out, "Nombre de points par ligne?\nNombre de points par ligne?\nNombre de points par ligne?\n"
                     "Nombre de points par ligne?\nPas de mesure en cm\nPas de mesure en cm\nPas de mesure en cm\n"
                     "Pas de mesure en cm\nPas de mesure en cm\n"
                     "Position chariot en cm (ce lit sur la barre)\nPosition chariot en cm (ce lit sur la barre)\n"
                     "Position barre en cm (ce lit sur le cadre)\nPosition barre en cm (ce lit sur le cadre)\n" +
                         screen("0.0", "10.2", "0.000000") + ending(2));
    EXPECT_EQ(dir.read("h.txt"), "1x0x0.25\n10000.000000\n10000.000000\n"); // no second .txt
    EXPECT_TRUE(r.err.starts_with(hint + "handgrid : 2 positions de la derniere ligne n'ont pas ete mesurees"))
        << r.err;
    // A reading of 0 is a measurement: written with its sign changed.
    r = run("handgrid", {}, dir, "2 1 0 0 x 0 fin h o\n");
    EXPECT_EQ(dir.read("h.txt"), "1x0x1.0\n-0.000000\n10000.000000\n");
    EXPECT_EQ(r.err, hint + "handgrid : 1 position de la derniere ligne n'a pas ete mesuree : elle est ecrite "
                            "10000.000000, la marque des cases vides, que reliefstat ne compte pas\n");
}

// Readings are never lost: the end of the input during the opening dialogue
// writes nothing; during the readings it acts as fin, and at the name question
// the grid goes to a new file that replaces nothing. A name that cannot be
// written is asked again, with the system's reason (names have no length
// limit); an existing file is replaced only after yes.
TEST(Handgrid, TheGridGoesToAFileThatReplacesNothing)
{
    const std::string early = "donnees d'entree avant la fin des questions : aucun fichier n'est ecrit";
    const std::string saved = "la grille est enregistree dans le fichier grille_secours";
    const std::string question = "Le fichier grille.txt existe deja : le remplacer ? (o/n)\n";
    const std::string grid = "0x0x1.0\n-5.000000\n", hand = "ecrite a la main\n", long_name(200, 'n');
    using Files = std::map<std::string, std::string>;
    const struct {
        Files before; // a name ending with / is a directory
        std::string input;
        int status;
        std::string out_end, err_end;
        Files after;
    } cases[] = {
        {{}, "", 1, "Fin des " + early + ".\n", "handgrid : fin des " + early + "\n", {}},
        // The end of the input at the fifth word, which the opening dialogue reads.
        {{}, "3 2 10 50", 1, "Fin des " + early + ".\n", "handgrid : fin des " + early + "\n", {}},
        {{{"grille_secours.txt", "kept"}}, "2 1 0 0 x 4 5 6", 1,
         screen("1.0", "1.0", "6.000000") + ending(4) + "\nFin des donnees d'entree : " + saved + "_1.txt\n",
         "ne compte pas\nhandgrid : fin des donnees d'entree avant le nom du fichier : les mesures sont enregistrees "
         "dans grille_secours_1.txt\n",
         {{"grille_secours.txt", "kept"},
          {"grille_secours_1.txt", "1x1x1.0\n-4.000000\n-5.000000\n-6.000000\n10000.000000\n"}}},
        {{{"occupe.txt/", ""}}, "1 1 0 0 x 5 fin occupe " + long_name + "\n", 0,
         ending(1) + "Impossible d'ecrire le fichier occupe.txt, choisissez un autre nom.\n"
                     "Choisir un nom pour ce fichier:",
         hint + "handgrid : impossible d'ecrire occupe.txt : Is a directory\n",
         {{long_name + ".txt", grid}}},
        {{{"grille.txt", hand}}, "1 1 0 0 x 5 fin grille o", 0, ending(1) + question, "", {{"grille.txt", grid}}},
        {{{"grille.txt", hand}}, "1 1 0 0 x 5 fin grille.txt OUI", 0, ending(1) + question, "", {{"grille.txt", grid}}},
        {{{"grille.txt", hand}}, "1 1 0 0 x 5 fin grille non autre", 0,
         ending(1) + question + "Choisir un nom pour ce fichier:", "", {{"grille.txt", hand}, {"autre.txt", grid}}},
        {{{"grille.txt", hand}}, "1 1 0 0 x 5 fin grille", 1,
         ending(1) + question + "\nFin des donnees d'entree : " + saved + ".txt\n", "",
         {{"grille.txt", hand}, {"grille_secours.txt", grid}}}, // no temporary left
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        WorkDir dir;
        for (const auto& [name, bytes] : c.before) {
            if (name.ends_with("/"))
                std::filesystem::create_directory(dir.path() / name);
            else
                dir.write(name, bytes);
        }
        const auto r = run("handgrid", {}, dir, c.input);
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(r.out.ends_with(c.out_end)) << r.out;
        EXPECT_TRUE(r.err.ends_with(c.err_end)) << r.err;
        EXPECT_EQ(dir.files(), c.after);
    }
}

TEST(Handgrid, SignalsSaveTheReadingsTyped)
{
    for (const auto& [signal, status, name] :
         {std::tuple{SIGINT, 130, "Ctrl-C (SIGINT)"}, {SIGTERM, 143, "SIGTERM"}, {SIGHUP, 129, "SIGHUP"}}) {
        SCOPED_TRACE(name);
        WorkDir dir;
        dir.write("grille_secours.txt", "kept");
        // During the readings, and at the name question.
        for (const auto& [typed, shown] : {std::pair{"2 1 0 0 x 4 5 6 7\n", banner + screen("2.0", "0.0", "7.000000")},
                                           {"2 1 0 0 x 4 5 6 7 fin\n", ending(4)}}) {
            const auto r = interrupted(dir, typed, shown, signal);
            EXPECT_EQ(r.status, status);
            EXPECT_TRUE(r.out.ends_with(shown + "\nInterruption : la grille est enregistree dans le fichier "
                                                "grille_secours_1.txt\n"))
                << r.out;
            EXPECT_EQ(r.err, hint + "handgrid : interrompu par " + name +
                                 " : les mesures sont enregistrees dans grille_secours_1.txt\n");
            EXPECT_EQ(dir.read("grille_secours_1.txt"), "1x1x1.0\n-4.000000\n-5.000000\n-6.000000\n-7.000000\n");
            std::filesystem::remove(dir.path() / "grille_secours_1.txt");
        }
        EXPECT_EQ(dir.read("grille_secours.txt"), "kept");
    }
}

TEST(Handgrid, AFullDiskLeavesTheEarlierGridAndNoEmptyFile)
{
    WorkDir dir;
    const std::string at = " '" + dir.path().string() + "'";
    if (std::system(("mount -t tmpfs -o size=64k tmpfs" + at + " 2>/dev/null").c_str()) != 0) {
        std::cout << "NOTICE: no tmpfs can be mounted here (root only): the full-disk case of handgrid is not run\n";
        GTEST_SKIP();
    }
    dir.write("grille.txt", "ecrite a la main\n");
    dir.write("remplissage", std::string(1 << 20, 'x')); // takes every free block
    const auto r = run("handgrid", {}, dir, "1 1 0 0 x 5 fin grille o");
    auto files = dir.files();
    EXPECT_EQ(std::system(("umount" + at).c_str()), 0);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.ends_with(ending(1) + "Le fichier grille.txt existe deja : le remplacer ? (o/n)\n"
                                            "Impossible d'ecrire le fichier grille.txt, choisissez un autre nom.\n" +
                                            "Choisir un nom pour ce fichier:\nFin des donnees d'entree et aucun "
                                            "fichier ne peut etre cree : voici la grille.\n0x0x1.0\n-5.000000\n"))
        << r.out;
    EXPECT_EQ(r.err, hint + "handgrid : impossible d'ecrire grille.txt : No space left on device\n"
                            "handgrid : fin des donnees d'entree avant le nom du fichier : impossible d'ecrire "
                            "grille_secours.txt : No space left on device ; la grille est affichee a l'ecran\n");
    files.erase("remplissage");
    EXPECT_EQ(files, (std::map<std::string, std::string>{{"grille.txt", "ecrite a la main\n"}}));
}

// Readings are only whole finite numbers (those accepted, decimal comma
// included, are seen in the dialogues); the step is written with the fewest
// decimals that read back exactly.
TEST(Words, ReadingsAndTheStepAsWritten)
{
    for (const char* word : {"Fin", "FIN", "fini", "abc", "nan", "-inf", "1e400", "12,", ",5", "1,5,3", "12,5cm",
                             "08,5", "1e5,5", "--1"})
        EXPECT_FALSE(handgrid::convertirMesure(word).has_value()) << word;
    // One decimal where it holds the step exactly; otherwise the fewest that read back as the same float.
    for (const auto& [pas, texte] : {std::pair{2.0f, "2.0"}, {0.5f, "0.5"}, {0.1f, "0.1"}, {10.3f, "10.3"},
                                     {0.25f, "0.25"}, {0.15f, "0.15"}, {0.05f, "0.05"}, {0.04f, "0.04"},
                                     {1e-6f, "0.000001"}, {16777216.0f, "16777216.0"}, {1e20f, "100000002004087734272.0"}})
        EXPECT_EQ(handgrid::textePas(pas), texte) << pas;
}
