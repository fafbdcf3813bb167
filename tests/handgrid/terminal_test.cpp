// handgrid used as an operator uses it: answers typed on a real terminal
// (tmux), the screen read back as the operator sees it.
#include "program_run.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <thread>

using program_test::WorkDir;

namespace {

std::string output_of(const std::string& command)
{
    std::string text;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, n);
        pclose(pipe);
    }
    return text;
}

// handgrid in a tmux session of its own, on a private server that goes with it.
class Terminal {
public:
    explicit Terminal(const WorkDir& dir)
        : tmux_("tmux -L handgrid-test-" + std::to_string(getpid()) + "-" + std::to_string(++sessions_) +
                " -f /dev/null ")
    {
        // The pane runs the program, then shows its exit status and stays.
        program_test::spit(script_.path() / "run.sh", "'" + program_test::program_path("handgrid") +
                                                          "'\necho \"[statut $?]\"\nexec sleep 120\n");
        const std::string start = tmux_ + "new-session -d -x 100 -y 40 -c '" + dir.path().string() + "' 'sh " +
                                  (script_.path() / "run.sh").string() + "'";
        started_ = std::system(start.c_str()) == 0;
    }
    ~Terminal() { (void)std::system((tmux_ + "kill-server 2>/dev/null").c_str()); }

    bool started() const { return started_; }

    // Types a word and Enter.
    void type(const std::string& word)
    {
        (void)std::system((tmux_ + "send-keys -l '" + word + "' \\; send-keys Enter").c_str());
    }
    void end_of_input() { (void)std::system((tmux_ + "send-keys C-d").c_str()); }

    // The visible screen, and everything the terminal still holds above it.
    std::string screen() { return output_of(tmux_ + "capture-pane -p"); }
    std::string history() { return output_of(tmux_ + "capture-pane -p -S -"); }

    // Waits until the screen shows the text; the screen then, or what it showed last.
    std::string wait_for(const std::string& text)
    {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::string shown;
        while ((shown = screen()).find(text) == std::string::npos && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_NE(shown.find(text), std::string::npos) << "waited for: " << text << "\nscreen:\n" << shown;
        return shown;
    }

private:
    static inline int sessions_ = 0;
    WorkDir script_;
    std::string tmux_;
    bool started_ = false;
};

std::string first_line(const std::string& screen)
{
    return screen.substr(0, screen.find('\n'));
}

const std::string bang(49, '!');

} // namespace

TEST(Terminal, EachScreenStartsOnAClearedTerminal)
{
    WorkDir dir;
    Terminal t(dir);
    ASSERT_TRUE(t.started());
    for (const auto& [question, answer] : {std::pair{"Nombre de points par ligne?", "3"},
                                           {"Pas de mesure en cm", "2"},
                                           {"Position chariot en cm (ce lit sur la barre)", "10"},
                                           {"Position barre en cm (ce lit sur le cadre)", "50"}}) {
        t.wait_for(question);
        t.type(answer);
    }
    t.type("pret");
    std::string s = t.wait_for("Mesure suivante?");
    EXPECT_EQ(first_line(s), "La barre doit etre a 50.0cm et le chariot a 10.0cm");
    EXPECT_EQ(t.history().find("Nombre de points"), std::string::npos) << "the questions were not cleared";

    t.type("1,5");
    s = t.wait_for("derniere mesure : 1.500000");
    EXPECT_EQ(first_line(s), "La barre doit etre a 50.0cm et le chariot a 12.0cm");
    t.type("2");
    t.wait_for("chariot a 14.0cm");
    t.type("3");
    s = t.wait_for("La barre doit etre a 52.0cm et le chariot a 10.0cm");
    EXPECT_TRUE(s.starts_with(bang + "\n!!! Nouvelle ligne pensez a deplacer la barre !!!\n")) << s;

    t.type("quatre");
    s = t.wait_for("Mesure refusee");
    EXPECT_TRUE(s.starts_with("Mesure refusee : tapez un nombre (12.5 ou 12,5) ou fin.\n" + bang)) << s;
    EXPECT_NE(s.find("derniere mesure : 3.000000"), std::string::npos);
    t.type("4");
    s = t.wait_for("derniere mesure : 4.000000");
    EXPECT_EQ(first_line(s), "La barre doit etre a 52.0cm et le chariot a 12.0cm");

    t.type("fin");
    s = t.wait_for("Choisir un nom pour ce fichier:");
    EXPECT_EQ(first_line(s), "Un fichier contenant 6 points va etre genere");
    t.type("essai");
    t.wait_for("[statut 0]");
    EXPECT_EQ(dir.read("essai.txt"), "2x1x2.0\n-1.500000\n-2.000000\n-3.000000\n-4.000000\n-0.000000\n-0.000000\n");
}

TEST(Terminal, EndOfInputDuringTheReadingsKeepsThemInANewFile)
{
    WorkDir dir;
    Terminal t(dir);
    ASSERT_TRUE(t.started());
    for (const char* answer : {"2", "0.5", "0", "0", "pret"}) // typed ahead: the terminal keeps them
        t.type(answer);
    t.wait_for("Mesure suivante?");
    t.type("7");
    t.wait_for("derniere mesure : 7.000000");
    t.end_of_input();
    const std::string s = t.wait_for("[statut 1]");
    EXPECT_NE(s.find("la grille est enregistree dans le fichier grille_secours.txt"), std::string::npos) << s;
    EXPECT_EQ(dir.read("grille_secours.txt"), "1x0x0.5\n-7.000000\n-0.000000\n");
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (std::system("command -v tmux >/dev/null 2>&1") != 0) {
        std::cout << "NOTICE: tmux is missing: the terminal tests of handgrid are skipped\n";
        return 77;
    }
    return RUN_ALL_TESTS();
}
