// delimiter: moves every vertex of the cloud into the marker frame of base.txt,
// in percent of the frame side, and writes those inside the frame to cloud.txt.
//
// Status 0 done; 1 a file can't be opened or written, or base.txt holds no
// complete frame (cloud.txt and cloud.m are then left empty); 2 done, but the
// cloud files ended early or held a malformed entry, where the loop stopped.
// Every status but 0 comes with a line on standard error that says why.
#include "delimiter/delimiter.hpp"

#include "common/command_line.hpp"
#include "common/log_time.hpp"
#include "common/pipeline_files.hpp"

#include <optional>
#include <string>
#include <utility>

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

} // namespace

int main(int argc, char** argv)
{
    Writer ecran = Writer::standard_output();
    if (pipeline::is_help_request(argc, argv)) {
        ecran.text(usage);
        return 0;
    }
    int erreurs[8] = {}; // the system's reason for each open, in the order below
    auto base = Reader::open(pipeline::fichier_base, erreurs[0]);
    auto f_x = Reader::open(pipeline::fichier_x, erreurs[1]);
    auto f_y = Reader::open(pipeline::fichier_y, erreurs[2]);
    auto f_z = Reader::open(pipeline::fichier_z, erreurs[3]);
    auto f_color = Reader::open(pipeline::fichier_color, erreurs[4]);
    auto cloud = Writer::open(pipeline::fichier_cloud, "w", erreurs[5]);
    auto cloud_m = Writer::open("cloud.m", "w", erreurs[6]);
    auto log = Writer::open(pipeline::fichier_log, "a+", erreurs[7]);
    if (!log) {
        ecran.text("impossible d'ouvrir le fichier log.txt\n");
        pipeline::diagnose_file(ecran, programme, "impossible d'ouvrir", pipeline::fichier_log, erreurs[7]);
        return 1;
    }
    pipeline::log_entry(*log, "execution delimiter\n");
    const std::pair<bool, const char*> ouvertures[] = {
        {base.has_value(), pipeline::fichier_base},   {f_x.has_value(), pipeline::fichier_x},
        {f_y.has_value(), pipeline::fichier_y},       {f_z.has_value(), pipeline::fichier_z},
        {f_color.has_value(), pipeline::fichier_color}, {cloud.has_value(), pipeline::fichier_cloud},
        {cloud_m.has_value(), "cloud.m"},
    };
    for (int k = 0; k < 7; ++k)
        if (const auto [ouvert, nom] = ouvertures[k]; !ouvert) {
            pipeline::report_failure(ecran, *log, std::string("impossible d'ouvrir le fichier ") + nom + "\n");
            pipeline::diagnose_file(ecran, programme, "impossible d'ouvrir", nom, erreurs[k]);
            return 1;
        }

    // base.txt without a complete frame (framefit empties it when it fails):
    // cloud.txt and cloud.m are left empty.
    auto sans_cadre = [&](const char* manque, bool vide = false) {
        pipeline::log_entry(*log, std::string("impossible de lire ") + manque + "\n");
        pipeline::diagnose(ecran, programme,
                           (vide ? std::string("base.txt est vide (framefit le vide quand il echoue)")
                                 : std::string("base.txt ne donne pas ") + manque) +
                               " : cloud.txt et cloud.m sont laisses vides");
        return 1;
    };
    Point translat{};
    double rotX = 0, rotY = 0, rotZ = 0, echelle = 0;
    if (const int lus = base->scan("%lf %lf %lf\n", translat[0], translat[1], translat[2]); lus != 3)
        return sans_cadre("le vecteur translation", lus == pipeline::fin_de_fichier);
    const int lecture_rotation = base->scan("%lf %lf %lf", rotX, rotY, rotZ);
    if (lecture_rotation != 3)
        return sans_cadre("le vecteur rotation");
    if (base->scan("%lf", echelle) != 1 || !echelleValide(echelle))
        return sans_cadre("l'echelle");
    ecran.print("%d\n", lecture_rotation);
    ecran.print("rotX %lf, rotY %lf, rotZ %lf, echelle %lf\n", rotX, rotY, rotZ, echelle);
    ecran.print("transX %lf, transY %lf, transZ %lf\n", translat[0], translat[1], translat[2]);
    const Matrice mat_rot = matriceRotation(rotX, rotY, rotZ);

    cloud_m->text("X=[];Y=[];Z=[];\n");
    cloud_m->text("r=[];g=[];b=[];\n");
    Nuage nuage{std::move(*f_x), std::move(*f_y), std::move(*f_z), std::move(*f_color)};
    const Bilan bilan = delimiterNuage(nuage, translat, mat_rot, echelle, *cloud, *cloud_m);
    ecran.print("%d/%d", bilan.ij, bilan.counti);
    pipeline::log_entry(*log).print("%d/%d points dans le cadre.\n", bilan.ij, bilan.counti);

    for (auto [sortie, nom] : {std::pair{&*cloud, pipeline::fichier_cloud}, std::pair{&*cloud_m, "cloud.m"}})
        if (!sortie->close()) {
            ecran.text("\n"); // after the count that ends without a line end
            pipeline::report_failure(ecran, *log, std::string("erreur d'ecriture dans ") + nom + "\n");
            pipeline::diagnose_file(ecran, programme, "impossible d'ecrire", nom, sortie->error());
            return 1;
        }
    const std::string fautif = bilan.fichier_fautif ? std::string(bilan.fichier_fautif) +
                                                          " incomplet ou mal forme au point " +
                                                          std::to_string(bilan.counti + 1) + ", lecture arretee"
                                                    : "";
    if (bilan.fichier_fautif) {
        ecran.text("\n");
        pipeline::report_failure(ecran, *log, "Attention : " + fautif + "\n");
    }
    if (!log->close())
        pipeline::diagnose_file(ecran, programme, "impossible d'ecrire", pipeline::fichier_log, log->error());
    if (bilan.fichier_fautif) {
        pipeline::diagnose(ecran, programme, "attention : " + fautif + " : cloud.txt a les points d'avant");
        return 2;
    }
    return 0;
}
