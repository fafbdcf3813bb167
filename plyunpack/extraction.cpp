#include "extraction.hpp"

#include "progress.hpp"
#include "vertex_source.hpp"

#include <string>

namespace plyunpack {

void write_vertex(Outputs& out, double x, double y, double z, int r, int g, int b)
{
    out.f_x.print("%lf\n ", x);
    out.f_y.print("%lf\n ", y);
    out.f_z.print("%lf\n ", z);
    out.f_color.print("%d %d %d\n", r, g, b);
}

int extract_classic(pipeline::Reader& stream, Outputs& out, int nbr_points)
{
    std::string chaine_tampon;
    double x = 0, y = 0, z = 0;
    double nx = 0, ny = 0, nz = 0; // the normal is read and goes nowhere
    int r = 0, g = 0, b = 0;
    int written = 0;
    pipeline::Progress progress("plyunpack", nbr_points);
    for (int i = 0; i < nbr_points; ++i) {
        progress.step();
        const int lus = stream.scan("%lf %lf %lf %lf %lf %lf %d %d %d", x, y, z, nx, ny, nz, r, g, b);
        if (lus == pipeline::fin_de_fichier)
            break;
        if (lus == 9) {
            write_vertex(out, x, y, z, r, g, b);
            ++written;
        }
        stream.read_line(chaine_tampon, 999);
    }
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
