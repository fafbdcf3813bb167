// handgrid: guides the operator through the measurement positions, takes the
// typed readings and writes them as a grid file under the name the operator
// gives.
//
// Exit status: 0 the grid file was written under the chosen name; 1 the input
// ended before the opening questions were answered (nothing written) or at
// the name question (the grid went to a file of a new name, told on screen).
#include "handgrid.hpp"

#include <unistd.h>

#include <filesystem>
#include <system_error>

using namespace handgrid;

int main()
{
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
