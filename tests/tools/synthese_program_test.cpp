// rugosite-synthese as a user runs it: the files it leaves, its statuses, and
// a memory that does not grow with the number of points. (The grid it writes
// is compared byte for byte with the sample's by grille_exemple.sh.)
#include "tests/support/program_run.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using program_test::run;

// Run in a measurement folder, the generator replaces nothing there unless
// told to: a French sentence, status 1, the folder as it was. A file that
// cannot be put in place fails the run with the system's reason, leaving
// neither a temporary file nor the other file.
TEST(SyntheseProgram, ReplacesAFileOnlyWhenTold)
{
    const std::vector<std::string> cloud{"nuage", "--points", "3000"}, grid{"grille", "--entete", "9x9x1"};
    for (const auto& [present, args] : std::map<std::string, std::vector<std::string>>{
             {"option-0000.ply", cloud}, {"parametres_vrais.txt", grid}, {"grille.txt", grid}}) {
        SCOPED_TRACE(present);
        const program_test::WorkDir dir;
        dir.write(present, "mesure reelle\n");
        auto r = run("rugosite-synthese", args, dir);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.starts_with("rugosite-synthese : " + present + " existe deja dans ")) << r.err;
        EXPECT_EQ(dir.files(), (std::map<std::string, std::string>{{present, "mesure reelle\n"}}));

        auto replacing = args;
        replacing.push_back("--remplacer");
        r = run("rugosite-synthese", replacing, dir);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(dir.files().size(), 2u);
        EXPECT_NE(dir.read(present), "mesure reelle\n");
    }

    const program_test::WorkDir dir;
    std::filesystem::create_directory(dir.path() / "grille.txt"); // cannot be replaced by a file
    const auto r = program_test::run_executable(program_test::program_path("rugosite-synthese"),
                                      {"grille", "--entete", "9x9x1", "--remplacer"}, dir.path(), {"LC_ALL=C"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rugosite-synthese : grille.txt n'a pas pu etre mis en place : Is a directory\n");
    EXPECT_TRUE(dir.files().empty()); // no temporary file, no parametres_vrais.txt
}

TEST(SyntheseProgram, MemoryDoesNotGrowWithThePoints)
{
    const program_test::WorkDir small, large;
    // Both clouds interpolate their heights on the same lattice.
    std::vector<std::string> args{"nuage", "--points", "50000", "--points-coin", "20", "--modes", "64"};
    const auto a = run("rugosite-synthese", args, small);
    args[2] = "500000";
    const auto b = run("rugosite-synthese", args, large);
    ASSERT_EQ(a.status, 0);
    ASSERT_EQ(b.status, 0);
    // Ten times the points; a cloud held in memory would add some 20 MiB.
    EXPECT_LT(b.peak_kb - a.peak_kb, 1024) << a.peak_kb << " KiB, then " << b.peak_kb << " KiB";
}
