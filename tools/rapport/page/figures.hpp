// The report's pictures, drawn by PLplot's SVG driver and returned as inline
// <svg> elements ready to go into the page. PLplot keeps global state and is
// not thread-safe: these functions take a process-wide lock while they draw.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rapport {

// Colours of cmap0 used by the pictures (index 0 is the white background).
enum Couleur : int {
    fond = 0,
    encre = 1,
    bleu = 2,
    rouge = 3,
    vert = 4,
    gris_clair = 5,
    orange = 6,
    gris = 7,
    violet = 8,
};

// A grid reduced for display: blocks of facteur x facteur cells replaced by
// the mean of their real cells (NaN when the whole block is empty).
struct GrilleReduite {
    int lignes = 0;
    int colonnes = 0;
    int facteur = 1;
    std::vector<double> valeurs; // row-major, NaN = empty
};
GrilleReduite reduire_grille(int lignes, int colonnes, const std::vector<double>& hauteurs, int cote_max);

// H(r) of a correlation model; NaN for an unknown model name.
double modele_H(const std::string& modele, double sigma, double L, double r);

struct SerieMesuree {
    std::string libelle;
    std::vector<double> r; // > 0
    std::vector<double> H;
    Couleur couleur = bleu;
};

struct CourbeModele {
    std::string libelle;
    std::string modele; // "exponentiel" or "gaussien"
    double sigma = 0.0;
    double L = 0.0;
    Couleur couleur = rouge;
    int style = 1; // PLplot line style, 1 = solid
};

struct Plage {
    double r_min = 0.0;
    double r_max = 0.0;
};

// True when PLplot's SVG device can be had; without it the pictures are empty
// strings and the page says so.
bool svg_disponible();

// The most blocks a side of the map; larger grids are reduced by reduire_grille.
inline constexpr int cote_carte = 128;

// The levelled height map: columns along x, rows along y (row 0 at the
// bottom), in the road's unit, the axes named axe_x and axe_y; each cell (or
// block of cells) drawn over exactly its place, empty ones left blank; a
// labelled colour bar. Empty string when there is nothing to draw.
std::string carte_svg(int lignes, int colonnes, double pas, const std::vector<double>& hauteurs,
                      const std::string& unite, const std::string& axe_x, const std::string& axe_y,
                      const std::string& titre, const std::string& id);

// Measured points and model curves of H(r), with the fit range shaded; the r
// axis is logarithmic when the radii span a factor 20 or more. Empty string
// when no series holds a point.
std::string fonction_svg(const std::vector<SerieMesuree>& series, const std::vector<CourbeModele>& courbes,
                         std::optional<Plage> plage, const std::string& titre, const std::string& unite_r,
                         const std::string& unite_H, const std::string& id);

} // namespace rapport

namespace rapport {

// The areal autocorrelation R(dy, dx) on a window of (2·ny+1) x (2·nx+1) lags
// `pas_decalage` apart (row-major, NaN where no pair), as a colour map from −1
// to 1 with the contour R = seuil, the one Sal and Str are read on. Empty
// string when there is nothing to draw.
std::string autocorrelation_svg(int lignes, int colonnes, double pas_decalage, const std::vector<double>& valeurs,
                                double seuil, const std::string& unite, const std::string& titre,
                                const std::string& id);

// A density against frequency on log-log axes (the radial spectrum); the
// points with a positive frequency and a positive density only.
std::string spectre_svg(const std::vector<double>& frequences, const std::vector<double>& densite,
                        const std::string& unite_f, const std::string& unite_densite, const std::string& titre,
                        const std::string& id);

// The material ratio curve: the height at each ratio from 0 to 100 %, the
// heights given at evenly spread ratios.
std::string portance_svg(const std::vector<double>& hauteurs, const std::string& unite, const std::string& titre,
                         const std::string& id);

} // namespace rapport
