// rugosite-rapport-texture: the time the surface-texture parameters of one
// grid take, step by step (not installed; tools/rapport/bench.sh --texture
// runs it on a 2001 x 2001 grid).
//
// usage: rugosite-rapport-texture [grid file]   (grille.txt by default)
// Reads the grid, levels it by the least-squares plane, computes every
// texture parameter, and prints each step's wall and processor time, then
// the parameters. Status 0; 1 when the grid can't be read or levelled.
#include "tools/rapport/grille.hpp"
#include "tools/rapport/nivellement.hpp"
#include "tools/rapport/texture.hpp"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <utility>

namespace {

class Chrono {
public:
    // Prints the wall and processor time since the last call.
    void etape(const char* nom)
    {
        const auto mur = std::chrono::steady_clock::now();
        const std::clock_t processeur = std::clock();
        std::printf("%-44s %7.3f s   %7.3f s\n", nom, std::chrono::duration<double>(mur - mur_).count(),
                    static_cast<double>(processeur - processeur_) / CLOCKS_PER_SEC);
        mur_ = mur;
        processeur_ = processeur;
    }

private:
    std::chrono::steady_clock::time_point mur_ = std::chrono::steady_clock::now();
    std::clock_t processeur_ = std::clock();
};

} // namespace

int main(int argc, char** argv)
{
    using namespace rapport;
    const std::string fichier = argc > 1 ? argv[1] : "grille.txt";
    try {
        Chrono total, c;
        std::printf("%-44s %9s   %9s\n", "etape", "mur", "processeur");
        const Grille g = lire_grille(fichier);
        verifier_grille(g, fichier);
        c.etape("lecture de la grille");
        const std::vector<double> z = niveler(g, Nivellement::plan);
        c.etape("nivellement (plan)");
        Texture t;
        const bool vides = g.cellules_reelles() < g.cellules();
        if (vides) {
            SommesDecalages sommes(z, g.lignes, g.colonnes);
            c.etape("sommes de tous les decalages (FFT)");
            t.autocorrelation = autocorrelation(sommes, g.pas);
            c.etape("autocorrelation (demi-grille)");
            t.spectre = spectre(std::move(sommes), g.pas);
            c.etape("spectre, profils, anneaux, angles, Std");
        } else {
            const SommesDecalages sommes(z, g.lignes, g.colonnes, g.lignes / 2, g.colonnes / 2);
            c.etape("sommes sur la demi-grille (FFT)");
            t.autocorrelation = autocorrelation(sommes, g.pas);
            c.etape("autocorrelation (demi-grille)");
            t.spectre = periodogramme(z, g.lignes, g.colonnes, g.pas);
            c.etape("periodogramme, profils, anneaux, angles, Std");
        }
        const Longueurs l = longueurs_autocorrelation(t.autocorrelation);
        t.espace = ParametresEspace{l.Sal, l.Str, t.spectre.Std};
        c.etape("Sal, Str");
        t.hybrides = parametres_hybrides(z, g.lignes, g.colonnes, g.pas);
        c.etape("Sdq, Sdr");
        const CourbePortance courbe(z);
        c.etape("courbe de portance (tri)");
        t.fonctionnels = parametres_fonctionnels(courbe);
        t.courbe_portance = courbe.echantillons(points_courbe_portance);
        c.etape("parametres fonctionnels");
        total.etape("total");
        const Texture u = texture(z, g.lignes, g.colonnes, g.pas);
        c.etape("texture() d'un bloc (deux fils)");
        std::printf("%d x %d, pas %g, %lld cellules vides\n", g.lignes, g.colonnes, g.pas,
                    g.cellules() - g.cellules_reelles());
        std::printf("Sal %.6g  Str %.6g  Std %.6g\n", u.espace.Sal, u.espace.Str, u.espace.Std);
        std::printf("Sdq %.6g  Sdr %.6g\n", u.hybrides.Sdq, u.hybrides.Sdr);
        const Fonctionnels& f = u.fonctionnels;
        std::printf("Smr %.6g  Smc %.6g  Sk %.6g  Spk %.6g  Svk %.6g  Smr1 %.6g  Smr2 %.6g\n", f.Smr, f.Smc, f.Sk,
                    f.Spk, f.Svk, f.Smr1, f.Smr2);
        std::printf("Vmp %.6g  Vmc %.6g  Vvc %.6g  Vvv %.6g\n", f.Vmp, f.Vmc, f.Vvc, f.Vvv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rugosite-rapport-texture : %s\n", e.what());
        return 1;
    }
    return 0;
}
