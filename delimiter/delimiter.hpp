// Frame transform and cropping: every vertex moved into the marker frame of
// base.txt, in percent of the frame side, and kept when it lies inside the frame.
#pragma once

#include "common/cloud_files.hpp"
#include "common/line_io.hpp"
#include "common/pipeline_files.hpp"
#include "common/program_files.hpp"
#include "common/repere.hpp"

#include <cstddef>

namespace delimiter {

using pipeline::Reader;
using pipeline::Writer;

// The files of the program but the log, in the order it opens them.
enum Fichier : std::size_t { base, f_x, f_y, f_z, f_color, cloud, cloud_m };
inline constexpr pipeline::FileSpec fichiers[] = {
    {pipeline::fichier_base, "r"},  {pipeline::fichier_x, "r"},     {pipeline::fichier_y, "r"},
    {pipeline::fichier_z, "r"},     {pipeline::fichier_color, "r"}, {pipeline::fichier_cloud, "w"},
    {"cloud.m", "w"},
};

// The frame as framefit wrote it to base.txt: marker O, the three angles and
// the side.
struct Cadre {
    pipeline::Point translat{};
    pipeline::Rotation rotation;
    double echelle = 0;
};

// What base.txt lacks for a complete frame ("le vecteur translation",
// "le vecteur rotation", "l'echelle"), nullptr when it gives one; vide is set
// when the file holds nothing at all.
const char* lireCadre(Reader& base, Cadre& cadre, bool& vide);

struct Bilan {
    int counti = 0;                       // vertices read
    int ij = 0;                           // vertices inside the frame
    const char* fichier_fautif = nullptr; // the file whose entry stopped the loop early
};

// Transforms every vertex and writes those inside the frame to cloud.txt and
// cloud.m. Stops at the end of the x coordinates, or at the first vertex one of
// whose reads fails: that vertex is not counted, and the file is named.
Bilan delimiterNuage(pipeline::Nuage& nuage, const Cadre& cadre, Writer& cloud, Writer& cloud_m);

} // namespace delimiter
