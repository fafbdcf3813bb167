// The chain runner against stand-in programs that record how they were called
// and end with the status they are told: order, arguments, stop on failure,
// the lock, interruptions and the results of an earlier run.
#include "tests/support/program_run.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const road[] = {"plyunpack", "markerpick", "framefit", "delimiter", "echantillonnage", "reliefstat"};

// A directory holding a copy of the runner and one stand-in per program
// (or all but `left_out`).
struct Stand {
    program_test::WorkDir bin, work;

    explicit Stand(const std::string& left_out = "", bool with_report = false)
    {
        fs::copy_file(program_test::program_path("rugosite-chaine"), bin.path() / "rugosite-chaine");
        std::vector<std::string> programs(std::begin(road), std::end(road));
        if (with_report)
            programs.push_back("rugosite-rapport");
        for (const std::string& name : programs) {
            if (name == left_out)
                continue;
            bin.write(name, "#!/bin/sh\n"
                            "printf '" + name + "' >> appels.txt\n"
                            "for a in \"$@\"; do printf '[%s]' \"$a\" >> appels.txt; done\n"
                            "echo >> appels.txt\n"
                            "printf 'sortie de " + name + "'\n"
                            "[ -f action-" + name + " ] && . ./action-" + name + "\n"
                            "[ -f statut-" + name + " ] && exit $(cat statut-" + name + ")\n"
                            "exit 0\n");
            fs::permissions(bin.path() / name, fs::perms::owner_all);
        }
        work.write("option-0000.ply", "ply\n");
    }

    // What a stand-in does besides printing its name: shell lines run in the
    // working directory (files it leaves, messages on standard error).
    void act(const std::string& program, const std::string& lines) const { work.write("action-" + program, lines); }

    program_test::RunResult run(const std::vector<std::string>& args) const
    {
        // An installed toolkit on the PATH must not stand in for a missing program.
        return program_test::run_executable(bin.path() / "rugosite-chaine", args, work.path(), {"PATH=/usr/bin:/bin"});
    }

    // A shell command line run in the working directory, $chaine naming the runner.
    program_test::RunResult shell(const std::string& line) const
    {
        return program_test::run_executable("/bin/bash", {"-c", line}, work.path(),
                                  {"PATH=/usr/bin:/bin", "chaine=" + (bin.path() / "rugosite-chaine").string()});
    }
};

} // namespace

TEST(Chain, RunsTheRoadInOrderAndPassesArgumentsOn)
{
    const Stand stand;
    const auto r = stand.run({"230,110,30", "155,25,50", "180,180,105", "12.5", "--", "100", "0,5"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(stand.work.read("appels.txt"), "plyunpack\n"
                                             "markerpick[230,110,30][155,25,50][180,180,105][12.5]\n"
                                             "framefit\n"
                                             "delimiter\n"
                                             "echantillonnage[100][0.5]\n"
                                             "reliefstat\n");
    // Nothing of the runner's own on standard output; the stand-ins leave no
    // files, so the summary says it cannot be made.
    EXPECT_EQ(r.out, "sortie de plyunpacksortie de markerpicksortie de framefitsortie de delimiter"
                     "sortie de echantillonnagesortie de reliefstat");
    EXPECT_EQ(r.err, "rugosite-chaine : pas de resume de la mesure : f_color.txt manque apres la chaine\n");
    EXPECT_FALSE(stand.work.exists("precedent")); // a first run has nothing to put aside
}

// Where the report is installed beside the programs, it follows reliefstat; its
// standard output goes to standard error, so that standard output stays the
// programs' own. --sans-rapport leaves it out; a report that fails ends the run
// with its status, the chain's files being complete.
TEST(Chain, ReportFollowsTheRoadWhereInstalled)
{
    const Stand stand("", true);
    const auto r = stand.run({"--", "50", "0.5"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(stand.work.read("appels.txt").ends_with("reliefstat\nrugosite-rapport\n"));
    EXPECT_EQ(r.out.find("rugosite-rapport"), std::string::npos) << r.out;
    EXPECT_TRUE(r.err.ends_with("sortie de rugosite-rapport")) << r.err;

    const Stand without("", true);
    EXPECT_EQ(without.run({"--sans-rapport"}).status, 0);
    EXPECT_TRUE(without.work.read("appels.txt").ends_with("\nreliefstat\n"));

    const Stand failing("", true);
    failing.work.write("statut-rugosite-rapport", "1");
    const auto f = failing.run({});
    EXPECT_EQ(f.status, 1);
    EXPECT_TRUE(f.err.ends_with("rugosite-chaine : arret apres rugosite-rapport, statut de sortie 1\n")) << f.err;
}

// Words that markerpick or echantillonnage would drop without a word (they read
// four and two of them, or none), and grid settings that echantillonnage would
// replace by its defaults, stop the runner before it touches anything.
TEST(Chain, MisplacedWordsRunNothingAndSaySo)
{
    struct Case {
        std::vector<std::string> args;
        std::string told;
    };
    const std::vector<Case> cases{
        {{"200", "0.35"}, "placez-les apres -- : rugosite-chaine -- 200 0.35"}, // the grid settings without --
        {{"1,2,3"}, "markerpick attend quatre mots"},
        {{"--", "200"}, "echantillonnage attend deux mots"},
        {{"--", "0.35", "200"}, "le nombre de pas vient avant le rayon de capture : rugosite-chaine -- 200 0.35"},
        {{"--", "0", "0.35"}, "un nombre entier d'au moins 1, par exemple -- 200 0.35 ; lu : 0 (rien"},
        {{"--", "200", "0"}, "le rayon de capture doit etre un nombre positif, en pas de grille, par exemple 0.35 ou 0,35 ; lu : 0 (rien"},
        {{"--", "200", "0,3,5"}, "lu : 0,3,5 (rien"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.told);
        const Stand stand;
        stand.work.write("grille.txt", "grille d'une mesure precedente\n");
        const auto r = stand.run(c.args);
        EXPECT_EQ(r.status, 1) << c.told;
        EXPECT_NE(r.err.find(c.told), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("(rien n'est lance)\n"), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        // Nothing run, nothing moved, no lock made.
        EXPECT_EQ(stand.work.files().size(), 2u);
        EXPECT_EQ(stand.work.read("grille.txt"), "grille d'une mesure precedente\n");
    }
}

TEST(Chain, WithoutACloudHereNothingIsRunAndTheLogIsKept)
{
    const Stand stand;
    fs::remove(stand.work.path() / "option-0000.ply");
    stand.work.write("log.txt", "journal de la mesure precedente\n");
    const auto r = stand.run({"--", "200", "0.35"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.starts_with("rugosite-chaine : pas de nuage option-0000.ply dans ")) << r.err;
    EXPECT_FALSE(stand.work.exists("appels.txt"));
    EXPECT_EQ(stand.work.read("log.txt"), "journal de la mesure precedente\n");
}

// A program that fails ends the run: one sentence saying why, then the line
// that scripts read, last; nothing runs after it. Every program says why on
// standard error itself (next test); a stand-in that says nothing is a program
// that could not say: killed, or ending with an unexpected status.
TEST(Chain, StopsAtTheFirstFailureAndSaysWhy)
{
    struct Case {
        std::string program;
        int status;
        std::string told;
    };
    const std::vector<Case> cases{
        {"echantillonnage", 2, "le programme s'est termine avec le statut 2 sans dire pourquoi"},
        {"delimiter", 137, "le programme a ete interrompu par le signal 9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program + " " + std::to_string(c.status));
        const Stand stand;
        stand.work.write("statut-" + c.program, std::to_string(c.status));
        const auto r = stand.run({});
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(r.err.starts_with("rugosite-chaine : " + c.program + " s'est arrete : " + c.told)) << r.err;
        EXPECT_TRUE(r.err.ends_with(".\nrugosite-chaine : arret apres " + c.program + ", statut de sortie " +
                                    std::to_string(c.status) + "\n"))
            << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
        EXPECT_TRUE(stand.work.read("appels.txt").ends_with(c.program + "\n"));
        EXPECT_TRUE(r.out.ends_with("sortie de " + c.program));
    }
}


TEST(Chain, MissingProgramRunsNothing)
{
    const Stand stand("delimiter");
    const auto r = stand.run({});
    EXPECT_EQ(r.status, 127);
    EXPECT_NE(r.err.find("delimiter"), std::string::npos);
    EXPECT_FALSE(stand.work.exists("appels.txt"));
}

// A program's standard error reaches ours unchanged, and its own "<program> : "
// line gives the reason, figures included.
TEST(Chain, ProgramsOwnLineGivesTheReason)
{
    const std::string own = "framefit : les cotes different trop : OX 10.000000, OY 12.000000, "
                            "ecart relatif 20.0 % (10 % au plus)";
    const Stand stand;
    stand.act("markerpick", "printf 'markerpick : avertissement sans fin de ligne' >&2\n");
    stand.act("framefit", "printf '%s\\n' 'autre message' '" + own + "' >&2\n");
    stand.work.write("statut-framefit", "10");
    const auto r = stand.run({});
    EXPECT_EQ(r.status, 10);
    EXPECT_EQ(r.err, "markerpick : avertissement sans fin de ligne"
                     "autre message\n" + own + "\n"
                     "rugosite-chaine : framefit s'est arrete : " + own.substr(std::string("framefit : ").size()) +
                     "\nrugosite-chaine : arret apres framefit, statut de sortie 10\n");

    // A last message without a line end is ended before the runner speaks.
    const Stand unended;
    unended.act("delimiter", "printf 'delimiter : lecture arretee' >&2\n");
    unended.work.write("statut-delimiter", "2");
    EXPECT_TRUE(unended.run({}).err.starts_with("delimiter : lecture arretee\n"
                                                "rugosite-chaine : delimiter s'est arrete : lecture arretee\n"));
}

namespace {

// Stand-ins that leave the files of a small measurement: 1000 points read,
// `kept` of them kept, a grid of 4 steps of 25 whose nodes inside the crop (2 to 98) are the
// 3 x 3 of positions 25, 50 and 75, `empty_inside` of them empty, and the
// border empty but for one node.
void small_measurement(const Stand& stand, int empty_inside, int kept = 800)
{
    stand.act("plyunpack", "i=0; while [ $i -lt 1000 ]; do echo '1 2 3'; i=$((i+1)); done > f_color.txt\n");
    stand.act("markerpick", "echo '60 61 62' > nbr_point_par_coin.txt\n");
    stand.act("delimiter", "i=0; while [ $i -lt " + std::to_string(kept) +
                               " ]; do echo '50 50 1'; i=$((i+1)); done > cloud.txt\n");
    std::string grid = "4x4x25.000000\n";
    int inside = 0;
    for (int i = 0; i <= 4; ++i)
        for (int j = 0; j <= 4; ++j) {
            const bool border = i == 0 || i == 4 || j == 0 || j == 4;
            const bool empty = border ? !(i == 0 && j == 2) : inside++ < empty_inside;
            grid += empty ? "10000.000000\n" : "1.500000\n";
        }
    stand.act("echantillonnage", "printf '" + grid + "' > grille.txt\n");
    stand.act("reliefstat", "printf '\\nmoy=0.512345 cm\\n\\nL ecart est RMS=1.250000 cm\\n'\n");
}

} // namespace

// The summary after a complete run, and the advice when many nodes are empty:
// 800 points on 96 x 96 are 0.0868 a unit area; 4.6 points a disc of radius
// r x 25 need r = 0.164 (0.17 rounded up); with r = 0.1, 2 steps at most.
// No temporary file is left.
TEST(Chain, SummaryAfterACompleteRun)
{
    const Stand stand;
    small_measurement(stand, 2);
    const program_test::WorkDir temporary;
    const auto r = program_test::run_executable(stand.bin.path() / "rugosite-chaine", {"--", "4", "0,1"},
                                                stand.work.path(),
                                                {"PATH=/usr/bin:/bin", "TMPDIR=" + temporary.path().string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(fs::is_empty(temporary.path()));
    // reliefstat's output passes through whole.
    EXPECT_TRUE(r.out.ends_with("sortie de reliefstat\nmoy=0.512345 cm\n\nL ecart est RMS=1.250000 cm\n")) << r.out;
    const std::string expected[] = {
        "rugosite-chaine : resume de la mesure\n",
        "points lus (plyunpack)                   1000\n",
        "points par coin (markerpick)             O 60, X 61, Y 62 (10 au moins)\n",
        "points gardes dans le cadre (delimiter)  800 sur 1000 (80.0 %)\n",
        "grille (echantillonnage)                 4 pas de 25.000000 % du cote du cadre, 5 x 5 noeuds\n",
        "rayon de capture (echantillonnage)       0.1 pas\n",
        "noeuds vides dans le cadre (2 a 98)      22.2 % (2 sur 9)\n",
        "hauteur moyenne (reliefstat)             0.512345 % du cote du cadre\n",
        "hauteur RMS (reliefstat)                 1.250000 % du cote du cadre\n",
        "rugosite-chaine : attention : 22.2 % des noeuds de la grille sont vides dans le cadre",
        "0.09 points par unite de surface",
        "(rugosite-chaine -- 4 0.17)",
        "(rugosite-chaine -- 2 0.1)",
    };
    for (const auto& line : expected)
        EXPECT_NE(r.err.find(line), std::string::npos) << line << "\nin:\n" << r.err;

    // 8 points: a disc of half a step is too small, so fewer steps at 0.5.
    const Stand sparse;
    small_measurement(sparse, 2, 8);
    const auto s = sparse.run({"--", "4", "0.1"});
    EXPECT_NE(s.err.find("au plus 1 pas avec un rayon de 0.5 pas (rugosite-chaine -- 1 0.5)"), std::string::npos)
        << s.err;
}

TEST(Chain, OneChainPerFolder)
{
    const Stand stand;
    // The chain that gets the lock waits in plyunpack until the other has ended.
    stand.act("plyunpack", "i=0; while [ ! -f fini ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i+1)); done\n");
    stand.shell("{ $chaine 2>un; echo $? >>statuts; touch fini; } & { $chaine 2>deux; echo $? >>statuts; touch fini; }; "
                "wait");
    EXPECT_EQ(stand.work.read("statuts"), "75\n0\n");
    EXPECT_EQ(stand.work.read("appels.txt"), "plyunpack\nmarkerpick\nframefit\ndelimiter\nechantillonnage\nreliefstat\n");
    const std::string err = stand.work.read("un") + stand.work.read("deux");
    EXPECT_NE(err.find("rugosite-chaine : une autre rugosite-chaine travaille deja dans "), std::string::npos) << err;
    EXPECT_EQ(stand.run({}).status, 0); // the lock goes with its holder
}

// A signal to the chain's process group (Ctrl-C on a terminal) during a
// program: the runner says which one and that the folder is incomplete, and
// ends with 128 + the signal, running nothing after it.
TEST(Chain, InterruptionSaysWhereItStopped)
{
    for (const auto& [signal, status] : std::map<std::string, int>{{"INT", 130}, {"TERM", 143}, {"HUP", 129}}) {
        SCOPED_TRACE(signal);
        const Stand stand;
        stand.act("framefit", "kill -" + signal + " 0; sleep 5\n");
        const auto r = program_test::run_executable("/usr/bin/setsid", {(stand.bin.path() / "rugosite-chaine").string()},
                                          stand.work.path(), {"PATH=/usr/bin:/bin"});
        EXPECT_EQ(r.status, status);
        EXPECT_NE(r.err.find("rugosite-chaine : interrompue pendant framefit : le repertoire "), std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find(" est incomplet"), std::string::npos) << r.err;
        EXPECT_EQ(stand.work.read("appels.txt"), "plyunpack\nmarkerpick\nframefit\n");
    }
}

// The results of an earlier run are put aside before the first program: those
// made from the cloud removed, the others moved into precedent/ in place of
// the run before; a stop then leaves nothing of the earlier cloud looking current.
TEST(Chain, EarlierResultsArePutAside)
{
    const Stand stand;
    for (const std::string name : {"grille.txt", "rapport.json", "log.txt", "cloud.txt", "reglages.txt"})
        stand.work.write(name, "ancien " + name);
    fs::create_directory(stand.work.path() / "precedent");
    stand.work.write("precedent/grille.txt", "plus ancien");
    stand.work.write("precedent/vecr.txt", "plus ancien");
    stand.work.write("precedent/notes.txt", "notes de l'operateur");
    stand.work.write("statut-framefit", "20");

    const auto r = stand.run({});
    EXPECT_EQ(r.status, 20);
    for (const std::string name : {"grille.txt", "rapport.json", "log.txt"}) {
        EXPECT_FALSE(stand.work.exists(name)) << name;
        EXPECT_EQ(stand.work.read("precedent/" + name), "ancien " + name);
    }
    EXPECT_FALSE(stand.work.exists("cloud.txt") || stand.work.exists("precedent/cloud.txt"));
    EXPECT_FALSE(stand.work.exists("precedent/vecr.txt")); // of the run before: not mixed in
    EXPECT_EQ(stand.work.read("precedent/notes.txt"), "notes de l'operateur");
    EXPECT_TRUE(stand.work.exists("reglages.txt")); // not a result
}

// The lock and precedent/ that cannot be made: the reason is the system's, and
// nothing runs.
TEST(Chain, UnwritableFolderRunsNothingAndSaysWhy)
{
    const Stand locked;
    fs::create_directory(locked.work.path() / ".rugosite-chaine-verrou");
    auto r = program_test::run_executable(locked.bin.path() / "rugosite-chaine", {}, locked.work.path(),
                                {"PATH=/usr/bin:/bin", "LC_ALL=C"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rugosite-chaine : impossible de creer le verrou .rugosite-chaine-verrou dans " +
                         locked.work.path().string() + " : Is a directory (rien n'est lance)\n");
    EXPECT_FALSE(locked.work.exists("appels.txt"));

    const Stand blocked;
    blocked.work.write("precedent", "un fichier");
    blocked.work.write("grille.txt", "ancienne grille");
    r = program_test::run_executable(blocked.bin.path() / "rugosite-chaine", {}, blocked.work.path(),
                           {"PATH=/usr/bin:/bin", "LC_ALL=C"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rugosite-chaine : les resultats precedents n'ont pas pu etre mis de cote dans " +
                         blocked.work.path().string() + "/precedent : File exists (rien n'est lance)\n");
    EXPECT_EQ(blocked.work.read("grille.txt"), "ancienne grille");
    EXPECT_FALSE(blocked.work.exists("appels.txt"));
}
