#include "plyunpack/extraction.hpp"

#include "common/progress.hpp"
#include "common/read_ahead.hpp"
#include "plyunpack/vertex_source.hpp"

#include <cstddef>
#include <string>
#include <vector>

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

// The vertex lines of the classic layout, scanned on the second core while
// the vertices before them are formatted and written. Each coordinate is kept
// as read, to be written as "%lf" writes the double "%lf" reads from it:
// copied from its digits when they give that text, else converted.
class ClassicLines {
public:
    struct Scanned {
        pipeline::NumberText x, y, z;
        int r = 0, g = 0, b = 0;
        bool complete = false; // its six fields were read
    };

    ClassicLines(pipeline::Reader& stream, int nbr_points)
        : stream_(stream),
          nbr_points_(nbr_points),
          lots_{std::vector<Scanned>(per_lot), std::vector<Scanned>(per_lot)},
          ahead_([this](int lot) { return fill(lot); })
    {
    }

    // The next of the nbr_points lines, valid until the next call; nullptr
    // once they are all read or the input ends before one.
    const Scanned* next()
    {
        while (lot_ == -1 || k_ == count_[lot_]) {
            if (lot_ != -1 && count_[lot_] < per_lot)
                return nullptr;
            lot_ = ahead_.next();
            k_ = 0;
            if (lot_ == -1)
                return nullptr;
        }
        return &lots_[lot_][k_++];
    }

private:
    static constexpr std::size_t per_lot = 2048;

    bool fill(int lot)
    {
        for (std::size_t n = 0; n < per_lot; ++n) {
            if (scanned_ == nbr_points_) {
                count_[lot] = n;
                return false;
            }
            ++scanned_;
            Scanned& v = lots_[lot][n];
            // The normal is read and goes nowhere: checked, never converted.
            const int fields = stream_.scan("%lf %lf %lf %*lf %*lf %*lf %d %d %d", v.x, v.y, v.z, v.r, v.g, v.b);
            if (fields == pipeline::fin_de_fichier) {
                count_[lot] = n;
                return false;
            }
            v.complete = fields == 6;
            stream_.read_line(rest_, 999);
        }
        count_[lot] = per_lot;
        return true;
    }

    pipeline::Reader& stream_;
    int nbr_points_;
    int scanned_ = 0;
    std::string rest_;
    std::vector<Scanned> lots_[2];
    std::size_t count_[2] = {0, 0};
    int lot_ = -1;
    std::size_t k_ = 0;
    pipeline::ReadAhead ahead_; // last: stopped before what it reads goes
};

} // namespace

void write_vertex(Outputs& out, double x, double y, double z, int r, int g, int b)
{
    write_entries(out, x, y, z, r, g, b);
}

int extract_classic(pipeline::Reader& stream, Outputs& out, int nbr_points)
{
    ClassicLines lines(stream, nbr_points);
    int written = 0;
    pipeline::Progress progress("plyunpack", nbr_points);
    while (const ClassicLines::Scanned* v = lines.next()) {
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
