/* reliefstat as plain C: one fscanf per height, one fprintf per value of the
   result files and per line of the scripts, the correlation summed by the plain
   loop over cells and separations. Yardstick of the benchmark, for well-formed
   grids with at least one real cell. */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#define VIDE 10000.0

static int reel_tolerance(double h) { return fabs(h - VIDE) > 1.0; }

static void matrice2file(const double *m, int nl, int nc, const char *nom)
{
    FILE *f = fopen(nom, "w");
    for (int i = 0; i < nl; i++)
        for (int j = 0; j < nc; j++)
            fprintf(f, j + 1 < nc ? "%lf\t" : "%lf\n", m[(size_t)i * nc + j]);
    fclose(f);
}

static void visu_grille(const char *nom, const double *m, int N, int M)
{
    FILE *s = fopen(nom, "w+");
    fprintf(s, "clear all;\nclose all;\nclc;\nGRILLE=zeros(%d,%d);\n", N, M);
    for (int i = 1; i <= N; i++)
        for (int j = 1; j <= M; j++)
            fprintf(s, "GRILLE(%d,%d)=%lf;\n", i, j, m[(size_t)(i - 1) * M + j - 1]);
    fprintf(s, "for i=1:%d\n \tfor j=1:%d\n \t\tif GRILLE(i,j)==10000\n \t\t\tGRILLE(i,j)=0;\n \t\tend\n \tend\n end\n", N,
            M);
    fprintf(s, "[X,Y] = meshgrid(0:%d, 0:%d);\n surf(X,Y,GRILLE)\n axis equal\n", M - 1, N - 1);
    fclose(s);
}

int main(void)
{
    FILE *grille = fopen("grille.txt", "r");
    if (!grille) {
        printf("Impossible d'ouvrir le fichier grille.txt");
        return 1;
    }
    int N = 0, M = 0;
    double pas = 0;
    fscanf(grille, "%dx%dx%lf", &N, &M, &pas);
    N++;
    M++;
    double *G = calloc((size_t)N * M, sizeof *G), *C = calloc((size_t)N * M, sizeof *C);
    for (int j = 0; j < M; j++)
        for (int i = 0; i < N; i++)
            fscanf(grille, "%lf\n", &G[(size_t)i * M + j]);
    fclose(grille);
    visu_grille("visu_grille_initiale.m", G, N, M);

    double moy = 0;
    int nbr_point_reel = 0;
    for (size_t k = 0; k < (size_t)N * M; k++)
        if (G[k] != VIDE) {
            moy += G[k];
            nbr_point_reel++;
        }
    matrice2file(G, N, M, "GRILLE.txt");
    moy /= (double)nbr_point_reel;
    printf("\nLa moyenne des altitudes des points reels detectes ( definissant le plan moyen) est moy=%lf cm\n", moy);
    for (size_t k = 0; k < (size_t)N * M; k++)
        C[k] = reel_tolerance(G[k]) ? G[k] - moy : VIDE;
    matrice2file(C, N, M, "GRILLE_CENTREE.txt");
    double RMS = 0;
    for (size_t k = 0; k < (size_t)N * M; k++)
        if (reel_tolerance(G[k]))
            RMS += C[k] * C[k];
    RMS = sqrt(RMS / (double)nbr_point_reel);
    printf("\nL'ecart quadratique moyen des hauteurs est RMS=%lf cm\n", RMS);
    printf("Cette valeur est a comparer avec celle obtenue apres execution du script matlab HR.m ");

    /* Each pair once, from the lower index; the row pair first, then the column
       pair, summed into the cell's term of the separation. */
    int E = N - 1 > 0 ? N - 1 : 0;
    double *vecr = calloc((size_t)E + 1, sizeof *vecr), *nombre = calloc((size_t)E + 1, sizeof *nombre);
    double *Hr = calloc((size_t)E + 1, sizeof *Hr), *f = calloc((size_t)E + 1, sizeof *f);
    for (int i = 0; i < N; i++)
        for (int a = 0; a < M; a++) {
            double z = C[(size_t)i * M + a];
            if (!reel_tolerance(z))
                continue;
            for (int r = 1; r < N - 1; r++) {
                double d = 0;
                int paires = 0;
                if (a + r < M && reel_tolerance(C[(size_t)i * M + a + r])) {
                    double e = z - C[(size_t)i * M + a + r];
                    d += e * e;
                    paires++;
                }
                if (i + r < N - 1 && reel_tolerance(C[(size_t)(i + r) * M + a])) {
                    double e = z - C[(size_t)(i + r) * M + a];
                    d += e * e;
                    paires++;
                }
                if (paires) {
                    vecr[r - 1] += d;
                    nombre[r - 1] += paires;
                }
            }
        }
    for (int e = 0; e < E; e++)
        Hr[e] = vecr[e] / nombre[e];
    matrice2file(vecr, 1, E, "vecr.txt");
    matrice2file(Hr, 1, E, "Hr.txt");
    matrice2file(f, 1, E, "f.txt");
    matrice2file(nombre, 1, E, "c.txt");

    /* The fit takes the entries before the first run of four strict decreases,
       before the first entry without a pair, and at most 50. */
    int R = E, decroissant = 0;
    double ancienne_val = 0;
    for (int e = 0; e < E; e++) {
        decroissant = ancienne_val > Hr[e] ? decroissant + 1 : 0;
        if (decroissant == 4) {
            R = e - 3;
            break;
        }
        ancienne_val = Hr[e];
    }
    for (int e = 0; e < R; e++)
        if (nombre[e] == 0) {
            R = e;
            break;
        }
    if (R > 50)
        R = 50;

    FILE *s = fopen("HR.m", "w+");
    fprintf(s, "clear all;\nclose all;\nclc;\nr=zeros(1,%d);\n Hr=zeros(1,%d);\n", R, R);
    for (int i = 1; i <= R; i++)
        fprintf(s, "r(%d)=%lf;\nHr(%d)=%lf;\n", i, (double)i * pas, i, Hr[i - 1]);
    fprintf(s,
            "r=r(1:%d);\nHr=Hr(1:%d);\nF=@(X,Xdata) 2*X(1)*X(1)*(1-exp(-Xdata/X(2)));\nx0=[1 1];\n"
            "[x,resnorm,~,exitflag,output] = lsqcurvefit(F,x0,r,Hr);\n"
            "disp('Voici les r\xE9sulats des calculs de rugosit\xE9 de la surface \xE9tudi\xE9"
            "e.')\ndisp('La longueur de corr\xE9lation de la surface \xE9tudi\xE9"
            "e est (en cm):')\nlongueur_corr_fit=x(2)\n"
            "disp(' L''ecart quadratique moyen des hauteurs est (en cm):')\nRMS_fit=x(1)\nfigure;\n"
            "stem(r,Hr,'r');hold on\nplot(r,F(x,r))\nxlim([0 %d])\nhold off\nxlabel('R en cm');\n"
            "ylabel('H(R) en cm2 ');\ntitle('fonction de correlation hauteur-hauteur');\n"
            "legend('resultat experimental','courbe ajustee au sens de la methode des moindres carres');\n",
            R, R, R);
    fclose(s);
    visu_grille("visu_grille.m", C, N, M);
    free(G);
    free(C);
    free(vecr);
    free(nombre);
    free(Hr);
    free(f);
    return 0;
}
