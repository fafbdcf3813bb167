/* delimiter as plain C: one fscanf per value of the coordinate files and per
   colour line, one fprintf per output line. Yardstick of the benchmark, for
   well-formed inputs. */
#include "log_time.h"
#include <math.h>

int main(void)
{
    FILE *base = fopen("base.txt", "r");
    FILE *f_x = fopen("f_x.txt", "r"), *f_y = fopen("f_y.txt", "r"), *f_z = fopen("f_z.txt", "r");
    FILE *f_color = fopen("f_color.txt", "r");
    FILE *cloud = fopen("cloud.txt", "w"), *cloud_m = fopen("cloud.m", "w");
    FILE *log = fopen("log.txt", "a+");
    log_time(log);
    fprintf(log, "execution delimiter\n");
    double translat[3] = {0, 0, 0}, rotX = 0, rotY = 0, rotZ = 0, echelle = 0;
    if (fscanf(base, "%lf %lf %lf\n", &translat[0], &translat[1], &translat[2]) != 3) {
        log_time(log);
        fprintf(log, "impossible de lire le vecteur translation\n");
        return 1;
    }
    int lues = fscanf(base, "%lf %lf %lf", &rotX, &rotY, &rotZ);
    if (lues != 3) {
        log_time(log);
        fprintf(log, "impossible de lire le vecteur rotation\n");
        return 1;
    }
    fscanf(base, "%lf", &echelle);
    printf("%d\n", lues);
    printf("rotX %lf, rotY %lf, rotZ %lf, echelle %lf\n", rotX, rotY, rotZ, echelle);
    printf("transX %lf, transY %lf, transZ %lf\n", translat[0], translat[1], translat[2]);
    double cx = cos(rotX), cy = cos(rotY), cz = cos(rotZ), sx = sin(rotX), sy = sin(rotY), sz = sin(rotZ);
    double mat_rot[3][3] = {
        {cz * cy, -cy * sz, sy},
        {cz * sx * sy + cx * sz, cx * cz - sx * sy * sz, -sx * cy},
        {sx * sz - cx * cz * sy, cx * sy * sz + cz * sx, cx * cy},
    };
    fprintf(cloud_m, "X=[];Y=[];Z=[];\n");
    fprintf(cloud_m, "r=[];g=[];b=[];\n");
    double point_temp[3] = {0, 0, 0}, color[3] = {0, 0, 0}, point[3];
    int counti = 0, ij = 0;
    while (fscanf(f_x, "%lf", &point_temp[0]) == 1) {
        counti++;
        fscanf(f_y, "%lf", &point_temp[1]);
        fscanf(f_z, "%lf", &point_temp[2]);
        fscanf(f_color, "%lf %lf %lf", &color[0], &color[1], &color[2]);
        for (int i = 0; i < 3; i++) {
            point[i] = 0;
            for (int k = 0; k < 3; k++)
                point[i] += (point_temp[k] - translat[k]) * mat_rot[i][k];
            point[i] = 100 * point[i] / echelle;
        }
        if (point[0] > 2 && point[1] > 2 && point[0] < 98 && point[1] < 98) {
            ij++;
            fprintf(cloud, "%lf %lf %lf\n", point[0], point[1], point[2]);
            fprintf(cloud_m, "X(%d)=%lf; Y(%d)=%lf; Z(%d)=%lf;\n", ij, point[0], ij, point[1], ij, point[2]);
            fprintf(cloud_m, "r(%d)=%lf; g(%d)=%lf; b(%d)=%lf;\n", ij, color[0], ij, color[1], ij, color[2]);
        }
    }
    printf("%d/%d", ij, counti);
    log_time(log);
    fprintf(log, "%d/%d points dans le cadre.\n", ij, counti);
    return 0;
}
