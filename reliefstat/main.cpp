// reliefstat: reads the height grid grille.txt of the working directory, prints
// the mean plane and the RMS height, writes the grid and the centred grid, the
// height-height correlation function and the MATLAB scripts that draw the grids
// and fit the correlation length. No argument; status 0 after a full run, 1
// after a failure.
#include "command_line.hpp"
#include "correlation.hpp"
#include "grille.hpp"
#include "line_io.hpp"
#include "matrice.hpp"
#include "pipeline_files.hpp"
#include "scripts.hpp"
#include "statistiques.hpp"

#include <string>

using namespace reliefstat;
using pipeline::Writer;

namespace {

constexpr const char* usage =
    "usage : reliefstat\n"
    "  Lit la grille de hauteurs, affiche la hauteur moyenne et l'ecart quadratique moyen,\n"
    "  calcule la fonction de correlation hauteur-hauteur et ecrit les scripts du rapport.\n"
    "Lit : grille.txt (10000 marque une case vide).\n"
    "Ecrit : GRILLE.txt, GRILLE_CENTREE.txt, vecr.txt, Hr.txt, f.txt, c.txt, HR.m,\n"
    "  visu_grille_initiale.m, visu_grille.m. Ne touche pas au journal log.txt.\n"
    "Statut de sortie : 0 fait ; 1 grille.txt illisible, une matrice ne peut etre allouee\n"
    "  ou un fichier ne peut etre ecrit.\n";

// Writes a result file; tells when it can't, and the run goes on.
bool ecrireResultat(const Matrice& matrice, int nbLignes, int nbColonnes, const char* nom, Writer& ecran)
{
    if (matrice2file(matrice, nbLignes, nbColonnes, nom))
        return true;
    ecran.print("Impossible d'ecrire le fichier %s", nom);
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    Writer ecran = Writer::standard_output();
    if (pipeline::is_help_request(argc, argv)) {
        ecran.text(usage);
        return 0;
    }
    std::uint64_t memoire = memoire_utilisable();

    auto grille = pipeline::Reader::open(pipeline::fichier_grille);
    if (!grille) {
        ecran.print("Impossible d'ouvrir le fichier grille.txt");
        return 1;
    }
    EnTete en_tete;
    switch (lireEnTete(*grille, en_tete)) {
    case LectureEnTete::lu:
        break;
    case LectureEnTete::illisible:
        ecran.print("En-tete illisible dans le fichier grille.txt : il doit donner les deux nombres de pas et le "
                    "pas, par exemple 200x200x0.500000\n");
        return 1;
    case LectureEnTete::negatif:
        ecran.print("En-tete invalide dans le fichier grille.txt : nombre de pas negatif (%dx%d)\n",
                    en_tete.pas_lignes, en_tete.pas_colonnes);
        return 1;
    }
    const double pas = en_tete.pas;

    Matrice GRILLE;
    if (!reserverMatrice(en_tete.pas_lignes + 1LL, en_tete.pas_colonnes + 1LL, GRILLE, memoire, ecran)) {
        ecran.print("erreur alloc mat1");
        return 1;
    }
    const int N = GRILLE.lignes();
    const int M = GRILLE.colonnes();
    const long long annoncees = static_cast<long long>(N) * M;
    const long long lues = lireHauteurs(*grille, GRILLE);
    if (lues < annoncees) {
        ecran.print("Le fichier grille.txt ne contient que %s hauteurs lisibles, son en-tete en annonce %s (%d x %d)\n",
                    std::to_string(lues), std::to_string(annoncees), N, M);
        return 1;
    }
    grille.reset();

    ecrireScript(fichier_visu_grille_initiale, ecran, [&](Writer& s) { ecrireVisuGrille(s, GRILLE); });

    const SommeReelle somme = sommer_points_reels(GRILLE);
    if (somme.nbr_point_reel == 0) {
        ecran.print("Aucun point reel dans la grille : toutes ses hauteurs valent 10000, la moyenne et l'ecart "
                    "quadratique moyen ne peuvent pas etre calcules\n");
        return 1;
    }
    bool resultats_ecrits = ecrireResultat(GRILLE, N, M, "GRILLE.txt", ecran);
    const double moy = somme.somme / static_cast<double>(somme.nbr_point_reel);
    ecran.print("\nLa moyenne des altitudes des points reels detectes ( definissant le plan moyen) est moy=%lf cm\n",
                moy);

    Matrice GRILLE_CENTREE;
    if (!reserverMatrice(N, M, GRILLE_CENTREE, memoire, ecran)) {
        ecran.print("erreur alloc mat1");
        return 1;
    }
    centrer(GRILLE, moy, GRILLE_CENTREE);
    resultats_ecrits &= ecrireResultat(GRILLE_CENTREE, N, M, "GRILLE_CENTREE.txt", ecran);
    const double RMS = ecart_quadratique(GRILLE, GRILLE_CENTREE, somme.nbr_point_reel);
    ecran.print("\nL'ecart quadratique moyen des hauteurs est RMS=%lf cm\n", RMS);
    ecran.print("Cette valeur est a comparer avec celle obtenue apres execution du script matlab HR.m ");

    Matrice delta_z_square, vecr, nombre_delta_z_par_rayon, Hr;
    const struct {
        Matrice& vecteur;
        const char* message;
    } vecteurs[] = {
        {delta_z_square, "erreur alloc f (calcul de longueur de correlation)"},
        {vecr, "erreur alloc vecr (calcul de longueur de correlation)"},
        {nombre_delta_z_par_rayon, "erreur alloc c (calcul de longueur de correlation)"},
        {Hr, "erreur alloc Hr (calcul de longueur de correlation)"},
    };
    for (const auto& v : vecteurs)
        if (!reserverMatrice(1, N - 1, v.vecteur, memoire, ecran)) {
            ecran.print("%s", v.message);
            return 1;
        }
    accumulerCorrelation(GRILLE_CENTREE, vecr.ligne(0), nombre_delta_z_par_rayon.ligne(0));
    fonctionCorrelation(vecr.ligne(0), nombre_delta_z_par_rayon.ligne(0), Hr.ligne(0));
    resultats_ecrits &= ecrireResultat(vecr, 1, N - 1, "vecr.txt", ecran);
    resultats_ecrits &= ecrireResultat(Hr, 1, N - 1, "Hr.txt", ecran);
    resultats_ecrits &= ecrireResultat(delta_z_square, 1, N - 1, "f.txt", ecran);
    resultats_ecrits &= ecrireResultat(nombre_delta_z_par_rayon, 1, N - 1, "c.txt", ecran);
    const int RMAX_OBSERVATION = rayonMaxObservation(Hr.ligne(0), nombre_delta_z_par_rayon.ligne(0));

    Matrice r3D;
    if (!reserverMatrice(1, RMAX_OBSERVATION, r3D, memoire, ecran)) {
        ecran.print("erreur alloc mat1");
        return 1;
    }
    rayons(pas, r3D.ligne(0));

    ecrireScript(fichier_HR, ecran, [&](Writer& s) { creationfichierm(s, r3D.ligne(0), Hr.ligne(0), RMAX_OBSERVATION); });
    ecrireScript(fichier_visu_grille, ecran, [&](Writer& s) { ecrireVisuGrille(s, GRILLE_CENTREE); });
    return resultats_ecrits ? 0 : 1;
}
