// echantillonnage [nbr_pas r]: averages the points of cloud.txt onto a square
// lattice of nbr_pas + 1 nodes per side and writes grille.txt and grille.m.

#include "echantillonnage/echantillonnage.hpp"

#include "common/command_line.hpp"
#include "common/log_time.hpp"
#include "common/memoire.hpp"
#include "common/pipeline_files.hpp"
#include "common/program_files.hpp"

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
    "Statut de sortie : 0 fait ; 1 cloud.txt illisible ou sans aucun point, nbr_pas inferieur a 1\n"
    "  ou grille trop grande (grille.txt et grille.m ne sont pas touches) ;\n"
    "  2 cloud.txt contient autre chose que des points apres le dernier lu ;\n"
    "  3 log.txt, grille.txt ou grille.m ne peut etre ouvert ou ecrit.\n";

constexpr const char* programme = "echantillonnage";

std::string echecEcriture(const char* fichier)
{
    return std::string("Echec lors de l'ecriture de ") + fichier + ", arret du programme.\n";
}

// The same failure on the screen, in the log and, in one line, on standard error.
void arreter(Writer& ecran, Writer& log, const std::string& message, const std::string& raison)
{
    pipeline::report_failure(ecran, log, message);
    pipeline::diagnose(ecran, programme, raison);
}

int sansJournal(Writer& ecran, int erreur)
{
    ecran.print("Impossible d'ouvrir log.txt en ajout, arret du programme.\n");
    pipeline::diagnose_file(ecran, programme, "impossible d'ouvrir", pipeline::fichier_log, erreur);
    return 3;
}

void annoncerParametres(const Parametres& p, Writer& ecran, Writer& log)
{
    for (const std::string& avis : p.avis)
        pipeline::diagnose(ecran, programme, avis);
    if (p.personnalises) {
        ecran.print("chargement des parametres personnalises\n");
        pipeline::log_entry(log).print("chargement des parametres personnalises... nbr_pas=%d et r=%lf\n", p.nbr_pas,
                                       p.r);
    }
}

int pasInvalide(const Parametres& p, Writer& ecran, Writer& log)
{
    const std::string raison = "nombre de pas invalide (" + std::to_string(p.nbr_pas) + ") : il en faut au moins 1";
    arreter(ecran, log,
            "Nombre de pas invalide (" + std::to_string(p.nbr_pas) + ") : il en faut au moins 1, arret du programme.\n",
            raison);
    return 1;
}

// The two working arrays, or false after telling that they can't be had.
bool allouer(Grilles& g, const Parametres& p, Writer& ecran, Writer& log)
{
    const std::string noeuds = std::to_string(p.nbr_pas + 1) + " x " + std::to_string(p.nbr_pas + 1) + " noeuds";
    bool alloue = grillesAllouables(p.nbr_pas, pipeline::memoire_disponible());
    if (alloue) {
        try {
            g = reserverGrilles(p.nbr_pas, p.r);
        } catch (const std::bad_alloc&) {
            alloue = false;
        }
    }
    if (!alloue)
        arreter(ecran, log, "Memoire insuffisante pour les grilles de " + noeuds + ", arret du programme.\n",
                "memoire insuffisante pour les grilles de " + noeuds);
    return alloue;
}

// Reads cloud.txt into the arrays; false after telling that it can't be opened.
bool lire(Grilles& g, BilanLecture& bilan, Writer& ecran, Writer& log)
{
    pipeline::ProgramFiles entree({{pipeline::fichier_cloud, "r"}}, pipeline::ProgramFiles::After::stop);
    if (const auto& echec = entree.failure()) {
        ecran.print("Le fichier n'existe pas\n");
        pipeline::log_entry(log, "Echec lors de l'ouverture de cloud.txt, arret du programme.\n");
        pipeline::diagnose_file(ecran, programme, "impossible d'ouvrir", pipeline::fichier_cloud, echec->error);
        return false;
    }
    ecran.print("Le fichier existe et est ouvert en lecture seule\n");
    pipeline::Triplets cloud(entree.take_reader(0));
    bilan = lireNuage(cloud, g);
    return true;
}

// No point at all: an empty grid would replace a good one (a failed
// delimiter leaves cloud.txt empty).
int aucunPoint(const BilanLecture& bilan, Writer& ecran, Writer& log)
{
    const char* pourquoi = bilan.interrompue ? "il ne commence pas par un point" : "fichier vide";
    arreter(ecran, log, std::string("Aucun point dans cloud.txt (") + pourquoi + "), arret du programme.\n",
            std::string("cloud.txt ne contient aucun point (") +
                (bilan.interrompue ? "il ne commence pas par trois nombres" : "fichier vide") +
                ") : grille.txt et grille.m ne sont pas touches");
    return 1;
}

std::string lectureArretee(const BilanLecture& bilan)
{
    return "lecture de cloud.txt arretee sur une donnee qui n'est pas un point complet (points lus : " +
           std::to_string(bilan.points) + ")";
}

void avertirLecture(const BilanLecture& bilan, Writer& ecran, Writer& log)
{
    if (bilan.interrompue)
        pipeline::report_failure(
            ecran, log, "Attention : " + lectureArretee(bilan) + " ; la grille est faite des points lus avant.\n");
    if (bilan.rejetes > 0)
        pipeline::log_entry(log, "Points hors de la grille ou non numeriques ignores : " +
                                     std::to_string(bilan.rejetes) + "\n");
}

// Writes grille.txt and grille.m; the number of empty nodes, or -1 after
// telling that a file can't be created or written.
int ecrire(Grilles& g, Writer& ecran, Writer& log)
{
    pipeline::ProgramFiles grilles({{pipeline::fichier_grille, "w"}, {fichier_script, "w"}},
                                   pipeline::ProgramFiles::After::stop);
    if (const auto& echec = grilles.failure()) {
        arreter(ecran, log, std::string("Echec lors de la creation de ") + echec->name + ", arret du programme.\n",
                std::string("impossible de creer ") + echec->name + " : " + pipeline::system_reason(echec->error));
        return -1;
    }
    const int points_vide = ecrireGrilles(g, grilles.writer(0), grilles.writer(1));
    if (const auto echec = grilles.close()) {
        arreter(ecran, log, echecEcriture(echec->name),
                std::string("impossible d'ecrire ") + echec->name + " : " + pipeline::system_reason(echec->error));
        return -1;
    }
    return points_vide;
}

int terminer(const BilanLecture& bilan, Writer& ecran, Writer& log)
{
    pipeline::log_entry(log, "fin de echantillonnage");
    if (!log.close()) {
        ecran.print("\nEchec lors de l'ecriture de log.txt\n");
        pipeline::diagnose_file(ecran, programme, "impossible d'ecrire", pipeline::fichier_log, log.error());
        return 3;
    }
    if (!bilan.interrompue)
        return 0;
    pipeline::diagnose(ecran, programme, lectureArretee(bilan) + " : la grille est faite des points lus avant");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    Writer ecran = Writer::standard_output();
    if (pipeline::answered_help(argc, argv, ecran, usage))
        return 0;
    pipeline::ProgramFiles journal({{pipeline::fichier_log, "a+"}}, pipeline::ProgramFiles::After::stop);
    if (const auto& echec = journal.failure())
        return sansJournal(ecran, echec->error);
    Writer& log = journal.writer(0);
    pipeline::log_entry(log, "execution echantillonnage\n");

    const Parametres p = lireParametres(std::vector<std::string>(argv + 1, argv + argc));
    annoncerParametres(p, ecran, log);
    if (p.nbr_pas < 1)
        return pasInvalide(p, ecran, log);
    Grilles g;
    if (!allouer(g, p, ecran, log))
        return 1;
    BilanLecture bilan;
    if (!lire(g, bilan, ecran, log))
        return 1;
    if (bilan.points == 0)
        return aucunPoint(bilan, ecran, log);
    avertirLecture(bilan, ecran, log);

    const int points_vide = ecrire(g, ecran, log);
    if (points_vide < 0)
        return 3;
    const double part = partVide(points_vide, p.nbr_pas);
    ecran.print("%lf%% de points vides", part);
    pipeline::log_entry(log).print("%lf%% de points vides", part);
    g = Grilles{};
    return terminer(bilan, ecran, log);
}

