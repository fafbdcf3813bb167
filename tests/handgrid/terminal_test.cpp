// handgrid used as an operator uses it: answers typed on a real terminal
// (tmux), the screen read back as the operator sees it.
#include "tests/support/program_run.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <thread>

using program_test::WorkDir;

namespace {

// handgrid in a tmux session on a private server, which ends with the object.
class Terminal {
public:
    explicit Terminal(const WorkDir& dir)
    {
        // The pane runs the program, then shows its exit status and stays.
        const auto script = script_.path() / "run.sh";
        program_test::spit(script, std::string("'") + program_test::program_path("handgrid") +
                                   "'\necho \"[statut $?]\"\nsleep 120\n");
        tmux({"new-session", "-d", "-x", "100", "-y", "40", "-c", dir.path().string(), "sh " + script.string()});
    }
    ~Terminal() { tmux({"kill-server"}); }

    void type(const std::string& word) { tmux({"send-keys", "-l", word, ";", "send-keys", "Enter"}); }
    void end_of_input() { tmux({"send-keys", "C-d"}); }

    // The screen once it shows the text (bounded wait), scroll-back included when asked.
    std::string wait_for(const std::string& text, bool history = false)
    {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::string shown;
        while ((shown = tmux({"capture-pane", "-p", "-S", history ? "-" : "0"})).find(text) == std::string::npos &&
               std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_NE(shown.find(text), std::string::npos) << "waited for: " << text << "\nscreen:\n" << shown;
        return shown;
    }

private:
    std::string tmux(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"-S", (script_.path() / "socket").string(), "-f", "/dev/null"});
        return program_test::run_executable("/usr/bin/tmux", args, script_.path()).out;
    }

    WorkDir script_; // the pane's script and the server's socket
};

} // namespace

TEST(Terminal, EachScreenStartsOnAClearedTerminal)
{
    WorkDir dir;
    Terminal t(dir);
    for (const char* answer : {"3", "2", "10", "50", "pret"})
        t.type(answer); // typed ahead: the terminal keeps them
    const std::string first = t.wait_for("Mesure suivante?", true);
    EXPECT_EQ(first.substr(0, first.find('\n')), "La barre doit etre a 50.0cm et le chariot a 10.0cm")
        << "not cleared: " << first;
    t.type("1,5");
    t.type("2");
    std::string s = t.wait_for("derniere mesure : 2.000000");
    EXPECT_EQ(s.substr(0, s.find('\n')), "La barre doit etre a 50.0cm et le chariot a 14.0cm");
    t.type("3");
    s = t.wait_for("La barre doit etre a 52.0cm et le chariot a 10.0cm");
    EXPECT_TRUE(s.starts_with(std::string(49, '!') + "\n!!! Nouvelle ligne pensez a deplacer la barre !!!\n")) << s;
    t.type("4");
    t.type("fin");
    s = t.wait_for("Choisir un nom pour ce fichier:");
    EXPECT_EQ(s.substr(0, s.find('\n')), "Un fichier contenant 6 points va etre genere");
    // The notice of the unmeasured positions stays on the screen, under the announcement.
    EXPECT_NE(s.find("handgrid : 2 positions de la derniere ligne n'ont pas ete mesurees"), std::string::npos) << s;
    t.end_of_input(); // Ctrl-D: the grid must still be kept
    t.wait_for("[statut 1]");
    EXPECT_EQ(dir.read("grille_secours.txt"), "2x1x2.0\n-1.500000\n-2.000000\n-3.000000\n-4.000000\n10000.000000\n10000.000000\n");
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (!std::filesystem::exists("/usr/bin/tmux")) {
        std::cout << "NOTICE: tmux is missing: the terminal tests of handgrid are skipped\n";
        return 77;
    }
    return RUN_ALL_TESTS();
}
