// Reading grille.txt, and the exact text of the scripts.
#include "grille.hpp"
#include "scripts.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using namespace reliefstat;
using pipeline::Reader;

TEST(Grille, EnTetes)
{
    const struct {
        const char* texte;
        LectureEnTete attendu;
    } cas[] = {
        {"200x200x0.500000\n", LectureEnTete::lu}, {"39x24x2.0\n", LectureEnTete::lu},
        {"0x0x1", LectureEnTete::lu},             {"3x2\n1\n", LectureEnTete::illisible},
        {"3 x 2 x 1\n", LectureEnTete::illisible}, {"", LectureEnTete::illisible},
        {"x2x1\n", LectureEnTete::illisible},     {"-1x2x1.0\n", LectureEnTete::negatif},
        {"2x-5x1.0\n", LectureEnTete::negatif},
    };
    for (const auto& c : cas) {
        auto r = Reader::over_text(c.texte);
        EnTete e;
        EXPECT_EQ(lireEnTete(r, e), c.attendu) << c.texte;
    }
    auto r = Reader::over_text("200x3x0.500000\n");
    EnTete e;
    lireEnTete(r, e);
    EXPECT_EQ(e.pas_lignes, 200);
    EXPECT_EQ(e.pas_colonnes, 3);
    EXPECT_EQ(e.pas, 0.5);
}

TEST(Grille, HauteursColonneParColonne)
{
    // The k-th height lands in row k mod N, column k div N; extra heights stay unread.
    auto r = Reader::over_text("1.0\n2\n  3\n4\n5 6\n7\n8\n");
    Matrice g(3, 2);
    EXPECT_EQ(lireHauteurs(r, g), 6);
    EXPECT_EQ((std::vector<double>{g[0][0], g[0][1], g[1][0], g[1][1], g[2][0], g[2][1]}),
              (std::vector<double>{1, 4, 2, 5, 3, 6}));
    std::string reste;
    r.read_line(reste);
    EXPECT_EQ(reste, "7\n");
    // A file that ends early or holds a word stops the count where it stands.
    for (const char* court : {"1\n2\n3\n", "1\n2\n3\nabc\n5\n6\n", "1\n2\n3\n-\n"}) {
        auto c = Reader::over_text(court);
        Matrice h(3, 2);
        EXPECT_EQ(lireHauteurs(c, h), 3) << court;
    }
}

TEST(Scripts, GrilleDeDeuxSurDeux)
{
    Matrice g(2, 2);
    g[0][0] = 1;
    g[0][1] = 3;
    g[1][0] = 2;
    g[1][1] = 10000;
    auto s = pipeline::Writer::in_memory();
    ecrireVisuGrille(s, g);
    EXPECT_EQ(s.memory_text(), "clear all;\nclose all;\nclc;\nGRILLE=zeros(2,2);\n"
                               "GRILLE(1,1)=1.000000;\nGRILLE(1,2)=3.000000;\n"
                               "GRILLE(2,1)=2.000000;\nGRILLE(2,2)=10000.000000;\n"
                               "for i=1:2\n \tfor j=1:2\n \t\tif GRILLE(i,j)==10000\n \t\t\tGRILLE(i,j)=0;\n"
                               " \t\tend\n \tend\n end\n"
                               "[X,Y] = meshgrid(0:1, 0:1);\n surf(X,Y,GRILLE)\n axis equal\n");
    Matrice large(1, 3);
    auto t = pipeline::Writer::in_memory();
    ecrireVisuGrille(t, large);
    EXPECT_NE(t.memory_text().find("GRILLE=zeros(1,3);\n"), std::string::npos);
    EXPECT_NE(t.memory_text().find("meshgrid(0:2, 0:0)"), std::string::npos); // X along the columns
}

namespace {
const std::string fin_HR = "F=@(X,Xdata) 2*X(1)*X(1)*(1-exp(-Xdata/X(2)));\nx0=[1 1];\n"
                           "[x,resnorm,~,exitflag,output] = lsqcurvefit(F,x0,r,Hr);\n"
                           "disp('Voici les r\xE9sulats des calculs de rugosit\xE9 de la surface \xE9tudi\xE9"
                           "e.')\n"
                           "disp('La longueur de corr\xE9lation de la surface \xE9tudi\xE9"
                           "e est (en cm):')\n"
                           "longueur_corr_fit=x(2)\n"
                           "disp(' L''ecart quadratique moyen des hauteurs est (en cm):')\n"
                           "RMS_fit=x(1)\nfigure;\nstem(r,Hr,'r');hold on\nplot(r,F(x,r))\n";
const std::string legende = "hold off\nxlabel('R en cm');\nylabel('H(R) en cm2 ');\n"
                            "title('fonction de correlation hauteur-hauteur');\n"
                            "legend('resultat experimental','courbe ajustee au sens de la methode des moindres "
                            "carres');\n";
} // namespace

TEST(Scripts, HR)
{
    const std::vector<double> r3D{0.5, 1.0, 1.5}, Hr{0.25, 0.5, std::numeric_limits<double>::quiet_NaN(), 7};
    auto s = pipeline::Writer::in_memory();
    creationfichierm(s, r3D, Hr, 3);
    EXPECT_EQ(s.memory_text(), "clear all;\nclose all;\nclc;\nr=zeros(1,3);\n Hr=zeros(1,3);\n"
                               "r(1)=0.500000;\nHr(1)=0.250000;\nr(2)=1.000000;\nHr(2)=0.500000;\n"
                               "r(3)=1.500000;\nHr(3)=nan;\nr=r(1:3);\nHr=Hr(1:3);\n" +
                                   fin_HR + "xlim([0 3])\n" + legende);
    auto vide = pipeline::Writer::in_memory();
    creationfichierm(vide, {}, {}, 0);
    EXPECT_EQ(vide.memory_text(), "clear all;\nclose all;\nclc;\nr=zeros(1,0);\n Hr=zeros(1,0);\nr=r(1:0);\n"
                                  "Hr=Hr(1:0);\n" +
                                      fin_HR + "xlim([0 0])\n" + legende);
}
