// markerpick: picks the points of the three corner markers out of the cloud by
// their colour, for framefit, and writes display scripts of them.
//
//   markerpick [O X Y tolerance]     colours as r,g,b; tolerance a real number

#include "markerpick/markerpick.hpp"

#include "common/command_line.hpp"
#include "common/log_time.hpp"
#include "common/pipeline_files.hpp"
#include "common/program_files.hpp"

#include <string>
#include <vector>

using namespace markerpick;

namespace {

constexpr const char* usage =
    "usage : markerpick [O X Y tolerance]\n"
    "  Range dans les fichiers des coins les points dont la couleur est proche de celle d'un coin.\n"
    "  O X Y      couleurs des coins en r,g,b (230,110,30 155,25,50 180,180,105 par defaut)\n"
    "  tolerance  ecart de couleur admis, strict, par canal (10 par defaut ; 10,5 vaut 10.5)\n"
    "  Sans argument, ou avec un autre nombre que 4, les valeurs par defaut sont utilisees.\n"
    "Lit : f_color.txt, f_x.txt, f_y.txt, f_z.txt.\n"
    "Ecrit : coin_O.txt, coin_X.txt, coin_Y.txt, nbr_point_par_coin.txt, posX.m, posY.m, posZ.m,\n"
    "  color_coins.m ; ajoute au journal log.txt.\n"
    "Statut de sortie : 0 fait ; 1 un fichier ne peut etre ouvert ou ecrit ;\n"
    "  2 fait, mais la lecture du nuage s'est arretee sur une donnee mal formee ;\n"
    "  255 un des quatre arguments est incomplet (rien n'est ecrit).\n";

constexpr const char* programme = "markerpick";

// The log can't be opened: said on the screen only.
int sansJournal(Writer& ecran, int erreur)
{
    ecran.text("Le fichier log.txt n'a pas pu etre ouvert...arret du programme\n");
    pipeline::diagnose_file(ecran, programme, "impossible d'ouvrir", pipeline::fichier_log, erreur);
    return 1;
}

// The four settings when they are all typed, the defaults otherwise; -1 when
// a typed one is incomplete.
int lireLigneDeCommande(int argc, char** argv, Parametres& p, Writer& ecran, Writer& log)
{
    if (argc == 5) {
        const std::vector<std::string> incomplets = lireArguments(argv[1], argv[2], argv[3], argv[4], p);
        ecran.print("coinO %i %i %i", p.code_rgb_o[0], p.code_rgb_o[1], p.code_rgb_o[2]);
        if (incomplets.empty())
            return 0;
        std::string cause;
        for (const std::string& incomplet : incomplets)
            cause += (cause.empty() ? "" : " ; ") + incomplet;
        pipeline::diagnose(ecran, programme, cause + " : arret du programme (statut 255)");
        ecran.text("Il manque un code rgb pour un ou plusieur coin(s)\n");
        pipeline::log_entry(log, "Il manque un code rgb pour un ou plusieur coin(s)... arret du programme\n");
        return -1;
    }
    if (argc != 1)
        pipeline::diagnose(ecran, programme,
                           "4 arguments attendus (couleurs O, X, Y en r,g,b et tolerance), " +
                               std::to_string(argc - 1) +
                               " recus : les couleurs et la tolerance par defaut sont utilisees");
    ecran.text("Il manque un code rgb pour un ou plusieur coin(s)...\n...utilisation des parametres par defaut\n");
    pipeline::log_entry(log,
                        "Il manque un code rgb pour un ou plusieur coin(s)... utilisation des parametres par defaut\n");
    return 0;
}

int sansCouleurs(Writer& ecran, Writer& log, int erreur)
{
    ecran.text("Le fichier n'existe pas\n");
    pipeline::log_entry(log, "Le fichier f_color.txt n'a pas pu etre ouvert...arret du programme\n");
    pipeline::diagnose_file(ecran, programme, "impossible d'ouvrir", pipeline::fichier_color, erreur);
    return 1;
}

// A coordinate file that can't be read or an output that can't be created.
int echecOuverture(Writer& ecran, Writer& log, const pipeline::FileFailure& f, bool sortie)
{
    const char* echec = sortie ? " n'a pas pu etre cree" : " n'a pas pu etre ouvert";
    pipeline::report_failure(ecran, log, std::string("Le fichier ") + f.name + echec + "...arret du programme\n");
    pipeline::diagnose_file(ecran, programme, sortie ? "impossible de creer" : "impossible d'ouvrir", f.name, f.error);
    return 1;
}

void ecrireBilan(const Comptes& comptes, pipeline::ProgramFiles& sorties, Writer& ecran, Writer& log)
{
    constexpr const char* bilan = "Nombre de points par coins O:%d + X:%d + Y:%d = %d\n";
    ecran.print(bilan, comptes.nbr_O, comptes.nbr_X, comptes.nbr_Y, comptes.total());
    sorties.writer(nbr_point_coin).print("%d %d %d\n", comptes.nbr_O, comptes.nbr_X, comptes.nbr_Y);
    pipeline::log_entry(log).print(bilan, comptes.nbr_O, comptes.nbr_X, comptes.nbr_Y, comptes.total());
    ecran.print("Nombre de points trouves : %d\n", comptes.total());
    pipeline::log_entry(log, "Fin du script markerpick\n\n");
}

// Closes the outputs and the log; the status.
int terminer(const Comptes& comptes, pipeline::ProgramFiles& sorties, Writer& ecran, Writer& log)
{
    if (const auto echec = sorties.close()) {
        pipeline::report_failure(ecran, log,
                                 std::string("Erreur d'ecriture dans ") + echec->name + "...arret du programme\n");
        pipeline::diagnose_file(ecran, programme, "impossible d'ecrire", echec->name, echec->error);
        return 1;
    }
    const std::string fautif = comptes.fichier_fautif ? std::string(comptes.fichier_fautif) +
                                                            " incomplet ou mal forme au point " +
                                                            std::to_string(comptes.lus + 1) + ", lecture arretee"
                                                      : "";
    if (comptes.fichier_fautif)
        pipeline::report_failure(ecran, log, "Attention : " + fautif + "\n");
    if (!log.close())
        pipeline::diagnose_file(ecran, programme, "impossible d'ecrire", pipeline::fichier_log, log.error());
    if (!comptes.fichier_fautif)
        return 0;
    pipeline::diagnose(ecran, programme, "attention : " + fautif + " : les fichiers des coins ont les points d'avant");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    Writer ecran = Writer::standard_output();
    if (pipeline::answered_help(argc, argv, ecran, usage))
        return 0;
    pipeline::ProgramFiles depart({{pipeline::fichier_log, "a+"}, {pipeline::fichier_color, "r"}},
                                  pipeline::ProgramFiles::After::go_on);
    if (!depart.opened(0))
        return sansJournal(ecran, depart.failure()->error);
    Writer& log = depart.writer(0);
    pipeline::log_entry(log, "execution markerpick\n");
    Parametres p;
    const int arguments = lireLigneDeCommande(argc, argv, p, ecran, log);
    if (!depart.opened(1))
        return sansCouleurs(ecran, log, depart.failure()->error);
    if (arguments != 0)
        return arguments;

    using pipeline::fichier_x, pipeline::fichier_y, pipeline::fichier_z;
    pipeline::ProgramFiles xyz({{fichier_x, "r"}, {fichier_y, "r"}, {fichier_z, "r"}},
                               pipeline::ProgramFiles::After::stop);
    if (xyz.failure())
        return echecOuverture(ecran, log, *xyz.failure(), false);
    pipeline::ProgramFiles resultats(sorties, pipeline::ProgramFiles::After::stop);
    if (resultats.failure())
        return echecOuverture(ecran, log, *resultats.failure(), true);
    ecran.text("color.txt ouvert\n");

    // The four files are converted in blocks on both cores, the points sorted here.
    pipeline::Nuage nuage(xyz.take_reader(0), xyz.take_reader(1), xyz.take_reader(2), depart.take_reader(1),
                          pipeline::Nuage::Lecture::couleurs_d_abord);
    const Comptes comptes = trierPoints(nuage, resultats, p);
    ecrireBilan(comptes, resultats, ecran, log);
    return terminer(comptes, resultats, ecran, log);
}
