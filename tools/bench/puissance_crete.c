/* The machine's peak of double-precision additions and multiplications (no
   fused multiply-add, as the toolkit is built), measured: independent chains of
   vector additions and multiplications, on one core and then on every core, in
   registers of 2, 4 and 8 doubles. Built and run by the benchmark.

   cc -std=gnu17 -O2 -pthread -o puissance_crete puissance_crete.c */
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#define TOURS 200000000L /* iterations of 12 vector operations */

typedef double v2 __attribute__((vector_size(16)));
typedef double v4 __attribute__((vector_size(32)));
typedef double v8 __attribute__((vector_size(64)));

static volatile double un = 1.0, zero = 0.0;
static double puits; /* keeps the results alive */

/* 6 chains of additions and 6 of multiplications, interleaved, each in a
   register of its own: enough to cover the latency of both units. Returns the
   operations done, counting each lane. */
#define CHAINES(V, NOM, CIBLE)                                                                     \
    __attribute__((target(CIBLE))) static double NOM(long tours)                                   \
    {                                                                                              \
        V pa = (V){} + zero, pm = (V){} + un;                                                      \
        V a0 = pa + 1, a1 = pa + 2, a2 = pa + 3, a3 = pa + 4, a4 = pa + 5, a5 = pa + 6;            \
        V m0 = pm + 1, m1 = pm + 2, m2 = pm + 3, m3 = pm + 4, m4 = pm + 5, m5 = pm + 6;            \
        for (long t = 0; t < tours; t++) {                                                         \
            a0 += pa, m0 *= pm, a1 += pa, m1 *= pm, a2 += pa, m2 *= pm;                            \
            a3 += pa, m3 *= pm, a4 += pa, m4 *= pm, a5 += pa, m5 *= pm;                            \
        }                                                                                          \
        V s = a0 + a1 + a2 + a3 + a4 + a5 + m0 + m1 + m2 + m3 + m4 + m5;                           \
        for (unsigned k = 0; k < sizeof(V) / sizeof(double); k++)                                 \
            puits += s[k];                                                                         \
        return 12.0 * (double)tours * (double)(sizeof(V) / sizeof(double));                        \
    }
CHAINES(v2, chaines_sse2, "sse2")
CHAINES(v4, chaines_avx2, "avx2")
CHAINES(v8, chaines_avx512, "avx512f")

struct travail {
    double (*chaines)(long);
    long tours;
    double operations;
};

static void *lancer(void *p)
{
    struct travail *t = p;
    t->operations = t->chaines(t->tours);
    return NULL;
}

static double maintenant(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + 1e-9 * (double)ts.tv_nsec;
}

/* Best of three runs on `fils` threads, in Gflop/s. */
static double mesurer(double (*chaines)(long), int fils, long tours)
{
    double meilleur = 0;
    for (int essai = 0; essai < 3; essai++) {
        pthread_t t[64];
        struct travail w[64];
        double debut = maintenant();
        for (int k = 0; k < fils; k++) {
            w[k] = (struct travail){chaines, tours, 0};
            pthread_create(&t[k], NULL, lancer, &w[k]);
        }
        double operations = 0;
        for (int k = 0; k < fils; k++) {
            pthread_join(t[k], NULL);
            operations += w[k].operations;
        }
        double gflops = operations / (maintenant() - debut) / 1e9;
        if (gflops > meilleur)
            meilleur = gflops;
    }
    return meilleur;
}

int main(int argc, char **argv)
{
    long tours = argc > 1 ? atol(argv[1]) : TOURS / 10;
    int coeurs = (int)sysconf(_SC_NPROCESSORS_ONLN);
    if (coeurs > 64)
        coeurs = 64;
    __builtin_cpu_init();
    struct {
        const char *nom;
        double (*chaines)(long);
        int present;
    } largeurs[] = {
        {"SSE2 (2 doubles)", chaines_sse2, 1},
        {"AVX2 (4 doubles)", chaines_avx2, __builtin_cpu_supports("avx2")},
        {"AVX-512 (8 doubles)", chaines_avx512, __builtin_cpu_supports("avx512f")},
    };
    printf("| Registres | 1 coeur (Gflop/s) | %d coeurs (Gflop/s) |\n|---|---|---|\n", coeurs);
    for (unsigned k = 0; k < sizeof largeurs / sizeof largeurs[0]; k++)
        if (largeurs[k].present)
            printf("| %s | %.1f | %.1f |\n", largeurs[k].nom, mesurer(largeurs[k].chaines, 1, tours),
                   mesurer(largeurs[k].chaines, coeurs, tours));
    fprintf(stderr, "%g\n", puits);
    return 0;
}
