// echantillonnage [nbr_pas r]: averages the points of cloud.txt onto a square
// lattice of nbr_pas + 1 nodes per side and writes grille.txt and grille.m.
//
// Exit status: 0 done; 1 cloud.txt cannot be opened, fewer than one step, or
// arrays too large; 2 cloud.txt holds something other than points after the
// last one read (the grid of the points before it is written); 3 log.txt,
// grille.txt or grille.m cannot be opened or written.
#include "echantillonnage.hpp"

#include "command_line.hpp"
#include "log_time.hpp"
#include "memoire.hpp"
#include "pipeline_files.hpp"

#include <filesystem>
#include <new>
#include <string>
#include <vector>

using namespace echantillonnage;
using pipeline::Reader;
using pipeline::Writer;

namespace {

constexpr const char* fichier_script = "grille.m";

constexpr const char* usage =
    "usage : echantillonnage [nbr_pas r]\n"
    "  Moyenne les points de cloud.txt sur une grille carree de nbr_pas + 1 noeuds par cote.\n"
    "  nbr_pas  nombre de pas de la grille (200 par defaut)\n"
    "  r        rayon de capture en pas (0.2 par defaut ; 0,35 vaut 0.35)\n"
    "Lit : cloud.txt. Ecrit : grille.txt, grille.m ; ajoute au journal log.txt.\n"
    "Statut de sortie : 0 fait ; 1 cloud.txt illisible, nbr_pas inferieur a 1 ou grille trop grande ;\n"
    "  2 cloud.txt contient autre chose que des points apres le dernier lu ;\n"
    "  3 log.txt, grille.txt ou grille.m ne peut etre ouvert ou ecrit.\n";

std::string echecEcriture(const char* fichier)
{
    return std::string("Echec lors de l'ecriture de ") + fichier + ", arret du programme.\n";
}

} // namespace

int main(int argc, char** argv)
{
    Writer ecran = Writer::standard_output();
    if (pipeline::is_help_request(argc, argv)) {
        ecran.text(usage);
        return 0;
    }
    auto log = Writer::open(pipeline::fichier_log, "a+");
    if (!log) {
        ecran.print("Impossible d'ouvrir log.txt en ajout, arret du programme.\n");
        return 3;
    }
    pipeline::log_entry(*log, "execution echantillonnage\n");

    const Parametres p = lireParametres(std::vector<std::string>(argv + 1, argv + argc));
    for (const std::string& avis : p.avis)
        pipeline::diagnose(ecran, "echantillonnage", avis);
    if (p.personnalises) {
        ecran.print("chargement des parametres personnalises\n");
        pipeline::log_entry(*log).print("chargement des parametres personnalises... nbr_pas=%d et r=%lf\n", p.nbr_pas,
                                        p.r);
    }
    if (p.nbr_pas < 1) {
        pipeline::report_failure(ecran, *log,
                 "Nombre de pas invalide (" + std::to_string(p.nbr_pas) +
                     ") : il en faut au moins 1, arret du programme.\n");
        return 1;
    }

    Grilles g;
    const std::string trop_grand = "Memoire insuffisante pour les grilles de " + std::to_string(p.nbr_pas + 1) +
                                   " x " + std::to_string(p.nbr_pas + 1) + " noeuds, arret du programme.\n";
    if (!grillesAllouables(p.nbr_pas, pipeline::memoire_disponible())) {
        pipeline::report_failure(ecran, *log, trop_grand);
        return 1;
    }
    try {
        g = reserverGrilles(p.nbr_pas, p.r);
    } catch (const std::bad_alloc&) {
        pipeline::report_failure(ecran, *log, trop_grand);
        return 1;
    }

    BilanLecture bilan;
    {
        // A directory opens but reads as empty: it is no cloud either.
        std::error_code pas_un_dossier;
        auto cloud = Reader::open(pipeline::fichier_cloud);
        if (!cloud || std::filesystem::is_directory(pipeline::fichier_cloud, pas_un_dossier)) {
            ecran.print("Le fichier n'existe pas\n");
            pipeline::log_entry(*log, "Echec lors de l'ouverture de cloud.txt, arret du programme.\n");
            return 1;
        }
        ecran.print("Le fichier existe et est ouvert en lecture seule\n");
        bilan = lireNuage(*cloud, g);
    }
    if (bilan.interrompue)
        pipeline::report_failure(ecran, *log,
                 "Attention : lecture de cloud.txt arretee sur une donnee qui n'est pas un point complet "
                 "(points lus : " + std::to_string(bilan.points) + ") ; la grille est faite des points lus avant.\n");
    if (bilan.rejetes > 0) {
        pipeline::log_entry(*log, "Points hors de la grille ou non numeriques ignores : " +
                                      std::to_string(bilan.rejetes) + "\n");
    }

    auto grille_txt = Writer::open(pipeline::fichier_grille, "w");
    if (!grille_txt) {
        pipeline::report_failure(ecran, *log, "Echec lors de la creation de grille.txt, arret du programme.\n");
        return 3;
    }
    auto grille_m = Writer::open(fichier_script, "w");
    if (!grille_m) {
        pipeline::report_failure(ecran, *log, "Echec lors de la creation de grille.m, arret du programme.\n");
        return 3;
    }
    const int points_vide = ecrireGrilles(g, *grille_txt, *grille_m);
    if (!grille_txt->close()) {
        pipeline::report_failure(ecran, *log, echecEcriture(pipeline::fichier_grille));
        return 3;
    }
    if (!grille_m->close()) {
        pipeline::report_failure(ecran, *log, echecEcriture(fichier_script));
        return 3;
    }

    const double part = partVide(points_vide, p.nbr_pas);
    ecran.print("%lf%% de points vides", part);
    pipeline::log_entry(*log).print("%lf%% de points vides", part);

    g = Grilles{};
    pipeline::log_entry(*log, "fin de echantillonnage");
    if (!log->close()) {
        ecran.print("\nEchec lors de l'ecriture de log.txt\n");
        return 3;
    }
    return bilan.interrompue ? 2 : 0;
}
