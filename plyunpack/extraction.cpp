#include "plyunpack/extraction.hpp"

#include "common/progress.hpp"
#include "common/two_stage.hpp"
#include "plyunpack/vertex_source.hpp"

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

} // namespace

void write_vertex(Outputs& out, double x, double y, double z, int r, int g, int b)
{
    write_entries(out, x, y, z, r, g, b);
}

int extract_classic(pipeline::Reader& stream, Outputs& out, int nbr_points)
{
    // Scanning on one core, formatting and writing on the other. Each
    // coordinate is written as "%lf" writes the double "%lf" reads from it:
    // copied from its digits when they give that text, else converted.
    struct Scanned {
        pipeline::NumberText x, y, z;
        int r = 0, g = 0, b = 0;
        bool complete = false;
    };
    std::string chaine_tampon;
    int scanned = 0;
    int written = 0;
    pipeline::Progress progress("plyunpack", nbr_points);
    pipeline::two_stage<Scanned>(
        [&](Scanned& v) {
            if (scanned == nbr_points)
                return false;
            ++scanned;
            // The normal is read and goes nowhere: checked, never converted.
            const int fields = stream.scan("%lf %lf %lf %*lf %*lf %*lf %d %d %d", v.x, v.y, v.z, v.r, v.g, v.b);
            if (fields == pipeline::fin_de_fichier)
                return false;
            v.complete = fields == 6;
            stream.read_line(chaine_tampon, 999);
            return true;
        },
        [&](const Scanned& v) {
            progress.step();
            if (v.complete) {
                write_entries(out, v.x, v.y, v.z, v.r, v.g, v.b);
                ++written;
            }
            return true;
        });
    return written;
}

int extract_vertices(pipeline::Reader& stream, const PlyHeader& header, Outputs& out)
{
    VertexSource source(stream, header);
    if (!source.skip_leading_elements())
        return 0;
    int written = 0;
    Vertex v;
    pipeline::Progress progress("plyunpack", header.nbr_points());
    for (int i = 0; i < header.nbr_points(); ++i) {
        progress.step();
        const Outcome outcome = source.next(v);
        if (outcome == Outcome::end)
            break;
        if (outcome == Outcome::vertex) {
            write_vertex(out, v.x, v.y, v.z, v.r, v.g, v.b);
            ++written;
        }
    }
    return written;
}

} // namespace plyunpack
