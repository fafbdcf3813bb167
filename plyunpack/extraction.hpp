// Copying the vertices of the cloud into the four parallel files f_x.txt,
// f_y.txt, f_z.txt and f_color.txt.
#pragma once

#include "common/line_io.hpp"
#include "plyunpack/ply_header.hpp"

namespace plyunpack {

// The four files, open for writing.
struct Outputs {
    pipeline::Writer &f_x, &f_y, &f_z, &f_color;
};

// One entry in each of the four files: "%lf\n " per coordinate, "%d %d %d\n"
// for the colour.
void write_vertex(Outputs& out, double x, double y, double z, int r, int g, int b);

// Text clouds are read on a second core, ahead of the thread that formats and
// writes the vertices: the same bytes, in the same order, as one thread would
// write.

// The classic layout: each vertex is one scan "%lf %lf %lf %lf %lf %lf %d %d %d"
// (blanks there match line ends too), then the rest of its line, at most 999
// characters, is dropped. At most nbr_points vertices are scanned; the loop
// stops when a scan finds the end of the input, and a vertex that yields fewer
// than nine values is written nowhere. Returns the number of vertices written.
int extract_classic(pipeline::Reader& stream, Outputs& out, int nbr_points);

// Any other header, read as the PLY format defines it: the elements stored
// before the vertices are passed over, then at most the declared number of
// vertices are read; one whose values cannot all be read is written nowhere,
// and the end of the input stops the loop. Returns the number written.
int extract_vertices(pipeline::Reader& stream, const PlyHeader& header, Outputs& out);

} // namespace plyunpack
