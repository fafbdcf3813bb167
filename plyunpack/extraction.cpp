#include "plyunpack/extraction.hpp"

#include "common/progress.hpp"
#include "common/read_ahead.hpp"
#include "plyunpack/vertex_source.hpp"

#include <cstddef>
#include <string>
#include <utility>
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

// Records read on the second core while those before them are formatted and
// written: `read(record)` gives the next one, false once there is none. The
// records travel in lots of 2048, at most two in flight.
template <class Record, class Next>
class Ahead {
public:
    explicit Ahead(Next read)
        : read_(std::move(read)),
          lots_{std::vector<Record>(per_lot), std::vector<Record>(per_lot)},
          ahead_([this](int lot) { return fill(lot); })
    {
    }

    // The next record, valid until the next call; nullptr after the last.
    const Record* next()
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
        std::size_t n = 0;
        while (n < per_lot && read_(lots_[lot][n]))
            ++n;
        count_[lot] = n;
        return n == per_lot;
    }

    Next read_;
    std::vector<Record> lots_[2];
    std::size_t count_[2] = {0, 0};
    int lot_ = -1;
    std::size_t k_ = 0;
    pipeline::ReadAhead ahead_; // last: stopped before what it reads goes
};

template <class Record, class Next>
Ahead<Record, Next> ahead(Next read)
{
    return Ahead<Record, Next>(std::move(read));
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
    auto lines = ahead<Scanned>([&stream, &rest, &scanned, nbr_points](Scanned& v) {
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
    });
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
    auto vertices = ahead<Decoded>([&source, &read, &header](Decoded& r) {
        if (read == header.nbr_points())
            return false;
        ++read;
        const Outcome outcome = source.next(r.v);
        r.complete = outcome == Outcome::vertex;
        return outcome != Outcome::end;
    });
    int written = 0;
    pipeline::Progress progress("plyunpack", header.nbr_points());
    while (const Decoded* r = vertices.next()) {
        progress.step();
        if (r->complete) {
            write_vertex(out, r->v.x, r->v.y, r->v.z, r->v.r, r->v.g, r->v.b);
            ++written;
        }
    }
    return written;
}

} // namespace plyunpack
