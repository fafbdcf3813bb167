#include "common/cloud_files.hpp"

#include "common/pipeline_files.hpp"

#include <utility>

namespace pipeline {

namespace {

// Records in a lot: large enough for the hand-over to cost nothing, small
// enough for two lots to stay in the caches.
constexpr std::size_t par_lot = 2048;

constexpr int fx = 0, fy = 1, fz = 2, fcolor = 3;
constexpr const char* noms[] = {fichier_x, fichier_y, fichier_z, fichier_color};

} // namespace

Nuage::Nuage(Reader f_x, Reader f_y, Reader f_z, Reader f_color, Lecture lecture, int en_avance)
    : fichiers_{std::move(f_x), std::move(f_y), std::move(f_z), std::move(f_color)},
      lecture_(lecture),
      ordre_(lecture == Lecture::couleurs_d_abord ? std::array{fcolor, fx, fy, fz} : std::array{fx, fy, fz, fcolor}),
      premier_en_avance_(4 - en_avance),
      lots_{std::vector<Lu>(par_lot), std::vector<Lu>(par_lot)},
      avance_([this](int lot) { return remplir(lot); })
{
}

int Nuage::lire(int f, Sommet& s)
{
    Reader& r = fichiers_[f];
    int lus = 0, attendus = 1;
    if (lecture_ == Lecture::couleurs_d_abord) {
        if (f == fcolor) {
            lus = r.scan("%d %d %d\n", s.rgb[0], s.rgb[1], s.rgb[2]);
            attendus = 3;
        } else {
            lus = r.scan("%lf\n", f == fx ? s.x : f == fy ? s.y : s.z);
        }
    } else if (f == fcolor) {
        lus = r.scan("%lf %lf %lf", s.couleur[0], s.couleur[1], s.couleur[2]);
        attendus = 3;
    } else {
        lus = r.scan("%lf", s.point[f]);
    }
    return lus == attendus ? 1 : lus == fin_de_fichier ? fin_de_fichier : 0;
}

bool Nuage::remplir(int lot)
{
    std::vector<Lu>& lus = lots_[lot];
    for (std::size_t n = 0; n < par_lot; ++n) {
        Lu& lu = lus[n];
        lu.echec = -1;
        for (int rang = premier_en_avance_; rang < 4; ++rang)
            if (const int r = lire(ordre_[rang], lu.sommet); r != 1) {
                lu.echec = static_cast<signed char>(rang);
                lu.fin_de_fichier = r == fin_de_fichier;
                compte_[lot] = n + 1;
                return false;
            }
    }
    compte_[lot] = par_lot;
    return true;
}

const Sommet* Nuage::suivant()
{
    if (fini_)
        return nullptr;
    if (lot_ == -1 || k_ == compte_[lot_]) {
        lot_ = avance_.next();
        k_ = 0;
        if (lot_ == -1) { // the last lot was full and the files ended with it
            fini_ = true;
            return nullptr;
        }
    }
    Lu& lu = lots_[lot_][k_++];
    for (int rang = 0; rang < 4; ++rang) {
        int r = 1;
        if (rang < premier_en_avance_)
            r = lire(ordre_[rang], lu.sommet);
        else if (lu.echec == rang)
            r = lu.fin_de_fichier ? fin_de_fichier : 0;
        if (r != 1) {
            fini_ = true;
            if (rang > 0 || r != fin_de_fichier)
                fautif_ = noms[ordre_[rang]];
            return nullptr;
        }
    }
    return &lu.sommet;
}

Triplets::Triplets(Reader cloud)
    : cloud_(std::move(cloud)),
      lots_{std::vector<std::array<double, 3>>(par_lot), std::vector<std::array<double, 3>>(par_lot)},
      avance_([this](int lot) { return remplir(lot); })
{
}

bool Triplets::remplir(int lot)
{
    auto& points = lots_[lot];
    for (std::size_t n = 0; n < par_lot; ++n) {
        auto& p = points[n];
        if (const int lus = cloud_.scan("%lf %lf %lf", p[0], p[1], p[2]); lus != 3) {
            compte_[lot] = n;
            fin_[lot] = lus;
            return false;
        }
    }
    compte_[lot] = par_lot;
    return true;
}

const std::array<double, 3>* Triplets::suivant()
{
    while (lot_ == -1 || k_ == compte_[lot_]) {
        if (lot_ != -1 && compte_[lot_] < par_lot) {
            // End of file before the first value of a triple means only
            // blanks were left.
            interrompue_ = fin_[lot_] != fin_de_fichier;
            return nullptr;
        }
        lot_ = avance_.next();
        k_ = 0;
        if (lot_ == -1)
            return nullptr;
    }
    return &lots_[lot_][k_++];
}

} // namespace pipeline
