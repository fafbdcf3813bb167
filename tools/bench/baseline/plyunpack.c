/* plyunpack as plain C: one fscanf per vertex line, one fprintf per output
   line. Yardstick of the benchmark, for well-formed clouds of the classic
   layout. */
#include "log_time.h"

int main(void)
{
    FILE *log = fopen("log.txt", "w");
    FILE *stream = fopen("option-0000.ply", "r");
    log_time(log);
    fprintf(log, "execution plyunpack\n");
    if (!stream) {
        printf("Le fichier n'existe pas");
        log_time(log);
        fprintf(log, "Le fichier .ply n'a pas pu etre ouvert... arret du programme\n");
        return 1;
    }
    FILE *f_x = fopen("f_x.txt", "w");
    FILE *f_y = fopen("f_y.txt", "w");
    FILE *f_z = fopen("f_z.txt", "w");
    FILE *f_color = fopen("f_color.txt", "w");
    printf("ouverture du .ply ok\n");
    char chaine_tampon[1000];
    fgets(chaine_tampon, 1000, stream);
    fgets(chaine_tampon, 1000, stream);
    int nbr_points = 0;
    if (fscanf(stream, "element vertex %d\n", &nbr_points) != 1)
        nbr_points = 0;
    if (nbr_points <= 9999) {
        log_time(log);
        fprintf(log, "execution plyunpack\n");
    }
    for (int i = 0; i < 10; i++)
        fgets(chaine_tampon, 1000, stream);
    double x = 0, y = 0, z = 0, nx, ny, nz;
    int r = 0, g = 0, b = 0;
    for (int i = 0; i < nbr_points; i++) {
        if (fscanf(stream, "%lf %lf %lf %lf %lf %lf %d %d %d", &x, &y, &z, &nx, &ny, &nz, &r, &g, &b) != 9)
            break;
        fprintf(f_x, "%lf\n ", x);
        fprintf(f_y, "%lf\n ", y);
        fprintf(f_z, "%lf\n ", z);
        fprintf(f_color, "%d %d %d\n", r, g, b);
        fgets(chaine_tampon, 1000, stream);
    }
    log_time(log);
    fprintf(log, "fichier.ply ok, %d points extraits\n", nbr_points);
    fprintf(log, "Fin du script plyunpack\n\n");
    fclose(stream);
    fclose(f_x);
    fclose(f_y);
    fclose(f_z);
    fclose(f_color);
    fclose(log);
    return 0;
}
