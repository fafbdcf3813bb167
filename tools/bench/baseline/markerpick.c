/* markerpick as plain C: one fscanf per line of each input, one fprintf per
   output piece. Yardstick of the benchmark, for well-formed inputs. */
#include "log_time.h"
#include <stdlib.h>

static int proche(int r, int g, int b, const int code[3], double delta_c)
{
    return delta_c > abs(r - code[0]) && delta_c > abs(g - code[1]) && delta_c > abs(b - code[2]);
}

int main(int argc, char **argv)
{
    FILE *log = fopen("log.txt", "a+");
    FILE *f_color = fopen("f_color.txt", "r");
    log_time(log);
    fprintf(log, "execution markerpick\n");
    int code_rgb_o[3] = {230, 110, 30}, code_rgb_x[3] = {155, 25, 50}, code_rgb_y[3] = {180, 180, 105};
    double delta_c = 10.0;
    int erreur = 0;
    if (argc == 5) {
        int lo = sscanf(argv[1], "%d,%d,%d", &code_rgb_o[0], &code_rgb_o[1], &code_rgb_o[2]);
        int lx = sscanf(argv[2], "%d,%d,%d", &code_rgb_x[0], &code_rgb_x[1], &code_rgb_x[2]);
        int ly = sscanf(argv[3], "%d,%d,%d", &code_rgb_y[0], &code_rgb_y[1], &code_rgb_y[2]);
        int ld = sscanf(argv[4], "%lf", &delta_c);
        printf("coinO %i %i %i", code_rgb_o[0], code_rgb_o[1], code_rgb_o[2]);
        if (lo != 3 || lx != 3 || ly != 3 || ld != 1) {
            printf("Il manque un code rgb pour un ou plusieur coin(s)\n");
            log_time(log);
            fprintf(log, "Il manque un code rgb pour un ou plusieur coin(s)... arret du programme\n");
            erreur = -1;
        }
    } else {
        printf("Il manque un code rgb pour un ou plusieur coin(s)...\n...utilisation des parametres par defaut\n");
        log_time(log);
        fprintf(log, "Il manque un code rgb pour un ou plusieur coin(s)... utilisation des parametres par defaut\n");
    }
    if (!f_color) {
        printf("Le fichier n'existe pas\n");
        log_time(log);
        fprintf(log, "Le fichier f_color.txt n'a pas pu etre ouvert...arret du programme\n");
        return 0;
    }
    if (erreur)
        return erreur;
    FILE *f_x = fopen("f_x.txt", "r"), *f_y = fopen("f_y.txt", "r"), *f_z = fopen("f_z.txt", "r");
    FILE *pos_x = fopen("posX.m", "w"), *pos_y = fopen("posY.m", "w"), *pos_z = fopen("posZ.m", "w");
    FILE *color = fopen("color_coins.m", "w");
    FILE *coin_Y = fopen("coin_Y.txt", "w"), *coin_O = fopen("coin_O.txt", "w"), *coin_X = fopen("coin_X.txt", "w");
    FILE *nbr_point_coin = fopen("nbr_point_par_coin.txt", "w");
    printf("color.txt ouvert\n");
    fprintf(pos_x, "X=[");
    fprintf(pos_y, "Y=[");
    fprintf(pos_z, "Z=[");
    fprintf(color, "C=[");
    int r = 0, g = 0, b = 0, nbr_O = 0, nbr_X = 0, nbr_Y = 0;
    double x = 0, y = 0, z = 0;
    while (fscanf(f_color, "%d %d %d\n", &r, &g, &b) >= 1) {
        fscanf(f_x, "%lf\n", &x);
        fscanf(f_y, "%lf\n", &y);
        fscanf(f_z, "%lf\n", &z);
        FILE *coin;
        if (proche(r, g, b, code_rgb_x, delta_c)) {
            coin = coin_X;
            nbr_X++;
        } else if (proche(r, g, b, code_rgb_o, delta_c)) {
            coin = coin_O;
            nbr_O++;
        } else if (proche(r, g, b, code_rgb_y, delta_c)) {
            coin = coin_Y;
            nbr_Y++;
        } else
            continue;
        fprintf(coin, "%lf %lf %lf\n", x, y, z);
        fprintf(pos_x, "%lf ", x);
        fprintf(pos_y, "%lf ", y);
        fprintf(pos_z, "%lf ", z);
        fprintf(color, nbr_O + nbr_X + nbr_Y == 1 ? "[%d %d %d]" : ";[%d %d %d]", r, g, b);
    }
    fprintf(pos_x, "];");
    fprintf(pos_y, "];");
    fprintf(pos_z, "];");
    fprintf(color, "];");
    int total = nbr_O + nbr_X + nbr_Y;
    printf("Nombre de points par coins O:%d + X:%d + Y:%d = %d\n", nbr_O, nbr_X, nbr_Y, total);
    fprintf(nbr_point_coin, "%d %d %d\n", nbr_O, nbr_X, nbr_Y);
    log_time(log);
    fprintf(log, "Nombre de points par coins O:%d + X:%d + Y:%d = %d\n", nbr_O, nbr_X, nbr_Y, total);
    printf("Nombre de points trouves : %d\n", total);
    log_time(log);
    fprintf(log, "Fin du script markerpick\n\n");
    return 0;
}
