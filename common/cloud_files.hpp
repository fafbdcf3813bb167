// Readers of the point cloud as the programs hand it on: the four files
// f_x.txt, f_y.txt, f_z.txt and f_color.txt read in step, one vertex per line
// of each, and the triples of cloud.txt.
//
// Both read their files in blocks of lines converted on both cores
// (line_blocks.hpp) and give the vertices in order. Each tells, once it gives
// no more, whether the input ended cleanly or where it broke: reading has no
// other effect, so reading a few blocks past the one that broke changes
// nothing that shows.
#pragma once

#include "common/line_blocks.hpp"
#include "common/line_io.hpp"
#include "common/number_text.hpp"

#include <array>
#include <cstddef>
#include <string_view>
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
    // at that vertex. Every file is converted in blocks of about `octets`
    // bytes on both cores.
    Nuage(Reader f_x, Reader f_y, Reader f_z, Reader f_color, Lecture lecture, std::size_t octets = block_bytes);

    // The next whole vertex, valid until the next call; nullptr at the end of
    // the cloud or at the vertex that broke it.
    const Sommet* suivant();

    // Once suivant() gave nullptr: the name of the file whose read broke the
    // cloud, nullptr when it ended cleanly.
    const char* fichier_fautif() const { return fautif_; }

private:
    // The values of one block of a file, one "%lf" or "%d" read each, and
    // what the read after the last one gave: fin_de_fichier at the end of
    // the block's text, 0 on an item that is no number.
    struct Bloc {
        std::vector<NumberText> textes;
        std::vector<int> entiers;
        std::vector<double> reels;
        int fin = fin_de_fichier;
    };
    struct Curseur {
        int bloc = -1;
        std::size_t k = 0;
    };
    void convertir(int f, Bloc& b, std::string_view texte) const;
    // The next `n` values of file f into `valeurs`: 1 when all were there,
    // fin_de_fichier when the file ended cleanly before the first, 0 otherwise,
    // as the scan of the n values in one format returns.
    template <class T>
    int prendre(int f, std::vector<T> Bloc::*valeurs, T* cibles, int n);
    int lire(int f);

    Reader fichiers_[4]; // x, y, z, colours
    Lecture lecture_;
    std::array<int, 4> ordre_;
    Sommet sommet_;
    Bloc blocs_[4][LineBlocks::slots_per_file];
    Curseur curseurs_[4];
    bool fini_ = false;
    const char* fautif_ = nullptr;
    LineBlocks blocs_en_cours_; // last: stopped before the storage it fills goes
};

// The "%lf %lf %lf" triples of cloud.txt, converted in blocks on both cores.
class Triplets {
public:
    explicit Triplets(Reader cloud, std::size_t octets = block_bytes);

    // The next whole triple, valid until the next call; nullptr at the end.
    const std::array<double, 3>* suivant();

    // Once suivant() gave nullptr: true when something other than blanks was
    // left (an item that is not a number or a short triple).
    bool interrompue() const { return interrompue_; }

private:
    struct Bloc {
        std::vector<double> reels;
        int fin = fin_de_fichier;
    };
    int prendre(double& valeur);

    Reader cloud_;
    std::array<double, 3> triplet_{};
    Bloc blocs_[LineBlocks::slots_per_file];
    int bloc_ = -1;
    std::size_t k_ = 0;
    bool fini_ = false;
    bool interrompue_ = false;
    LineBlocks blocs_en_cours_;
};

} // namespace pipeline
