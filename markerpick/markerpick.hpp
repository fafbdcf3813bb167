// Corner-marker detection: the points of the cloud whose colour lies close to
// the colour of marker O, X or Y.
#pragma once

#include "common/line_io.hpp"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace markerpick {

using pipeline::Reader;
using pipeline::Writer;
using pipeline::NumberText;

using CodeRgb = std::array<int, 3>; // red, green, blue

struct Parametres {
    CodeRgb code_rgb_o{230, 110, 30};
    CodeRgb code_rgb_x{155, 25, 50};
    CodeRgb code_rgb_y{180, 180, 105};
    double delta_c = 10.0;
};

// Scans the words "r,g,b" of markers O, X and Y and the tolerance over the
// values already in p: what a scan yields replaces them, even from an incomplete
// word. The tolerance's word "%i,%i" has its comma taken as the decimal point
// first. Gives, for each word that yields fewer values than it should, a
// sentence that names it; none when all four are complete.
std::vector<std::string> lireArguments(std::string_view o, std::string_view x, std::string_view y,
                                       std::string_view delta, Parametres& p);

enum class Coin { aucun, O, X, Y };

// True when each channel differs from the code by strictly less than delta_c.
bool couleurProche(const CodeRgb& couleur, const CodeRgb& code, double delta_c);

// The marker that takes a colour: X is tried first, then O, then Y.
Coin classerCouleur(const CodeRgb& couleur, const Parametres& p);

// The point cloud, one file per coordinate and one for the colours, in step.
struct Entrees {
    Reader f_color, f_x, f_y, f_z;
};

// Everything the program writes but the log and the screen.
struct Sorties {
    Writer pos_x, pos_y, pos_z, color, coin_Y, coin_O, coin_X, nbr_point_coin;
};

struct Comptes {
    int nbr_O = 0, nbr_X = 0, nbr_Y = 0;
    int lus = 0;                          // points read, marker points or not
    const char* fichier_fautif = nullptr; // the file whose entry stopped the scan early
    int total() const { return nbr_O + nbr_X + nbr_Y; }
};

// Opens the coordinate files beside the open colour file, or reports the first
// that is missing (on the screen, in the log and with the system's reason on
// standard error).
std::optional<Entrees> ouvrirNuage(Reader f_color, Writer& ecran, Writer& log);

// Creates the output files in their order, or reports the first that can't be.
std::optional<Sorties> ouvrirSorties(Writer& ecran, Writer& log);

// Walks the cloud in step and writes every marker point to its marker file and
// to the four display scripts (their opening and closing texts aside). Stops at
// the end of the colours, or at the first point one of whose reads fails: that
// point is neither counted nor written, and the file is named in the result.
Comptes trierPoints(Entrees& nuage, Sorties& sorties, const Parametres& p);

// Closes every output; the name of the first whose writing failed, if any,
// with the system's error number.
const char* fermerSorties(Sorties& sorties, int& erreur);

} // namespace markerpick
