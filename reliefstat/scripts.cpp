#include "reliefstat/scripts.hpp"

#include "common/command_line.hpp"
#include "common/many_lines.hpp"

namespace reliefstat {

void ecrireVisuGrille(pipeline::Writer& script, const Matrice& grille)
{
    const int N = grille.lignes();
    const int M = grille.colonnes();
    script.text("clear all;\n");
    script.text("close all;\n");
    script.text("clc;\n");
    script.print("GRILLE=zeros(%d,%d);\n", N, M);
    pipeline::write_lines(script, N, static_cast<long long>(N) * M, [&](pipeline::Writer& w, int ligne) {
        const int i = ligne + 1;
        const double* valeurs = grille[ligne];
        for (int j = 1; j <= M; ++j)
            w.print("GRILLE(%d,%d)=%lf;\n", i, j, valeurs[j - 1]);
    });
    script.print("for i=1:%d\n \tfor j=1:%d\n \t\tif GRILLE(i,j)==10000\n \t\t\tGRILLE(i,j)=0;\n \t\tend\n \tend\n end\n",
                 N, M);
    script.print("[X,Y] = meshgrid(0:%d, 0:%d);\n surf(X,Y,GRILLE)\n axis equal\n", M - 1, N - 1);
}

void creationfichierm(pipeline::Writer& script, std::span<const double> r3D, std::span<const double> Hr3D,
                      int RMAX_OBSERVATION)
{
    const int R = RMAX_OBSERVATION;
    script.text("clear all;\n");
    script.text("close all;\n");
    script.text("clc;\n");
    script.print("r=zeros(1,%d);\n Hr=zeros(1,%d);\n", R, R);
    for (int i = 1; i <= R; ++i) {
        script.print("r(%d)=%lf;\n", i, r3D[i - 1]);
        script.print("Hr(%d)=%lf;\n", i, Hr3D[i - 1]);
    }
    script.print("r=r(1:%d);\n", R);
    script.print("Hr=Hr(1:%d);\n", R);
    script.text("F=@(X,Xdata) 2*X(1)*X(1)*(1-exp(-Xdata/X(2)));\n");
    script.text("x0=[1 1];\n");
    script.text("[x,resnorm,~,exitflag,output] = lsqcurvefit(F,x0,r,Hr);\n");
    // \xE9 is é in ISO 8859-1; a literal is split where é is followed by a hex digit.
    script.text("disp('Voici les r\xE9sulats des calculs de rugosit\xE9 de la surface \xE9tudi\xE9"
                "e.')\n");
    script.text("disp('La longueur de corr\xE9lation de la surface \xE9tudi\xE9"
                "e est (en cm):')\n");
    script.text("longueur_corr_fit=x(2)\n");
    script.text("disp(' L''ecart quadratique moyen des hauteurs est (en cm):')\n");
    script.text("RMS_fit=x(1)\n");
    script.text("figure;\n");
    script.text("stem(r,Hr,'r');hold on\n");
    script.text("plot(r,F(x,r))\n");
    script.print("xlim([0 %d])\n", R);
    script.text("hold off\n");
    script.text("xlabel('R en cm');\n");
    script.text("ylabel('H(R) en cm2 ');\n");
    script.text("title('fonction de correlation hauteur-hauteur');\n");
    script.text("legend('resultat experimental','courbe ajustee au sens de la methode des moindres carres');\n");
}

void ecrireScript(const char* nom, pipeline::Writer& ecran, const std::function<void(pipeline::Writer&)>& contenu)
{
    int erreur = 0;
    auto script = pipeline::Writer::open(nom, "w+", &erreur);
    if (!script) {
        ecran.print("Impossible d'ouvrir le fichier %s", nom);
        pipeline::diagnose_file(ecran, "reliefstat", "impossible d'ouvrir", nom, erreur);
        return;
    }
    contenu(*script);
    if (!script->close())
        pipeline::diagnose_file(ecran, "reliefstat", "impossible d'ecrire", nom, script->error());
}

} // namespace reliefstat
