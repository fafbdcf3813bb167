// Asking a program for help, as a new user does: the usage on the screen,
// status 0, and not one byte of the working directory changed.
#include "tests/support/program_run.hpp"

#include <gtest/gtest.h>

#include <filesystem>

using program_test::run;
using program_test::WorkDir;

namespace {

// One file of every kind that some program reads or writes, the log included.
const std::map<std::string, std::string> earlier_run = {
    {"log.txt", "[1/1/2026  10:00:00]\nexecution plyunpack\n"},
    {"option-0000.ply", "ply\nformat ascii 1.0\nelement vertex 0\nend_header\n"},
    {"f_x.txt", "1.000000\n "},
    {"f_y.txt", "2.000000\n "},
    {"f_z.txt", "3.000000\n "},
    {"f_color.txt", "230 110 30\n"},
    {"coin_O.txt", "1 2 3\n"},
    {"nbr_point_par_coin.txt", "1 0 0\n"},
    {"base.txt", "1 2 3\n0 0 0\n10"},
    {"cloud.txt", "50 50 1\n"},
    {"grille.txt", "1x1x1.0\n1\n2\n3\n4\n"},
    {"grille.m", "GRILLE=zeros(2,2);\n"},
    {"GRILLE.txt", "earlier"},
    {"parametres_vrais.txt", "earlier"},
};

} // namespace

TEST(Help, EveryProgramShowsItsUsageAndTouchesNothing)
{
    for (const char* program : {"plyunpack", "markerpick", "framefit", "delimiter", "echantillonnage", "reliefstat",
                                "handgrid", "rugosite-synthese"})
        for (const char* word : {"--help", "-h", "--aide"}) {
            SCOPED_TRACE(std::string(program) + " " + word);
            WorkDir dir;
            for (const auto& [name, bytes] : earlier_run)
                dir.write(name, bytes);
            // handgrid would take typed answers: they must be left unread.
            const auto r = run(program, {word}, dir, "3 2 10 50 x 1 2 3 fin grille\n");
            EXPECT_EQ(r.status, 0);
            EXPECT_TRUE(r.out.starts_with(std::string("usage : ") + program)) << r.out;
            EXPECT_NE(r.out.find("Statut de sortie"), std::string::npos) << r.out;
            EXPECT_EQ(r.err, "");
            EXPECT_EQ(dir.files(), earlier_run);
            const std::filesystem::directory_iterator all(dir.path()); // and no new folder
            EXPECT_EQ(static_cast<std::size_t>(std::distance(begin(all), end(all))), earlier_run.size());
        }
}

