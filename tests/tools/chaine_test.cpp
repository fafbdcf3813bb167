// The chain runner against stand-in programs that record how they were called
// and end with the status they are told: order, arguments, stop on failure,
// the lock, interruptions and the results of an earlier run.
#include "tests/support/program_run.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const programs[] = {"plyunpack",       "markerpick", "framefit",        "delimiter",
                                 "echantillonnage", "reliefstat", "rugosite-rapport"};

// A directory holding a copy of the runner and one stand-in per program and
// for the report (or all but `left_out`).
struct Stand {
    program_test::WorkDir bin, work;

    explicit Stand(const std::string& left_out = "")
    {
        fs::copy_file(program_test::program_path("rugosite-chaine"), bin.path() / "rugosite-chaine");
        for (const std::string name : programs) {
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
        return program_test::run_executable(bin.path() / "rugosite-chaine", args, work.path(),
                                            {"PATH=/usr/bin:/bin", "LC_ALL=C"});
    }
};

} // namespace

// The report, installed beside the programs, follows reliefstat; its standard
// output goes to standard error, so that standard output stays the programs'
// own. --sans-rapport leaves it out; a report that fails ends the run with its
// status, the chain's files being complete.
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
                                             "reliefstat\n"
                                             "rugosite-rapport\n");
    // Nothing of the runner's own on standard output; the stand-ins leave no
    // files, so the summary says it cannot be made.
    EXPECT_EQ(r.out, "sortie de plyunpacksortie de markerpicksortie de framefitsortie de delimiter"
                     "sortie de echantillonnagesortie de reliefstat");
    EXPECT_EQ(r.err, "rugosite-chaine : pas de resume de la mesure : f_color.txt manque apres la chaine\n"
                     "sortie de rugosite-rapport");

    stand.work.write("statut-rugosite-rapport", "3");
    const auto f = stand.run({});
    EXPECT_EQ(f.status, 3);
    EXPECT_TRUE(f.err.ends_with("rugosite-chaine : arret apres rugosite-rapport, statut de sortie 3\n")) << f.err;
    EXPECT_EQ(stand.run({"--sans-rapport"}).status, 0); // the failing report is not run
}

// Words that markerpick or echantillonnage would drop without a word (they read
// four and two of them, or none), grid settings that echantillonnage would
// replace by its defaults, a folder without its cloud, a missing program, a
// lock or a precedent/ that cannot be made: the runner says why in one line and
// runs, moves and leaves nothing; a system's refusal gives the system's reason.
TEST(Chain, RefusalsRunNothingAndSaySo)
{
    struct Case {
        std::vector<std::string> args;
        std::string told, left_out{}, made{};
        int status = 1;
    };
    const Case cases[] = {
        {{"200", "0.35"}, "placez-les apres -- : rugosite-chaine -- 200 0.35 (rien n'est lance)"},
        {{"1,2,3"}, "markerpick attend quatre mots"},
        {{"--", "200"}, "echantillonnage attend deux mots"},
        {{"--", "0.35", "200"}, "le nombre de pas vient avant le rayon de capture : rugosite-chaine -- 200 0.35"},
        {{"--", "0", "0.35"}, "un nombre entier d'au moins 1, par exemple -- 200 0.35 ; lu : 0 (rien n'est lance)"},
        {{"--", "200", "0"}, "le rayon de capture doit etre un nombre positif, en pas de grille, par exemple 0.35 ou "
                             "0,35 ; lu : 0 (rien n'est lance)"},
        {{"--", "200", "0,3,5"}, "lu : 0,3,5 (rien n'est lance)"},
        {{}, "rugosite-chaine : pas de nuage option-0000.ply dans ", "", "sans nuage"},
        {{}, "rugosite-chaine : programme introuvable : delimiter", "delimiter", "", 127},
        {{}, "verrou .rugosite-chaine-verrou dans {dir} : Is a directory (rien", "", ".rugosite-chaine-verrou/"},
        {{}, "mis de cote dans {dir}/precedent : File exists (rien n'est lance)", "", "precedent"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.told);
        const Stand stand(c.left_out);
        stand.work.write("grille.txt", "grille d'une mesure precedente\n");
        if (c.made == "sans nuage")
            fs::remove(stand.work.path() / "option-0000.ply");
        else if (c.made.ends_with('/'))
            fs::create_directory(stand.work.path() / c.made);
        else if (!c.made.empty())
            stand.work.write(c.made, "un fichier");
        auto before = stand.work.files();
        if (c.made == "precedent")
            before[".rugosite-chaine-verrou"] = ""; // the lock was taken: its empty file stays
        const auto r = stand.run(c.args);
        std::string told = c.told; // the reasons are the system's
        if (const auto p = told.find("{dir}"); p != std::string::npos)
            told.replace(p, 5, stand.work.path().string());
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(told), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err; // one line
        EXPECT_EQ(stand.work.files(), before);
    }
}

// A program that fails ends the run: one sentence saying why, then the line
// that scripts read, last; nothing runs after it. A program's standard error
// reaches ours unchanged, a last message without a line end being ended, and
// its own "<program> : " line gives the reason, figures included; a stand-in
// that says nothing is a program that could not say: killed, or ending with an
// unexpected status.
TEST(Chain, StopsAtTheFirstFailureAndSaysWhy)
{
    const std::string own = "framefit : les cotes different trop : OX 10.000000, OY 12.000000, "
                            "ecart relatif 20.0 % (10 % au plus)";
    struct Case {
        std::string program;
        int status;
        std::vector<std::pair<std::string, std::string>> acts;
        std::string err;
    };
    const Case cases[] = {
        {"echantillonnage", 2, {}, "rugosite-chaine : echantillonnage s'est arrete : le programme s'est termine avec le "
                                   "statut 2 sans dire pourquoi (voir ses messages ci-dessus).\n"},
        {"delimiter", 137, {}, "rugosite-chaine : delimiter s'est arrete : le programme a ete interrompu par le signal 9.\n"},
        {"framefit", 10,
         {{"markerpick", "printf 'markerpick : avertissement sans fin de ligne' >&2\n"},
          {"framefit", "printf '%s\\n' 'autre message' '" + own + "' >&2\n"}},
         "markerpick : avertissement sans fin de ligneautre message\n" + own +
             "\nrugosite-chaine : framefit s'est arrete : " + own.substr(std::string("framefit : ").size()) + "\n"},
        {"delimiter", 2, {{"delimiter", "printf 'delimiter : lecture arretee' >&2\n"}},
         "delimiter : lecture arretee\nrugosite-chaine : delimiter s'est arrete : lecture arretee\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program + " " + std::to_string(c.status));
        const Stand stand;
        for (const auto& [program, lines] : c.acts)
            stand.act(program, lines);
        stand.work.write("statut-" + c.program, std::to_string(c.status));
        const auto r = stand.run({});
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err, c.err + "rugosite-chaine : arret apres " + c.program + ", statut de sortie " +
                             std::to_string(c.status) + "\n");
        EXPECT_TRUE(stand.work.read("appels.txt").ends_with(c.program + "\n"));
    }
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
    // (The lines of points read, per corner, the grid and the RMS height are
    // checked on real clouds in tests/road.)
    const std::string expected[] = {
        "points gardes dans le cadre (delimiter)  800 sur 1000 (80.0 %)\n",
        "4 pas de 25.000000 % du cote du cadre, 5 x 5 noeuds\n",
        "rayon de capture (echantillonnage)       0.1 pas\n",
        "noeuds vides dans le cadre (2 a 98)      22.2 % (2 sur 9)\n",
        "hauteur moyenne (reliefstat)             0.512345 % du cote du cadre\n",
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

// A folder where a chain holds the lock: another one runs nothing there.
TEST(Chain, OneChainPerFolder)
{
    const Stand stand;
    const auto r = program_test::run_executable(
        "/usr/bin/flock", {".rugosite-chaine-verrou", (stand.bin.path() / "rugosite-chaine").string()},
        stand.work.path(), {"PATH=/usr/bin:/bin"});
    EXPECT_EQ(r.status, 75);
    EXPECT_TRUE(r.err.starts_with("rugosite-chaine : une autre rugosite-chaine travaille deja dans ")) << r.err;
    EXPECT_FALSE(stand.work.exists("appels.txt"));
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
        const std::string told = "interrompue pendant framefit : le repertoire " + stand.work.path().string();
        EXPECT_NE(r.err.find("rugosite-chaine : " + told + " est incomplet"), std::string::npos) << r.err;
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
