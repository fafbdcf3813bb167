// handgrid: guides the operator through the measurement positions, takes the
// typed readings and writes them as a grid file under the name the operator
// gives.
//
// Exit status: 0 the grid file was written under the chosen name; 1 the input
// ended before the opening questions were answered (nothing written) or at
// the name question (the grid went to a file of a new name, told on screen).
#include "handgrid.hpp"

#include "command_line.hpp"

#include <unistd.h>

#include <filesystem>
#include <system_error>

using namespace handgrid;

namespace {

constexpr const char* usage =
    "usage : handgrid\n"
    "  Guide la mesure a la main : repondez aux questions (points par ligne, pas, positions\n"
    "  du chariot et de la barre), tapez chaque mesure (12.5 ou 12,5), puis fin et le nom du fichier.\n"
    "Lit : le clavier.\n"
    "Ecrit : NOM.txt, la grille (NOM = grille donne grille.txt pour reliefstat) ; cree le dossier\n"
    "  grilles s'il manque. Ne touche pas au journal log.txt.\n"
    "Statut de sortie : 0 la grille est ecrite sous le nom choisi ; 1 l'entree s'est terminee avant\n"
    "  la fin des questions (rien n'est ecrit) ou a la question du nom (la grille va dans\n"
    "  grille_secours.txt, ou le premier grille_secours_N.txt libre).\n";

} // namespace

int main(int argc, char** argv)
{
    if (pipeline::is_help_request(argc, argv)) {
        pipeline::Writer ecran = pipeline::Writer::standard_output();
        ecran.text(usage);
        return 0;
    }
    std::error_code deja_la; // an existing directory is no error
    std::filesystem::create_directory("grilles", deja_la);

    Terminal t{pipeline::Reader::standard_input(), pipeline::Writer::standard_output(), isatty(STDOUT_FILENO) == 1};
    auto acquisition = dialogueOuverture(t);
    if (!acquisition) {
        t.ecran.print("Fin des donnees d'entree avant la fin des questions : aucun fichier n'est ecrit.\n");
        return 1;
    }
    boucleMesures(t, *acquisition);
    return dialogueFin(t, *acquisition);
}
