// Corner-marker detection: the points of the cloud whose colour lies close to
// the colour of marker O, X or Y.
#pragma once

#include "common/cloud_files.hpp"
#include "common/line_io.hpp"
#include "common/pipeline_files.hpp"
#include "common/program_files.hpp"

#include <array>
#include <cstddef>
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

// Everything the program writes but the log and the screen, in the order it
// creates them and closes them.
enum Sortie : std::size_t { pos_x, pos_y, pos_z, color, coin_Y, coin_O, coin_X, nbr_point_coin };
inline constexpr pipeline::FileSpec sorties[] = {
    {"posX.m", "w"},
    {"posY.m", "w"},
    {"posZ.m", "w"},
    {"color_coins.m", "w"},
    {pipeline::fichier_coin_Y, "w"},
    {pipeline::fichier_coin_O, "w"},
    {pipeline::fichier_coin_X, "w"},
    {pipeline::fichier_nbr_point_par_coin, "w"},
};

struct Comptes {
    int nbr_O = 0, nbr_X = 0, nbr_Y = 0;
    int lus = 0;                          // points read, marker points or not
    const char* fichier_fautif = nullptr; // the file whose entry stopped the scan early
    int total() const { return nbr_O + nbr_X + nbr_Y; }
};

// Walks the cloud (colours first) and writes every marker point to its marker
// file and to the four display scripts, their opening and closing texts
// included. Stops at the end of the colours, or at the first point one of
// whose reads fails: that point is neither counted nor written, and the file
// is named in the result.
Comptes trierPoints(pipeline::Nuage& nuage, pipeline::ProgramFiles& sorties, const Parametres& p);

} // namespace markerpick
