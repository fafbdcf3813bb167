// The chain runner against stand-in programs that record how they were called
// and end with the status they are told: order, arguments, stop on failure.
#include "launch.hpp"
#include "program_run.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace {

const char* const road[] = {"plyunpack", "markerpick", "framefit", "delimiter", "echantillonnage", "reliefstat"};

// A directory holding a copy of the runner and one stand-in per program
// (or all but `left_out`).
struct Stand {
    program_test::WorkDir bin, work;

    explicit Stand(const std::string& left_out = "")
    {
        fs::copy_file(program_test::program_path("rugosite-chaine"), bin.path() / "rugosite-chaine");
        for (const char* program : road) {
            if (program == left_out)
                continue;
            const std::string name = program;
            bin.write(name, "#!/bin/sh\n"
                            "printf '" + name + "' >> appels.txt\n"
                            "for a in \"$@\"; do printf '[%s]' \"$a\" >> appels.txt; done\n"
                            "echo >> appels.txt\n"
                            "printf 'sortie de " + name + "'\n"
                            "[ -f statut-" + name + " ] && exit $(cat statut-" + name + ")\n"
                            "exit 0\n");
            fs::permissions(bin.path() / name, fs::perms::owner_all);
        }
    }

    tools_test::Launched run(const std::vector<std::string>& args) const
    {
        // An installed toolkit on the PATH must not stand in for a missing program.
        return tools_test::launch(bin.path() / "rugosite-chaine", args, work.path(), {"PATH=/usr/bin:/bin"});
    }
};

} // namespace

TEST(Chain, RunsTheRoadInOrderAndPassesArgumentsOn)
{
    const Stand stand;
    const auto r = stand.run({"230,110,30", "155,25,50", "180,180,105", "12.5", "--", "100", "0 5"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(stand.work.read("appels.txt"), "plyunpack\n"
                                             "markerpick[230,110,30][155,25,50][180,180,105][12.5]\n"
                                             "framefit\n"
                                             "delimiter\n"
                                             "echantillonnage[100][0 5]\n"
                                             "reliefstat\n");
    // Nothing of the runner's own on either stream.
    EXPECT_EQ(r.out, "sortie de plyunpacksortie de markerpicksortie de framefitsortie de delimiter"
                     "sortie de echantillonnagesortie de reliefstat");
    EXPECT_EQ(r.err, "");

    const Stand plain;
    EXPECT_EQ(plain.run({"--", "50", "0.5"}).status, 0);
    EXPECT_EQ(plain.work.read("appels.txt"), "plyunpack\nmarkerpick\nframefit\ndelimiter\n"
                                             "echantillonnage[50][0.5]\nreliefstat\n");
    const Stand markers_only;
    EXPECT_EQ(markers_only.run({"1,2,3"}).status, 0);
    EXPECT_EQ(markers_only.work.read("appels.txt"), "plyunpack\nmarkerpick[1,2,3]\nframefit\ndelimiter\n"
                                                    "echantillonnage\nreliefstat\n");
}

TEST(Chain, StopsAtTheFirstFailureAndEndsWithItsStatus)
{
    const std::map<std::string, int> failures{{"framefit", 20}, {"markerpick", 255}, {"echantillonnage", 2},
                                              {"reliefstat", 1}, {"plyunpack", 1}};
    for (const auto& [program, status] : failures) {
        const Stand stand;
        stand.work.write("statut-" + program, std::to_string(status));
        const auto r = stand.run({});
        EXPECT_EQ(r.status, status) << program;
        EXPECT_EQ(r.err, "rugosite-chaine : arret apres " + program + ", statut de sortie " +
                             std::to_string(status) + "\n");
        const std::string calls = stand.work.read("appels.txt");
        EXPECT_TRUE(calls.ends_with(program + "\n")) << calls; // nothing after the failed program
        EXPECT_TRUE(r.out.ends_with("sortie de " + program));
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
