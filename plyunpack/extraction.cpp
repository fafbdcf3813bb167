#include "plyunpack/extraction.hpp"

#include "common/progress.hpp"
#include "common/read_ahead.hpp"
#include "plyunpack/vertex_source.hpp"

#include <cstddef>
#include <string>

namespace plyunpack {

namespace {

// The coordinates as read (a "%lf" of the classic layout), or as doubles.
template <class Coordinate>
void write_entries(Outputs& out, const Coordinate& x, const Coordinate& y, const Coordinate& z, int r, int g, int b)
{
    out.f_x.print("%lf\n ", x);
    out.f_y.print("%lf\n ", y);
    out.f_z.print("%lf\n ", z);
    out.f_color.print("%d %d %d\n", r, g, b);
}

// A vertex line of the classic layout. Each coordinate is kept as read, to be
// written as "%lf" writes the double "%lf" reads from it: copied from its
// digits when they give that text, else converted.
struct Scanned {
    pipeline::NumberText x, y, z;
    int r = 0, g = 0, b = 0;
    bool complete = false; // its six fields were read
};

// A vertex of any other layout, or one passed over.
struct Decoded {
    Vertex v;
    bool complete = false;
};

} // namespace

void write_vertex(Outputs& out, double x, double y, double z, int r, int g, int b)
{
    write_entries(out, x, y, z, r, g, b);
}

int extract_classic(pipeline::Reader& stream, Outputs& out, int nbr_points)
{
    int scanned = 0;
    std::string rest;
    auto scan = [&stream, &rest, &scanned, nbr_points](Scanned& v) {
        if (scanned == nbr_points)
            return false;
        ++scanned;
        // The normal is read and goes nowhere: checked, never converted.
        const int fields = stream.scan("%lf %lf %lf %*lf %*lf %*lf %d %d %d", v.x, v.y, v.z, v.r, v.g, v.b);
        if (fields == pipeline::fin_de_fichier)
            return false;
        v.complete = fields == 6;
        stream.read_line(rest, 999);
        return true;
    };
    pipeline::RecordsAhead<Scanned, decltype(scan)&> lines(scan);
    int written = 0;
    pipeline::Progress progress("plyunpack", nbr_points);
    while (const Scanned* v = lines.next()) {
        progress.step();
        if (v->complete) {
            write_entries(out, v->x, v->y, v->z, v->r, v->g, v->b);
            ++written;
        }
    }
    return written;
}

int extract_vertices(pipeline::Reader& stream, const PlyHeader& header, Outputs& out)
{
    VertexSource source(stream, header);
    if (!source.skip_leading_elements())
        return 0;
    int read = 0;
    auto decode = [&source, &read, &header](Decoded& r) {
        if (read == header.nbr_points())
            return false;
        ++read;
        const Outcome outcome = source.next(r.v);
        r.complete = outcome == Outcome::vertex;
        return outcome != Outcome::end;
    };
    const auto write_all = [&out, &header](auto next) {
        int written = 0;
        pipeline::Progress progress("plyunpack", header.nbr_points());
        while (const Decoded* r = next()) {
            progress.step();
            if (r->complete) {
                write_vertex(out, r->v.x, r->v.y, r->v.z, r->v.r, r->v.g, r->v.b);
                ++written;
            }
        }
        return written;
    };
    // A binary vertex is decoded in a few copies: handing it to the other core
    // would cost more than it saves (twice the CPU, no time gained).
    if (header.format != Format::ascii) {
        Decoded r;
        return write_all([&]() { return decode(r) ? &r : nullptr; });
    }
    pipeline::RecordsAhead<Decoded, decltype(decode)&> vertices(decode);
    return write_all([&vertices]() { return vertices.next(); });
}

} // namespace plyunpack
