// handgrid: guides the operator through the measurement positions, takes the
// typed readings and writes them as a grid file under the name the operator
// gives.

#include "handgrid/handgrid.hpp"

#include "common/command_line.hpp"

#include <unistd.h>

#include <filesystem>
#include <system_error>

using namespace handgrid;

namespace {

constexpr const char* usage =
    "usage : handgrid\n"
    "  Guide la mesure a la main : repondez aux questions (points par ligne, pas, positions\n"
    "  du chariot et de la barre), tapez un mot pour commencer, chaque mesure (12.5 ou 12,5),\n"
    "  puis fin et le nom du fichier ; un fichier existant n'est remplace qu'apres un oui.\n"
    "Lit : le clavier.\n"
    "Ecrit : NOM.txt, la grille (NOM = grille donne grille.txt pour reliefstat) ; cree le dossier\n"
    "  grilles s'il manque. Ne touche pas au journal log.txt.\n"
    "Statut de sortie : 0 la grille est ecrite sous le nom choisi ; 1 l'entree s'est terminee avant\n"
    "  la fin des questions (rien n'est ecrit) ou a la question du nom (la grille va dans\n"
    "  grille_secours.txt, ou le premier grille_secours_N.txt libre) ; 130, 143, 129 Ctrl-C,\n"
    "  SIGTERM ou SIGHUP (les mesures tapees vont de meme dans grille_secours).\n";

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

    installerSignaux();

    Terminal t{pipeline::Reader::standard_input(), pipeline::Writer::standard_output(), isatty(STDOUT_FILENO) == 1};
    auto acquisition = dialogueOuverture(t);
    if (!acquisition && signalRecu()) {
        t.ecran.print("\nInterruption avant la premiere mesure : aucun fichier n'est ecrit.\n");
        pipeline::diagnose(t.ecran, "handgrid", "interrompu avant la premiere mesure : aucun fichier n'est ecrit");
        return 128 + signalRecu();
    }
    if (!acquisition) {
        t.ecran.print("Fin des donnees d'entree avant la fin des questions : aucun fichier n'est ecrit.\n");
        pipeline::diagnose(t.ecran, "handgrid",
                           "fin des donnees d'entree avant la fin des questions : aucun fichier n'est ecrit");
        return 1;
    }
    boucleMesures(t, *acquisition);
    if (signalRecu())
        return sauverEnSecours(t, *acquisition);
    return dialogueFin(t, *acquisition);
}
