// delimiter: moves every vertex of the cloud into the marker frame of base.txt,
// in percent of the frame side, and writes those inside the frame to cloud.txt.

#include "delimiter/delimiter.hpp"

#include "common/command_line.hpp"
#include "common/log_time.hpp"
#include "common/pipeline_files.hpp"

#include <string>

using namespace delimiter;

namespace {

constexpr const char* usage =
    "usage : delimiter\n"
    "  Place chaque point du nuage dans le repere du cadre de base.txt, en pourcentage du cote,\n"
    "  et garde ceux qui sont dans le cadre.\n"
    "Lit : base.txt, f_x.txt, f_y.txt, f_z.txt, f_color.txt.\n"
    "Ecrit : cloud.txt, cloud.m ; ajoute au journal log.txt.\n"
    "Statut de sortie : 0 fait ; 1 un fichier ne peut etre ouvert ou ecrit, ou base.txt ne donne pas\n"
    "  de cadre complet ; 2 fait, mais la lecture du nuage s'est arretee sur une donnee mal formee.\n";

constexpr const char* programme = "delimiter";

int sansJournal(Writer& ecran, int erreur)
{
    ecran.text("impossible d'ouvrir le fichier log.txt\n");
    pipeline::diagnose_file(ecran, programme, "impossible d'ouvrir", pipeline::fichier_log, erreur);
    return 1;
}

int echecOuverture(Writer& ecran, Writer& log, const pipeline::FileFailure& f)
{
    pipeline::report_failure(ecran, log, std::string("impossible d'ouvrir le fichier ") + f.name + "\n");
    pipeline::diagnose_file(ecran, programme, "impossible d'ouvrir", f.name, f.error);
    return 1;
}

// base.txt without a complete frame (framefit empties it when it fails):
// cloud.txt and cloud.m are left empty.
int sansCadre(Writer& ecran, Writer& log, const char* manque, bool vide)
{
    pipeline::log_entry(log, std::string("impossible de lire ") + manque + "\n");
    pipeline::diagnose(ecran, programme,
                       (vide ? std::string("base.txt est vide (framefit le vide quand il echoue)")
                             : std::string("base.txt ne donne pas ") + manque) +
                           " : cloud.txt et cloud.m sont laisses vides");
    return 1;
}

void afficherCadre(Writer& ecran, const Cadre& c)
{
    ecran.print("%d\n", 3); // the values the rotation's line gave
    ecran.print("rotX %lf, rotY %lf, rotZ %lf, echelle %lf\n", c.rotation.rotX, c.rotation.rotY, c.rotation.rotZ,
                c.echelle);
    ecran.print("transX %lf, transY %lf, transZ %lf\n", c.translat[0], c.translat[1], c.translat[2]);
}

// Closes the outputs and the log; the status.
int terminer(const Bilan& bilan, pipeline::ProgramFiles& fichiers, Writer& ecran, Writer& log)
{
    if (const auto echec = fichiers.close()) {
        ecran.text("\n"); // after the count that ends without a line end
        pipeline::report_failure(ecran, log, std::string("erreur d'ecriture dans ") + echec->name + "\n");
        pipeline::diagnose_file(ecran, programme, "impossible d'ecrire", echec->name, echec->error);
        return 1;
    }
    const std::string fautif = bilan.fichier_fautif ? std::string(bilan.fichier_fautif) +
                                                          " incomplet ou mal forme au point " +
                                                          std::to_string(bilan.counti + 1) + ", lecture arretee"
                                                    : "";
    if (bilan.fichier_fautif) {
        ecran.text("\n");
        pipeline::report_failure(ecran, log, "Attention : " + fautif + "\n");
    }
    if (!log.close())
        pipeline::diagnose_file(ecran, programme, "impossible d'ecrire", pipeline::fichier_log, log.error());
    if (!bilan.fichier_fautif)
        return 0;
    pipeline::diagnose(ecran, programme, "attention : " + fautif + " : cloud.txt a les points d'avant");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    Writer ecran = Writer::standard_output();
    if (pipeline::answered_help(argc, argv, ecran, usage))
        return 0;
    // Every file is opened, the log last, before a failure is told.
    pipeline::ProgramFiles f(fichiers, pipeline::ProgramFiles::After::go_on);
    pipeline::ProgramFiles journal({{pipeline::fichier_log, "a+"}}, pipeline::ProgramFiles::After::go_on);
    if (journal.failure())
        return sansJournal(ecran, journal.failure()->error);
    Writer& log = journal.writer(0);
    pipeline::log_entry(log, "execution delimiter\n");
    if (f.failure())
        return echecOuverture(ecran, log, *f.failure());

    Cadre cadre;
    bool vide = false;
    if (const char* manque = lireCadre(f.reader(base), cadre, vide))
        return sansCadre(ecran, log, manque, vide);
    afficherCadre(ecran, cadre);

    f.writer(cloud_m).text("X=[];Y=[];Z=[];\n");
    f.writer(cloud_m).text("r=[];g=[];b=[];\n");
    // The four files are converted in blocks on both cores, the vertices moved and written here.
    pipeline::Nuage nuage(f.take_reader(f_x), f.take_reader(f_y), f.take_reader(f_z), f.take_reader(f_color),
                          pipeline::Nuage::Lecture::coordonnees_d_abord);
    const Bilan bilan = delimiterNuage(nuage, cadre, f.writer(cloud), f.writer(cloud_m));
    ecran.print("%d/%d", bilan.ij, bilan.counti);
    pipeline::log_entry(log).print("%d/%d points dans le cadre.\n", bilan.ij, bilan.counti);
    return terminer(bilan, f, ecran, log);
}
