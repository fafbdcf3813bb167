// reliefstat run as a user runs it, in a fresh directory holding grille.txt:
// its status, its screen and every file it leaves, byte for byte.
#include "tests/support/program_run.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

using program_test::run;
using program_test::WorkDir;

namespace {

std::string ecran(const std::string& moy, const std::string& RMS)
{
    return "\nLa moyenne des altitudes des points reels detectes ( definissant le plan moyen) est moy=" + moy +
           " cm\n\nL'ecart quadratique moyen des hauteurs est RMS=" + RMS +
           " cm\nCette valeur est a comparer avec celle obtenue apres execution du script matlab HR.m ";
}

const std::string debut = "clear all;\nclose all;\nclc;\n";

std::string visu_2x2(const std::string& cellules)
{
    return debut + "GRILLE=zeros(2,2);\n" + cellules +
           "for i=1:2\n \tfor j=1:2\n \t\tif GRILLE(i,j)==10000\n \t\t\tGRILLE(i,j)=0;\n \t\tend\n \tend\n end\n"
           "[X,Y] = meshgrid(0:1, 0:1);\n surf(X,Y,GRILLE)\n axis equal\n";
}

std::string HR(const std::string& R, const std::string& points)
{
    return debut + "r=zeros(1," + R + ");\n Hr=zeros(1," + R + ");\n" + points + "r=r(1:" + R + ");\nHr=Hr(1:" + R +
           ");\nF=@(X,Xdata) 2*X(1)*X(1)*(1-exp(-Xdata/X(2)));\nx0=[1 1];\n"
           "[x,resnorm,~,exitflag,output] = lsqcurvefit(F,x0,r,Hr);\n"
           "disp('Voici les r\xE9sulats des calculs de rugosit\xE9 de la surface \xE9tudi\xE9"
           "e.')\ndisp('La longueur de corr\xE9lation de la surface \xE9tudi\xE9"
           "e est (en cm):')\nlongueur_corr_fit=x(2)\n"
           "disp(' L''ecart quadratique moyen des hauteurs est (en cm):')\nRMS_fit=x(1)\n"
           "figure;\nstem(r,Hr,'r');hold on\nplot(r,F(x,r))\nxlim([0 " +
           R + "])\nhold off\nxlabel('R en cm');\nylabel('H(R) en cm2 ');\n"
           "title('fonction de correlation hauteur-hauteur');\n"
           "legend('resultat experimental','courbe ajustee au sens de la methode des moindres carres');\n";
}

} // namespace

// Runs that end well: the screen, standard error and the files named, out of
// the ten each run leaves. An HR.m of an earlier run is replaced, not added to.
TEST(Programme, RunsCompletsFichierParFichier)
{
    const std::string grille = "1x1x1.0\n1\n2\n3\n10000\n";
    const std::string en_trop = "reliefstat : attention : grille.txt contient ";
    const struct {
        std::string grille, moy, RMS, err;
        std::map<std::string, std::string> fichiers;
    } cas[] = {
        // Read column by column; two rows: separation 1 is never visited, no pair.
        {grille, "2.000000", "0.816497", "",
         {{"GRILLE.txt", "1.000000\t3.000000\n2.000000\t10000.000000\n"},
          {"GRILLE_CENTREE.txt", "-1.000000\t1.000000\n0.000000\t10000.000000\n"},
          {"vecr.txt", "0.000000\n"},
          {"Hr.txt", "-nan\n"},
          {"f.txt", "0.000000\n"},
          {"c.txt", "0.000000\n"},
          {"HR.m", HR("0", "")},
          {"visu_grille_initiale.m", visu_2x2("GRILLE(1,1)=1.000000;\nGRILLE(1,2)=3.000000;\n"
                                              "GRILLE(2,1)=2.000000;\nGRILLE(2,2)=10000.000000;\n")},
          {"visu_grille.m", visu_2x2("GRILLE(1,1)=-1.000000;\nGRILLE(1,2)=1.000000;\n"
                                     "GRILLE(2,1)=0.000000;\nGRILLE(2,2)=10000.000000;\n")}}},
        // Rows (0,3,6), (1,4,7), (2,5,8): six pairs along rows with difference 3,
        // three down the columns (row 2 is never a neighbour). The entry without
        // pairs is not handed to the fit.
        {"2x2x0.5\n0\n1\n2\n3\n4\n5\n6\n7\n8\n", "4.000000", "2.581989", "",
         {{"vecr.txt", "57.000000\t0.000000\n"},
          {"c.txt", "9.000000\t0.000000\n"},
          {"Hr.txt", "6.333333\t-nan\n"},
          {"f.txt", "0.000000\t0.000000\n"},
          {"HR.m", HR("1", "r(1)=0.500000;\nHr(1)=6.333333;\n")}}},
        // 10000.5 counts in the mean and its count, is empty in the centred grid
        // and adds nothing to the RMS sum, whose denominator still counts it.
        {"1x1x1.0\n1\n2\n3\n10000.5\n", "2501.625000", "2164.738865", "",
         {{"GRILLE_CENTREE.txt", "-2500.625000\t-2498.625000\n-2499.625000\t10000.000000\n"}}},
        // Heights past those announced: read as before, standard error counts them.
        {grille + "7 8\n", "2.000000", "0.816497",
         en_trop + "2 hauteurs de plus que les 4 annoncees par son en-tete (2 x 2) : elles ne sont pas lues\n",
         {{"GRILLE.txt", "1.000000\t3.000000\n2.000000\t10000.000000\n"}}},
        {grille + "7 fin\n", "2.000000", "0.816497",
         en_trop + "1 hauteur de plus que les 4 annoncees par son en-tete (2 x 2), puis un texte qui n'est pas un "
                   "nombre : rien de cela n'est lu\n",
         {}},
        {grille + "fin", "2.000000", "0.816497",
         en_trop + "apres les 4 hauteurs annoncees par son en-tete (2 x 2) un texte qui n'est pas un nombre : il "
                   "n'est pas lu\n",
         {}},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.grille);
        WorkDir dir;
        dir.write("grille.txt", c.grille);
        dir.write("HR.m", "% the script of an earlier run\n");
        const auto r = run("reliefstat", {"ignore", "-x"}, dir);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, ecran(c.moy, c.RMS));
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(dir.files().size(), 10u);
        for (const auto& [nom, octets] : c.fichiers)
            EXPECT_EQ(dir.read(nom), octets) << nom;
    }
}

// Grids refused, files that can't be opened or written: the screen, standard
// error, the files left. A script that can't be opened is told and skipped; a
// result file that can't be written is told, the run goes on and ends with status 1.
TEST(Programme, Echecs)
{
    const std::string exemple = " : il doit donner les deux nombres de pas et le pas, par exemple 200x200x0.500000";
    const std::string illisible = "En-tete illisible dans le fichier grille.txt" + exemple;
    const std::string pas_fini = " une hauteur qui n'est pas un nombre fini (";
    const char* bonne = "1x1x1.0\n1\n2\n3\n10000\n";
    const std::string ouvrir = "Impossible d'ouvrir le fichier grille.txt";
    const struct {
        const char* grille; // none when null
        std::string bloque; // a name taken by a directory, or by /dev/full after ">"
        int status;
        std::string message, raison; // on the screen; on standard error after "reliefstat : "
        std::size_t fichiers;        // grille.txt included
    } cas[] = {
        {"1x1\n1\n2\n3\n4\n", "", 1, illisible + "\n", "en-tete illisible dans grille.txt" + exemple, 1},
        {"-1x2x1.0\n", "", 1, "En-tete invalide dans le fichier grille.txt : nombre de pas negatif (-1x2)\n",
         "en-tete invalide dans grille.txt : nombre de pas negatif (-1x2)", 1},
        {"3x2x1.0\n1\n2\n3\n4\n5\n6\n", "", 1,
         "Le fichier grille.txt ne contient que 6 hauteurs lisibles, son en-tete en annonce 12 (4 x 3)\n",
         "grille.txt ne contient que 6 hauteurs lisibles, son en-tete en annonce 12 (4 x 3) : aucun fichier n'est ecrit",
         1},
        {"1x1x1.0\n1\n2\n3\nnon\n", "", 1, // only the last height unreadable
         "Le fichier grille.txt ne contient que 3 hauteurs lisibles, son en-tete en annonce 4 (2 x 2)\n",
         "grille.txt ne contient que 3 hauteurs lisibles, son en-tete en annonce 4 (2 x 2) : aucun fichier n'est ecrit",
         1},
        // A height that is no finite number would make every figure nan.
        {"1x1x1.0\n1\n2\nnan\n4\n", "", 1, "Le fichier grille.txt contient a la ligne 4" + pas_fini + "nan)\n",
         "grille.txt, ligne 4 : la hauteur nan n'est pas un nombre fini : aucun fichier n'est ecrit", 1},
        {"0x1x1.0 5 -inf\n", "", 1, "Le fichier grille.txt contient a la ligne 1" + pas_fini + "-inf)\n",
         "grille.txt, ligne 1 : la hauteur -inf n'est pas un nombre fini : aucun fichier n'est ecrit", 1},
        {"0x1x1.0\n\n1e400 1\n", "", 1, "Le fichier grille.txt contient a la ligne 3" + pas_fini + "inf)\n",
         "grille.txt, ligne 3 : la hauteur inf n'est pas un nombre fini : aucun fichier n'est ecrit", 1},
        {"99999x99999999x1.0\n1\n", "", 1, "erreur resa ligneserreur alloc mat1",
         "memoire insuffisante pour la grille de 100000 x 100000000 cases de grille.txt", 1},
        {"2147483647x0x1.0\n1\n", "", 1, "erreur resa matriceerreur alloc mat1",
         "memoire insuffisante pour la grille de 2147483648 x 1 cases de grille.txt", 1},
        {"1x0x1.0\n10000\n10000.000000\n", "", 1,
         "Aucun point reel dans la grille : toutes ses hauteurs valent 10000, la moyenne et l'ecart quadratique "
         "moyen ne peuvent pas etre calcules\n",
         "aucun point reel dans grille.txt : toutes ses hauteurs valent 10000 (case vide)", 2}, // visu_grille_initiale.m
        {nullptr, "", 1, ouvrir, "impossible d'ouvrir grille.txt : No such file or directory", 0},
        {nullptr, "grille.txt", 1, ouvrir, "impossible d'ouvrir grille.txt : Is a directory", 0},
        {bonne, "HR.m", 0, ecran("2.000000", "0.816497") + "Impossible d'ouvrir le fichier HR.m",
         "impossible d'ouvrir HR.m : Is a directory", 9},
        {bonne, "GRILLE.txt", 1, "Impossible d'ecrire le fichier GRILLE.txt" + ecran("2.000000", "0.816497"),
         "impossible d'ecrire GRILLE.txt : Is a directory", 9},
        {bonne, ">GRILLE.txt", 1, "Impossible d'ecrire le fichier GRILLE.txt" + ecran("2.000000", "0.816497"),
         "impossible d'ecrire GRILLE.txt : No space left on device", 9},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.raison);
        WorkDir dir;
        if (c.grille)
            dir.write("grille.txt", c.grille);
        if (c.bloque.starts_with(">"))
            std::filesystem::create_symlink("/dev/full", dir.path() / c.bloque.substr(1));
        else if (!c.bloque.empty())
            std::filesystem::create_directory(dir.path() / c.bloque);
        const auto r = run("reliefstat", {}, dir);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.message);
        EXPECT_EQ(r.err, "reliefstat : " + c.raison + "\n");
        EXPECT_EQ(dir.files().size(), c.fichiers);
    }
}
