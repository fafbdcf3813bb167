// The MATLAB scripts of reliefstat: the two grid drawings and HR.m, which fits
// H(r) = 2 s^2 (1 - exp(-r / L)) to the correlation function. They also run in
// GNU Octave (with the optim package loaded for lsqcurvefit).
#pragma once

#include "common/line_io.hpp"
#include "reliefstat/matrice.hpp"

#include <functional>
#include <span>
#include <string>

namespace reliefstat {

inline constexpr const char* fichier_visu_grille_initiale = "visu_grille_initiale.m";
inline constexpr const char* fichier_visu_grille = "visu_grille.m";
inline constexpr const char* fichier_HR = "HR.m";

// A grid script: every cell assigned, cells holding 10000 set to 0, then the
// surface drawn with X along the columns and Y along the rows.
void ecrireVisuGrille(pipeline::Writer& script, const Matrice& grille);

// HR.m from the first RMAX_OBSERVATION radii and entries of the correlation
// function. Its two French lines with accents carry é as the byte 0xE9.
void creationfichierm(pipeline::Writer& script, std::span<const double> r3D, std::span<const double> Hr3D,
                      int RMAX_OBSERVATION);

// Creates or truncates the script (mode "w+") and writes it; when it can't be
// opened, prints "Impossible d'ouvrir le fichier " and its name (no line end)
// and writes nothing. A script that can't be opened or written is also told
// on standard error with the system's reason; it never stops the run.
void ecrireScript(const char* nom, pipeline::Writer& ecran, const std::function<void(pipeline::Writer&)>& contenu);

} // namespace reliefstat
