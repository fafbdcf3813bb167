// framefit: finds the centres of the three corner markers, tests the frame they
// span and writes to base.txt the origin, rotation angles and scale with which
// delimiter moves the cloud into it.

#include "framefit/framefit.hpp"

#include "common/command_line.hpp"
#include "common/log_time.hpp"
#include "common/pipeline_files.hpp"
#include "common/program_files.hpp"

#include <array>
#include <cstddef>
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

// The files in the order the program opens them, every one tried.
enum Fichier : std::size_t { journal, coin_Y, coin_O, coin_X, base_m, base, nbr_point_coin };
constexpr pipeline::FileSpec fichiers[] = {
    {pipeline::fichier_log, "a+"},    {pipeline::fichier_coin_Y, "r"}, {pipeline::fichier_coin_O, "r"},
    {pipeline::fichier_coin_X, "r"},  {"base.m", "w"},                 {pipeline::fichier_base, "w"},
    {pipeline::fichier_nbr_point_par_coin, "r"},
};

// A failure on the screen and in the log, then why in one line on standard error.
void arreter(Writer& ecran, Writer& log, const std::string& message, const std::string& raison)
{
    pipeline::report_failure(ecran, log, message);
    pipeline::diagnose(ecran, programme, raison);
}

// The first file that can't be opened; the log, when it is that one, is not
// written to.
int echecOuverture(Writer& ecran, pipeline::ProgramFiles& f, const pipeline::FileFailure& echec)
{
    const std::string message =
        std::string("Le fichier ") + echec.name + " n'a pas pu etre ouvert... arret du programme\n";
    if (f.opened(journal))
        pipeline::report_failure(ecran, f.writer(journal), message);
    else
        ecran.text(message);
    pipeline::diagnose(ecran, programme, std::string("impossible d'ouvrir ") + echec.name + " : " +
                                             pipeline::system_reason(echec.error));
    return 1;
}

// The points of each marker, O, X and Y; 0 when there are enough of them,
// otherwise the status after telling why.
int lireComptes(Reader& nbr_point_coin, std::array<int, 3>& n, Writer& ecran, Writer& log)
{
    if (nbr_point_coin.scan("%d %d %d", n[0], n[1], n[2]) != 3) {
        arreter(ecran, log,
                "Le fichier nbr_point_par_coin.txt ne donne pas trois nombres de points... arret du programme\n",
                "nbr_point_par_coin.txt ne donne pas trois nombres de points");
        return 1;
    }
    if (n[0] <= 9 || n[1] <= 9 || n[2] <= 9) {
        pipeline::log_entry(log, "Moins de 10 points pour l'un des coins, vérifiez les codes RGB des coins\n");
        pipeline::diagnose(ecran, programme, raisonComptes(n[0], n[1], n[2]));
        return 5;
    }
    return 0;
}

struct Centres {
    Point O{}, X{}, Y{};
};

// The centres of the markers, Y first, or false after naming the first marker
// file that holds fewer points than its count.
bool trouverCentres(pipeline::ProgramFiles& f, const std::array<int, 3>& n, Centres& c, Writer& ecran, Writer& log)
{
    const auto pos_coin_Y = centreCoin(f.reader(coin_Y), n[2]);
    const auto pos_coin_O = pos_coin_Y ? centreCoin(f.reader(coin_O), n[0]) : std::nullopt;
    const auto pos_coin_X = pos_coin_O ? centreCoin(f.reader(coin_X), n[1]) : std::nullopt;
    if (pos_coin_X) {
        c = {*pos_coin_O, *pos_coin_X, *pos_coin_Y};
        return true;
    }
    const auto [court, annonce] = !pos_coin_Y   ? std::pair{pipeline::fichier_coin_Y, n[2]}
                                  : !pos_coin_O ? std::pair{pipeline::fichier_coin_O, n[0]}
                                                : std::pair{pipeline::fichier_coin_X, n[1]};
    const std::string manque = std::string(court) + " ne contient pas les " + std::to_string(annonce) +
                               " points annonces dans nbr_point_par_coin.txt";
    arreter(ecran, log,
            std::string("Le fichier ") + court + " ne contient pas les " + std::to_string(annonce) +
                " points annonces... arret du programme\n",
            manque);
    return false;
}

// base.m and visu_plots.m, or false after naming the first that failed.
bool ecrireScripts(Writer& base_script, const Centres& c, Writer& ecran, Writer& log)
{
    ecrireCentres(base_script, c.Y, c.X, c.O);
    const bool base_m_ecrit = base_script.close();
    int erreur_visu = 0;
    auto visu = Writer::open("visu_plots.m", "w", &erreur_visu);
    if (visu)
        ecrireVisuPlots(*visu);
    if (base_m_ecrit && visu && visu->close())
        return true;
    const char* nom = !base_m_ecrit ? "base.m" : "visu_plots.m";
    const int erreur = !base_m_ecrit ? base_script.error() : visu ? visu->error() : erreur_visu;
    arreter(ecran, log, std::string("Erreur d'ecriture dans ") + nom + "... arret du programme\n",
            std::string(!base_m_ecrit || visu ? "impossible d'ecrire " : "impossible de creer ") + nom + " : " +
                pipeline::system_reason(erreur));
    return false;
}

void afficherCentres(const Centres& c, Writer& ecran, Writer& log)
{
    ecrireCentres(pipeline::log_entry(log), c.Y, c.X, c.O);
    ecran.print("coin O hauteur %lf\n", c.O[1]);
    ecran.print("coin X hauteur %lf\n", c.X[1]);
    ecran.print("coin Y hauteur %lf\n", c.Y[1]);
}

// 0 when the sides are of similar lengths and near a right angle, otherwise
// the status after telling why.
int verifierCadre(const Cadre& cadre, Writer& ecran, Writer& log)
{
    pipeline::log_entry(log).print("taille vect X:%lf   taille vect Y:%lf\n", cadre.taille_x, cadre.taille_y);
    if (!taillesProches(cadre.taille_x, cadre.taille_y)) {
        pipeline::log_entry(log, "Les vecteurs sont de tailles trop eloignees\n\n");
        pipeline::diagnose(ecran, programme, raisonTailles(cadre.taille_x, cadre.taille_y));
        return 10;
    }
    pipeline::log_entry(log).print("cos(phi):%lf\n", cadre.cos_phi);
    if (!angleDroit(cadre.cos_phi)) {
        pipeline::log_entry(log).print("L'angle entre les vecteurs n'est pas droit (cos(phi)=%lf\n\n", cadre.cos_phi);
        pipeline::diagnose(ecran, programme, raisonAngle(cadre.cos_phi));
        return 20;
    }
    return 0;
}

// Writes the frame to base.txt and the end of the run to the log; the status.
int ecrireBase(Writer& base_txt, const Point& O, const Cadre& cadre, Writer& ecran, Writer& log)
{
    const pipeline::Rotation r = pipeline::anglesRotation(cadre.X, cadre.Y);
    base_txt.print("%lf %lf %lf\n", O[0], O[1], O[2]);
    base_txt.print("%lf %lf %lf\n", r.rotX, r.rotY, r.rotZ);
    base_txt.print("%lf", cadre.taille_x);
    if (!base_txt.close()) {
        const int erreur = base_txt.error();
        Writer::open(pipeline::fichier_base, "w"); // no partial frame for delimiter
        arreter(ecran, log, "Erreur d'ecriture dans base.txt... arret du programme\n",
                "impossible d'ecrire base.txt : " + pipeline::system_reason(erreur) + " (base.txt est laisse vide)");
        return 1;
    }
    pipeline::log_entry(log, "Fin du script framefit\n\n");
    log.print("Origine : %lf %lf %lf\n", O[0], O[1], O[2]);
    log.print("Rotation : %lf %lf %lf\n", r.rotX, r.rotY, r.rotZ);
    log.print("%lf", cadre.taille_x);
    if (!log.close())
        pipeline::diagnose_file(ecran, programme, "impossible d'ecrire", pipeline::fichier_log, log.error());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Writer ecran = Writer::standard_output();
    if (pipeline::answered_help(argc, argv, ecran, usage))
        return 0;
    // base.txt is emptied here, whatever follows.
    pipeline::ProgramFiles f(fichiers, pipeline::ProgramFiles::After::go_on);
    if (f.opened(journal))
        f.writer(journal).text("execution framefit\n");
    if (const auto& echec = f.failure())
        return echecOuverture(ecran, f, *echec);
    Writer& log = f.writer(journal);

    std::array<int, 3> comptes{}; // O, X, Y
    if (const int statut = lireComptes(f.reader(nbr_point_coin), comptes, ecran, log))
        return statut;
    Centres c;
    if (!trouverCentres(f, comptes, c, ecran, log) || !ecrireScripts(f.writer(base_m), c, ecran, log))
        return 1;
    afficherCentres(c, ecran, log);

    const Cadre cadre = mesurerCadre(c.O, c.X, c.Y);
    if (const int statut = verifierCadre(cadre, ecran, log))
        return statut;
    return ecrireBase(f.writer(base), c.O, cadre, ecran, log);
}
