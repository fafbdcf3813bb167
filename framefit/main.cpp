// framefit: finds the centres of the three corner markers, tests the frame they
// span and writes to base.txt the origin, rotation angles and scale with which
// delimiter moves the cloud into it.
//
// Status 0 done; 1 a file can't be opened or written, the counts can't be read,
// or a marker file holds fewer points than its count; 5 a marker has fewer than
// 10 points; 10 the sides differ too much in length; 20 the sides are too far
// from a right angle. base.txt is emptied at start and filled only on status 0.
// Every status but 0 comes with a line on standard error that says why.
#include "framefit/framefit.hpp"

#include "common/command_line.hpp"
#include "common/log_time.hpp"
#include "common/pipeline_files.hpp"

#include <optional>
#include <string>
#include <utility>

using namespace framefit;

namespace {

constexpr const char* usage =
    "usage : framefit\n"
    "  Trouve le centre de chaque coin, verifie le cadre (cotes de longueurs proches, angle droit)\n"
    "  et ecrit l'origine, les angles de rotation et l'echelle dans base.txt.\n"
    "Lit : nbr_point_par_coin.txt, coin_O.txt, coin_X.txt, coin_Y.txt.\n"
    "Ecrit : base.txt (vide sauf au statut 0), base.m, visu_plots.m ; ajoute au journal log.txt.\n"
    "Statut de sortie : 0 fait ; 1 un fichier ne peut etre ouvert, lu ou ecrit ;\n"
    "  5 un coin a moins de 10 points ; 10 les cotes sont de longueurs trop differentes ;\n"
    "  20 les cotes sont trop loin d'un angle droit.\n";

constexpr const char* programme = "framefit";

// A failure on the screen and in the log, then why in one line on standard error.
void arreter(Writer& ecran, std::optional<Writer>& log, const std::string& message, const std::string& raison)
{
    pipeline::report_failure(ecran, log, message);
    pipeline::diagnose(ecran, programme, raison);
}

} // namespace

int main(int argc, char** argv)
{
    Writer ecran = Writer::standard_output();
    if (pipeline::is_help_request(argc, argv)) {
        ecran.text(usage);
        return 0;
    }
    int erreurs[7] = {}; // the system's reason for each open, in the order below
    auto log = Writer::open(pipeline::fichier_log, "a+", erreurs[0]);
    if (log)
        log->text("execution framefit\n");
    auto coin_Y = Reader::open(pipeline::fichier_coin_Y, erreurs[1]);
    auto coin_O = Reader::open(pipeline::fichier_coin_O, erreurs[2]);
    auto coin_X = Reader::open(pipeline::fichier_coin_X, erreurs[3]);
    auto base_m = Writer::open("base.m", "w", erreurs[4]);
    auto base = Writer::open(pipeline::fichier_base, "w", erreurs[5]);
    auto nbr_point_coin = Reader::open(pipeline::fichier_nbr_point_par_coin, erreurs[6]);
    const std::pair<bool, const char*> ouvertures[] = {
        {log.has_value(), pipeline::fichier_log},       {coin_Y.has_value(), pipeline::fichier_coin_Y},
        {coin_O.has_value(), pipeline::fichier_coin_O}, {coin_X.has_value(), pipeline::fichier_coin_X},
        {base_m.has_value(), "base.m"},                 {base.has_value(), pipeline::fichier_base},
        {nbr_point_coin.has_value(), pipeline::fichier_nbr_point_par_coin},
    };
    for (int k = 0; k < 7; ++k)
        if (const auto [ouvert, nom] = ouvertures[k]; !ouvert) {
            arreter(ecran, log, std::string("Le fichier ") + nom + " n'a pas pu etre ouvert... arret du programme\n",
                    std::string("impossible d'ouvrir ") + nom + " : " + pipeline::system_reason(erreurs[k]));
            return 1;
        }

    int nbr_coin_O = 0, nbr_coin_X = 0, nbr_coin_Y = 0;
    const int lecture = nbr_point_coin->scan("%d %d %d", nbr_coin_O, nbr_coin_X, nbr_coin_Y);
    nbr_point_coin.reset();
    if (lecture != 3) {
        arreter(ecran, log,
                "Le fichier nbr_point_par_coin.txt ne donne pas trois nombres de points... arret du programme\n",
                "nbr_point_par_coin.txt ne donne pas trois nombres de points");
        return 1;
    }
    if (nbr_coin_O <= 9 || nbr_coin_X <= 9 || nbr_coin_Y <= 9) {
        pipeline::log_entry(*log, "Moins de 10 points pour l'un des coins, vérifiez les codes RGB des coins\n");
        pipeline::diagnose(ecran, programme, raisonComptes(nbr_coin_O, nbr_coin_X, nbr_coin_Y));
        return 5;
    }

    const auto pos_coin_Y = centreCoin(*coin_Y, nbr_coin_Y);
    const auto pos_coin_O = pos_coin_Y ? centreCoin(*coin_O, nbr_coin_O) : std::nullopt;
    const auto pos_coin_X = pos_coin_O ? centreCoin(*coin_X, nbr_coin_X) : std::nullopt;
    if (!pos_coin_X) {
        const auto [court, annonce] = !pos_coin_Y   ? std::pair{pipeline::fichier_coin_Y, nbr_coin_Y}
                                      : !pos_coin_O ? std::pair{pipeline::fichier_coin_O, nbr_coin_O}
                                                    : std::pair{pipeline::fichier_coin_X, nbr_coin_X};
        const std::string manque = std::string(court) + " ne contient pas les " + std::to_string(annonce) +
                                   " points annonces dans nbr_point_par_coin.txt";
        arreter(ecran, log,
                std::string("Le fichier ") + court + " ne contient pas les " + std::to_string(annonce) +
                    " points annonces... arret du programme\n",
                manque);
        return 1;
    }
    const Point &O = *pos_coin_O, &X = *pos_coin_X, &Y = *pos_coin_Y;

    ecrireCentres(*base_m, Y, X, O);
    const bool base_m_ecrit = base_m->close();
    int erreur_visu = 0;
    auto visu = Writer::open("visu_plots.m", "w", erreur_visu);
    if (visu)
        ecrireVisuPlots(*visu);
    if (!base_m_ecrit || !visu || !visu->close()) {
        const char* nom = !base_m_ecrit ? "base.m" : "visu_plots.m";
        const int erreur = !base_m_ecrit ? base_m->error() : visu ? visu->error() : erreur_visu;
        arreter(ecran, log, std::string("Erreur d'ecriture dans ") + nom + "... arret du programme\n",
                std::string(!base_m_ecrit || visu ? "impossible d'ecrire " : "impossible de creer ") + nom + " : " +
                    pipeline::system_reason(erreur));
        return 1;
    }
    coin_Y.reset();
    coin_O.reset();
    coin_X.reset();
    ecrireCentres(pipeline::log_entry(*log), Y, X, O);
    ecran.print("coin O hauteur %lf\n", O[1]);
    ecran.print("coin X hauteur %lf\n", X[1]);
    ecran.print("coin Y hauteur %lf\n", Y[1]);

    const Cadre cadre = mesurerCadre(O, X, Y);
    pipeline::log_entry(*log).print("taille vect X:%lf   taille vect Y:%lf\n", cadre.taille_x, cadre.taille_y);
    if (!taillesProches(cadre.taille_x, cadre.taille_y)) {
        pipeline::log_entry(*log, "Les vecteurs sont de tailles trop eloignees\n\n");
        pipeline::diagnose(ecran, programme, raisonTailles(cadre.taille_x, cadre.taille_y));
        return 10;
    }
    pipeline::log_entry(*log).print("cos(phi):%lf\n", cadre.cos_phi);
    if (!angleDroit(cadre.cos_phi)) {
        pipeline::log_entry(*log).print("L'angle entre les vecteurs n'est pas droit (cos(phi)=%lf\n\n", cadre.cos_phi);
        pipeline::diagnose(ecran, programme, raisonAngle(cadre.cos_phi));
        return 20;
    }

    const pipeline::Rotation r = pipeline::anglesRotation(cadre.X, cadre.Y);
    base->print("%lf %lf %lf\n", O[0], O[1], O[2]);
    base->print("%lf %lf %lf\n", r.rotX, r.rotY, r.rotZ);
    base->print("%lf", cadre.taille_x);
    if (!base->close()) {
        const int erreur = base->error();
        Writer::open(pipeline::fichier_base, "w"); // no partial frame for delimiter
        arreter(ecran, log, "Erreur d'ecriture dans base.txt... arret du programme\n",
                "impossible d'ecrire base.txt : " + pipeline::system_reason(erreur) + " (base.txt est laisse vide)");
        return 1;
    }
    pipeline::log_entry(*log, "Fin du script framefit\n\n");
    log->print("Origine : %lf %lf %lf\n", O[0], O[1], O[2]);
    log->print("Rotation : %lf %lf %lf\n", r.rotX, r.rotY, r.rotZ);
    log->print("%lf", cadre.taille_x);
    if (!log->close())
        pipeline::diagnose_file(ecran, programme, "impossible d'ecrire", pipeline::fichier_log, log->error());
    return 0;
}
