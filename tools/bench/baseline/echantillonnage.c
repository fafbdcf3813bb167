/* echantillonnage as plain C: one fscanf per point of cloud.txt, one fprintf
   per output line. Yardstick of the benchmark, for well-formed inputs. */
#include "log_time.h"
#include <math.h>
#include <stdlib.h>

int main(int argc, char **argv)
{
    FILE *log = fopen("log.txt", "a+");
    log_time(log);
    fprintf(log, "execution echantillonnage\n");
    int nbr_pas = 200;
    double r = 0.2;
    if (argc == 3) {
        sscanf(argv[1], "%d", &nbr_pas);
        sscanf(argv[2], "%lf", &r);
        printf("chargement des parametres personnalises\n");
        log_time(log);
        fprintf(log, "chargement des parametres personnalises... nbr_pas=%d et r=%lf\n", nbr_pas, r);
    }
    double pas = 100.0 / nbr_pas;
    int n = nbr_pas + 1;
    double *grille = calloc((size_t)n * n, sizeof *grille);
    int *n_grille = calloc((size_t)n * n, sizeof *n_grille);
    FILE *cloud = fopen("cloud.txt", "r");
    if (!cloud) {
        printf("Le fichier n'existe pas\n");
        log_time(log);
        fprintf(log, "Echec lors de l'ouverture de cloud.txt, arret du programme.\n");
        return 1;
    }
    printf("Le fichier existe et est ouvert en lecture seule\n");
    double x, y, z;
    while (fscanf(cloud, "%lf %lf %lf", &x, &y, &z) == 3) {
        int x_g = (int)floor(x / pas + 0.5), y_g = (int)floor(y / pas + 0.5);
        double x_r = x / pas - x_g, y_r = y / pas - y_g;
        if (x_g < 0 || x_g > nbr_pas || y_g < 0 || y_g > nbr_pas)
            continue;
        if (r * r >= x_r * x_r + y_r * y_r) {
            grille[x_g * n + y_g] += z;
            n_grille[x_g * n + y_g]++;
        }
    }
    fclose(cloud);
    FILE *f = fopen("grille.txt", "w"), *m = fopen("grille.m", "w");
    fprintf(f, "%dx%dx%lf\n", nbr_pas, nbr_pas, pas);
    fprintf(m, "GRILLE=zeros(%d,%d);\n", n, n);
    fprintf(m, "GRILLE_X=zeros(%d,1);\n", n * n);
    fprintf(m, "GRILLE_Y=zeros(%d,1);\n", n * n);
    int points_vide = 0, a = 0;
    for (int i = 0; i < n; i++)
        for (int j = 0; j < n; j++) {
            double *g = &grille[i * n + j];
            a++;
            if (n_grille[i * n + j] < 1) {
                *g = 10000;
                points_vide++;
            } else
                *g /= n_grille[i * n + j];
            fprintf(f, "%lf\n", *g);
            fprintf(m, "GRILLE(%d,%d)=%lf;\nGRILLE_X(%d)=%d;\nGRILLE_Y(%d)=%d;\n", i + 1, j + 1, *g, a, i, a, j);
        }
    double vides = 100.0 * points_vide / ((double)n * n);
    printf("%lf%% de points vides", vides);
    log_time(log);
    fprintf(log, "%lf%% de points vides", vides);
    free(grille);
    free(n_grille);
    log_time(log);
    fprintf(log, "fin de echantillonnage");
    return 0;
}
