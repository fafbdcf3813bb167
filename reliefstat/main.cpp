// reliefstat: reads the height grid grille.txt of the working directory, prints
// the mean plane and the RMS height, writes the grid and the centred grid, the
// height-height correlation function and the MATLAB scripts that draw the grids
// and fit the correlation length. No argument.
#include "common/command_line.hpp"
#include "reliefstat/correlation.hpp"
#include "common/line_io.hpp"
#include "reliefstat/matrice.hpp"
#include "common/grid.hpp"
#include "common/pipeline_files.hpp"
#include "common/regle_arret.hpp"
#include "reliefstat/scripts.hpp"
#include "reliefstat/statistiques.hpp"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

using namespace reliefstat;
using pipeline::Writer;

namespace {

constexpr const char* usage =
    "usage : reliefstat\n"
    "  Lit la grille de hauteurs, affiche la hauteur moyenne et l'ecart quadratique moyen,\n"
    "  calcule la fonction de correlation hauteur-hauteur et ecrit les scripts du rapport.\n"
    "Lit : grille.txt (10000 marque une case vide ; une hauteur nan ou inf est refusee).\n"
    "Ecrit : GRILLE.txt, GRILLE_CENTREE.txt, vecr.txt, Hr.txt, f.txt, c.txt, HR.m,\n"
    "  visu_grille_initiale.m, visu_grille.m. Ne touche pas au journal log.txt.\n"
    "Statut de sortie : 0 fait ; 1 grille.txt illisible ou incomplet, une hauteur qui n'est pas un\n"
    "  nombre fini, une matrice ne peut etre allouee ou un fichier ne peut etre ecrit.\n";

constexpr const char* programme = "reliefstat";

// Writes a result file; tells when it can't, and the run goes on.
bool ecrireResultat(const Matrice& matrice, int nbLignes, int nbColonnes, const char* nom, Writer& ecran)
{
    int erreur = 0;
    if (matrice2file(matrice, nbLignes, nbColonnes, nom, erreur))
        return true;
    ecran.print("Impossible d'ecrire le fichier %s", nom);
    pipeline::diagnose_file(ecran, programme, "impossible d'ecrire", nom, erreur);
    return false;
}

// A failure: its message on the screen as it has always been, then why in one
// line on standard error; gives the status.
int echec(Writer& ecran, const std::string& message, const std::string& raison)
{
    ecran.text(message);
    pipeline::diagnose(ecran, programme, raison);
    return 1;
}

std::string taille(long long lignes, long long colonnes)
{
    return std::to_string(lignes) + " x " + std::to_string(colonnes);
}

// The notice of what follows the N x M heights of grille.txt.
std::string avisSurplus(const pipeline::Surplus& surplus, int N, int M)
{
    const std::string annonce =
        std::to_string(static_cast<long long>(N) * M) + " annoncees par son en-tete (" + taille(N, M) + ")";
    const std::string texte = "un texte qui n'est pas un nombre";
    std::string avis = "attention : grille.txt contient ";
    if (surplus.hauteurs == 0)
        return avis + "apres les " + std::to_string(static_cast<long long>(N) * M) + " hauteurs" +
               annonce.substr(annonce.find(' ')) + " " + texte + " : il n'est pas lu";
    avis += std::to_string(surplus.hauteurs) + (surplus.hauteurs == 1 ? " hauteur" : " hauteurs") +
            " de plus que les " + annonce;
    if (surplus.autre_chose)
        return avis + ", puis " + texte + " : rien de cela n'est lu";
    return avis + (surplus.hauteurs == 1 ? " : elle n'est pas lue" : " : elles ne sont pas lues");
}

// 0 when all N x M heights were read, or the status after telling why not.
int verifierHauteurs(const pipeline::LectureHauteurs& lecture, int N, int M, Writer& ecran)
{
    const long long annoncees = static_cast<long long>(N) * M;
    if (lecture.non_finie) {
        // Rare: the file is read once more to name the line.
        auto relue = pipeline::Reader::open(pipeline::fichier_grille);
        const std::string ligne = relue ? std::to_string(pipeline::ligneDeHauteur(*relue, lecture.lues)) : "?";
        Writer valeur = Writer::in_memory();
        valeur.print("%lf", lecture.valeur);
        const std::string texte = valeur.memory_text();
        return echec(ecran,
                     "Le fichier grille.txt contient a la ligne " + ligne +
                         " une hauteur qui n'est pas un nombre fini (" + texte + ")\n",
                     "grille.txt, ligne " + ligne + " : la hauteur " + texte +
                         " n'est pas un nombre fini : aucun fichier n'est ecrit");
    }
    if (lecture.lues < annoncees) {
        const std::string lues = std::to_string(lecture.lues), annonce = std::to_string(annoncees);
        return echec(ecran,
                     "Le fichier grille.txt ne contient que " + lues + " hauteurs lisibles, son en-tete en annonce " +
                         annonce + " (" + taille(N, M) + ")\n",
                     "grille.txt ne contient que " + lues + " hauteurs lisibles, son en-tete en annonce " + annonce +
                         " (" + taille(N, M) + ") : aucun fichier n'est ecrit");
    }
    return 0;
}

// Reads grille.txt into GRILLE; 0, or the status after telling why it can't
// be read. What follows its heights is told on standard error only.
int lireGrille(Matrice& GRILLE, double& pas, std::uint64_t& memoire, Writer& ecran)
{
    int erreur = 0;
    auto grille = pipeline::Reader::open(pipeline::fichier_grille, &erreur);
    if (!grille) {
        ecran.print("Impossible d'ouvrir le fichier grille.txt");
        pipeline::diagnose_file(ecran, programme, "impossible d'ouvrir", pipeline::fichier_grille, erreur);
        return 1;
    }
    pipeline::EnTeteGrille en_tete;
    switch (pipeline::lireEnTete(*grille, en_tete)) {
    case pipeline::LectureEnTete::lu:
        break;
    case pipeline::LectureEnTete::illisible:
        return echec(ecran,
                     "En-tete illisible dans le fichier grille.txt : il doit donner les deux nombres de pas et le "
                     "pas, par exemple 200x200x0.500000\n",
                     "en-tete illisible dans grille.txt : il doit donner les deux nombres de pas et le pas, par "
                     "exemple 200x200x0.500000");
    case pipeline::LectureEnTete::negatif: {
        const std::string compte = std::to_string(en_tete.pas_lignes) + "x" + std::to_string(en_tete.pas_colonnes);
        return echec(ecran, "En-tete invalide dans le fichier grille.txt : nombre de pas negatif (" + compte + ")\n",
                     "en-tete invalide dans grille.txt : nombre de pas negatif (" + compte + ")");
    }
    }
    pas = en_tete.pas;
    const long long lignes = en_tete.pas_lignes + 1LL, colonnes = en_tete.pas_colonnes + 1LL;
    if (!reserverMatrice(lignes, colonnes, GRILLE, memoire, ecran))
        return echec(ecran, "erreur alloc mat1",
                     "memoire insuffisante pour la grille de " + taille(lignes, colonnes) + " cases de grille.txt");
    const int N = GRILLE.lignes();
    const int M = GRILLE.colonnes();
    const pipeline::LectureHauteurs lecture =
        pipeline::lireHauteurs(*grille, N, M, std::span<double>(GRILLE[0], static_cast<std::size_t>(N) * M));
    if (const int statut = verifierHauteurs(lecture, N, M, ecran))
        return statut;
    if (const pipeline::Surplus surplus = pipeline::lireSurplus(*grille); surplus.hauteurs > 0 || surplus.autre_chose)
        pipeline::diagnose(ecran, programme, avisSurplus(surplus, N, M));
    return 0;
}

// The vectors of the correlation function, one entry per separation.
struct Correlation {
    Matrice delta_z_square, vecr, nombre_delta_z_par_rayon, Hr;
};

// Sums the correlation function of the centred grid; false after telling that
// its vectors can't be had.
bool calculerCorrelation(const Matrice& GRILLE_CENTREE, Correlation& c, std::uint64_t& memoire, Writer& ecran)
{
    const int N = GRILLE_CENTREE.lignes();
    const struct {
        Matrice& vecteur;
        const char* message;
    } vecteurs[] = {
        {c.delta_z_square, "erreur alloc f (calcul de longueur de correlation)"},
        {c.vecr, "erreur alloc vecr (calcul de longueur de correlation)"},
        {c.nombre_delta_z_par_rayon, "erreur alloc c (calcul de longueur de correlation)"},
        {c.Hr, "erreur alloc Hr (calcul de longueur de correlation)"},
    };
    for (const auto& v : vecteurs)
        if (!reserverMatrice(1, N - 1, v.vecteur, memoire, ecran)) {
            echec(ecran, v.message,
                  "memoire insuffisante pour les vecteurs de la fonction de correlation (" + std::to_string(N - 1) +
                      " rayons)");
            return false;
        }
    accumulerCorrelation(GRILLE_CENTREE, c.vecr.ligne(0), c.nombre_delta_z_par_rayon.ligne(0));
    fonctionCorrelation(c.vecr.ligne(0), c.nombre_delta_z_par_rayon.ligne(0), c.Hr.ligne(0));
    return true;
}

// vecr.txt, Hr.txt, f.txt and c.txt; false when one can't be written.
bool ecrireCorrelation(const Correlation& c, int N, Writer& ecran)
{
    bool ecrits = ecrireResultat(c.vecr, 1, N - 1, "vecr.txt", ecran);
    ecrits &= ecrireResultat(c.Hr, 1, N - 1, "Hr.txt", ecran);
    ecrits &= ecrireResultat(c.delta_z_square, 1, N - 1, "f.txt", ecran);
    ecrits &= ecrireResultat(c.nombre_delta_z_par_rayon, 1, N - 1, "c.txt", ecran);
    return ecrits;
}

// HR.m, with the radii of the entries worth fitting; false after telling that
// they can't be had.
bool ecrireAjustement(const Correlation& c, double pas, std::uint64_t& memoire, Writer& ecran)
{
    const int RMAX_OBSERVATION = pipeline::rayonMaxObservation(c.Hr.ligne(0), c.nombre_delta_z_par_rayon.ligne(0));
    Matrice r3D;
    if (!reserverMatrice(1, RMAX_OBSERVATION, r3D, memoire, ecran)) {
        echec(ecran, "erreur alloc mat1",
              "memoire insuffisante pour les " + std::to_string(RMAX_OBSERVATION) + " rayons de HR.m");
        return false;
    }
    rayons(pas, r3D.ligne(0));
    ecrireScript(fichier_HR, ecran,
                 [&](Writer& s) { creationfichierm(s, r3D.ligne(0), c.Hr.ligne(0), RMAX_OBSERVATION); });
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    Writer ecran = Writer::standard_output();
    if (pipeline::answered_help(argc, argv, ecran, usage))
        return 0;
    std::uint64_t memoire = memoire_utilisable();
    Matrice GRILLE;
    double pas = 0.0;
    if (const int statut = lireGrille(GRILLE, pas, memoire, ecran))
        return statut;
    const int N = GRILLE.lignes(), M = GRILLE.colonnes();
    ecrireScript(fichier_visu_grille_initiale, ecran, [&](Writer& s) { ecrireVisuGrille(s, GRILLE); });

    const SommeReelle somme = sommer_points_reels(GRILLE);
    if (somme.nbr_point_reel == 0)
        return echec(ecran,
                     "Aucun point reel dans la grille : toutes ses hauteurs valent 10000, la moyenne et l'ecart "
                     "quadratique moyen ne peuvent pas etre calcules\n",
                     "aucun point reel dans grille.txt : toutes ses hauteurs valent 10000 (case vide)");
    bool resultats_ecrits = ecrireResultat(GRILLE, N, M, "GRILLE.txt", ecran);
    const double moy = somme.somme / static_cast<double>(somme.nbr_point_reel);
    ecran.print("\nLa moyenne des altitudes des points reels detectes ( definissant le plan moyen) est moy=%lf cm\n",
                moy);
    Matrice GRILLE_CENTREE;
    if (!reserverMatrice(N, M, GRILLE_CENTREE, memoire, ecran))
        return echec(ecran, "erreur alloc mat1",
                     "memoire insuffisante pour la grille centree de " + taille(N, M) + " cases");
    centrer(GRILLE, moy, GRILLE_CENTREE);
    resultats_ecrits &= ecrireResultat(GRILLE_CENTREE, N, M, "GRILLE_CENTREE.txt", ecran);
    const double RMS = ecart_quadratique(GRILLE, GRILLE_CENTREE, somme.nbr_point_reel);
    ecran.print("\nL'ecart quadratique moyen des hauteurs est RMS=%lf cm\n", RMS);
    ecran.print("Cette valeur est a comparer avec celle obtenue apres execution du script matlab HR.m ");

    Correlation correlation;
    if (!calculerCorrelation(GRILLE_CENTREE, correlation, memoire, ecran))
        return 1;
    resultats_ecrits &= ecrireCorrelation(correlation, N, ecran);
    if (!ecrireAjustement(correlation, pas, memoire, ecran))
        return 1;
    ecrireScript(fichier_visu_grille, ecran, [&](Writer& s) { ecrireVisuGrille(s, GRILLE_CENTREE); });
    return resultats_ecrits ? 0 : 1;
}
