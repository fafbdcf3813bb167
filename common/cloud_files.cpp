#include "common/cloud_files.hpp"

#include "common/pipeline_files.hpp"

#include <algorithm>
#include <utility>

namespace pipeline {

namespace {

constexpr int fx = 0, fy = 1, fz = 2, fcolor = 3;
constexpr const char* noms[] = {fichier_x, fichier_y, fichier_z, fichier_color};

// The values of a block, read one by one until a read gives something else
// than a value: what it gave.
template <class T>
int lire_tout(std::string_view texte, std::vector<T>& valeurs)
{
    valeurs.clear();
    return Reader::over_text(texte).scan_each(valeurs);
}

} // namespace

Nuage::Nuage(Reader f_x, Reader f_y, Reader f_z, Reader f_color, Lecture lecture, std::size_t octets)
    : fichiers_{std::move(f_x), std::move(f_y), std::move(f_z), std::move(f_color)},
      lecture_(lecture),
      ordre_(lecture == Lecture::couleurs_d_abord ? std::array{fcolor, fx, fy, fz} : std::array{fx, fy, fz, fcolor}),
      blocs_en_cours_(
          fichiers_, [this](int f, int slot, std::string_view texte) { convertir(f, blocs_[f][slot], texte); },
          octets)
{
}

// As the files are read one vertex after the other: x, y, z with "%lf\n" (as
// text) or "%lf", the colours with "%d %d %d\n" or "%lf %lf %lf", which read
// what the same conversions read one by one.
void Nuage::convertir(int f, Bloc& b, std::string_view texte) const
{
    if (lecture_ == Lecture::couleurs_d_abord)
        b.fin = f == fcolor ? lire_tout(texte, b.entiers) : lire_tout(texte, b.textes);
    else
        b.fin = lire_tout(texte, b.reels);
}

template <class T>
int Nuage::prendre(int f, std::vector<T> Bloc::*valeurs, T* cibles, int n)
{
    Curseur& c = curseurs_[f];
    if (c.bloc >= 0) { // all in the block held: the common case
        const std::vector<T>& v = blocs_[f][c.bloc].*valeurs;
        if (c.k + static_cast<std::size_t>(n) <= v.size()) {
            std::copy_n(v.data() + c.k, n, cibles);
            c.k += static_cast<std::size_t>(n);
            return 1;
        }
    }
    for (int i = 0; i < n; ++i) {
        while (c.bloc < 0 || c.k == (blocs_[f][c.bloc].*valeurs).size()) {
            if (c.bloc >= 0 && blocs_[f][c.bloc].fin != fin_de_fichier)
                return 0; // an item that is no number
            c.bloc = blocs_en_cours_.next(f);
            c.k = 0;
            if (c.bloc < 0)
                return i == 0 ? fin_de_fichier : 0;
        }
        cibles[i] = (blocs_[f][c.bloc].*valeurs)[c.k++];
    }
    return 1;
}

int Nuage::lire(int f)
{
    Sommet& s = sommet_;
    if (lecture_ == Lecture::couleurs_d_abord) {
        if (f == fcolor)
            return prendre(f, &Bloc::entiers, s.rgb.data(), 3);
        return prendre(f, &Bloc::textes, f == fx ? &s.x : f == fy ? &s.y : &s.z, 1);
    }
    if (f == fcolor)
        return prendre(f, &Bloc::reels, s.couleur.data(), 3);
    return prendre(f, &Bloc::reels, &s.point[static_cast<std::size_t>(f)], 1);
}

const Sommet* Nuage::suivant()
{
    if (fini_)
        return nullptr;
    for (int rang = 0; rang < 4; ++rang)
        if (const int r = lire(ordre_[rang]); r != 1) {
            fini_ = true;
            if (rang > 0 || r != fin_de_fichier)
                fautif_ = noms[ordre_[rang]];
            return nullptr;
        }
    return &sommet_;
}

Triplets::Triplets(Reader cloud, std::size_t octets)
    : cloud_(std::move(cloud)),
      blocs_en_cours_(
          std::span<Reader>(&cloud_, 1),
          [this](int, int slot, std::string_view texte) { blocs_[slot].fin = lire_tout(texte, blocs_[slot].reels); },
          octets)
{
}

int Triplets::prendre(double& valeur)
{
    while (bloc_ < 0 || k_ == blocs_[bloc_].reels.size()) {
        if (bloc_ >= 0 && blocs_[bloc_].fin != fin_de_fichier)
            return 0;
        bloc_ = blocs_en_cours_.next(0);
        k_ = 0;
        if (bloc_ < 0)
            return fin_de_fichier;
    }
    valeur = blocs_[bloc_].reels[k_++];
    return 1;
}

const std::array<double, 3>* Triplets::suivant()
{
    if (fini_)
        return nullptr;
    // As "%lf %lf %lf" reads them: the end of the file before the first value
    // of a triple means only blanks were left.
    for (int i = 0; i < 3; ++i)
        if (const int r = prendre(triplet_[static_cast<std::size_t>(i)]); r != 1) {
            fini_ = true;
            interrompue_ = i > 0 || r != fin_de_fichier;
            return nullptr;
        }
    return &triplet_;
}

} // namespace pipeline
