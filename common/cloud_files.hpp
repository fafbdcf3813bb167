// Readers of the point cloud as the programs hand it on: the four files
// f_x.txt, f_y.txt, f_z.txt and f_color.txt read in step, one vertex per line
// of each, and the triples of cloud.txt.
//
// Both read ahead on a second core, in lots, and give the vertices in order.
// Each tells, once it gives no more, whether the input ended cleanly or where
// it broke: reading has no other effect, so reading a few records past the
// one that broke changes nothing that shows.
#pragma once

#include "common/line_io.hpp"
#include "common/number_text.hpp"
#include "common/read_ahead.hpp"

#include <array>
#include <cstddef>
#include <vector>

namespace pipeline {

// A vertex as the four files give it; only the fields of the chosen reading
// are filled.
struct Sommet {
    NumberText x, y, z;              // coordinates checked and kept as read
    std::array<int, 3> rgb{};        // colours as integers
    std::array<double, 3> point{};   // coordinates as reals
    std::array<double, 3> couleur{}; // colours as reals
};

class Nuage {
public:
    enum class Lecture {
        // f_color.txt first, "%d %d %d\n", then x, y, z kept as text ("%lf\n").
        couleurs_d_abord,
        // f_x.txt first, then y, z and the colours, all "%lf" reals.
        coordonnees_d_abord,
    };

    // The end of the first file read is the end of the cloud; a read that
    // fails in it before its end, or in any of the others, breaks the cloud
    // at that vertex. The last `en_avance` files of the reading order (1 to 4)
    // are read on the second core, the others as the vertices are asked for.
    Nuage(Reader f_x, Reader f_y, Reader f_z, Reader f_color, Lecture lecture, int en_avance);

    // The next whole vertex, valid until the next call; nullptr at the end of
    // the cloud or at the vertex that broke it.
    const Sommet* suivant();

    // Once suivant() gave nullptr: the name of the file whose read broke the
    // cloud, nullptr when it ended cleanly.
    const char* fichier_fautif() const { return fautif_; }

private:
    struct Lu {
        Sommet sommet;
        signed char echec = -1;      // rank in the reading order of the file read ahead that failed
        bool fin_de_fichier = false; // that failure was the end of the input
    };
    // A read of file f into s: 1 when it gave a whole value, fin_de_fichier
    // when the file had ended, 0 otherwise.
    int lire(int f, Sommet& s);
    bool remplir(int lot);

    Reader fichiers_[4]; // x, y, z, colours
    Lecture lecture_;
    std::array<int, 4> ordre_;
    int premier_en_avance_;
    std::vector<Lu> lots_[2];
    std::size_t compte_[2] = {0, 0};
    int lot_ = -1;
    std::size_t k_ = 0;
    bool fini_ = false;
    const char* fautif_ = nullptr;
    ReadAhead avance_; // last: stopped before the files it reads go
};

// The "%lf %lf %lf" triples of cloud.txt, read on the second core.
class Triplets {
public:
    explicit Triplets(Reader cloud);

    // The next whole triple, valid until the next call; nullptr at the end.
    const std::array<double, 3>* suivant();

    // Once suivant() gave nullptr: true when something other than blanks was
    // left (an item that is not a number or a short triple).
    bool interrompue() const { return interrompue_; }

private:
    bool remplir(int lot);

    Reader cloud_;
    std::vector<std::array<double, 3>> lots_[2];
    std::size_t compte_[2] = {0, 0};
    int fin_[2] = {0, 0}; // the result of the read that ended the lot
    int lot_ = -1;
    std::size_t k_ = 0;
    bool interrompue_ = false;
    ReadAhead avance_;
};

} // namespace pipeline
