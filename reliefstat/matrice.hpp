// The matrices of reliefstat and the memory they may take.
#pragma once

#include "common/line_io.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace reliefstat {

// A matrix of doubles whose elements all start at 0.0; a vector is a matrix of
// one row. Element (i, j) is row i, column j, both counted from 0. The rows lie
// one after another in a single block, taken zero-filled from the system, so
// its pages cost memory only once written. Throws std::bad_alloc when the
// block can't be had.
class Matrice {
public:
    Matrice() = default;
    Matrice(int nl, int nc);

    int lignes() const { return nl_; }
    int colonnes() const { return nc_; }
    double* operator[](int i) { return valeurs_.get() + static_cast<std::size_t>(i) * nc_; }
    const double* operator[](int i) const { return valeurs_.get() + static_cast<std::size_t>(i) * nc_; }
    std::span<double> ligne(int i) { return {(*this)[i], static_cast<std::size_t>(nc_)}; }
    std::span<const double> ligne(int i) const { return {(*this)[i], static_cast<std::size_t>(nc_)}; }

private:
    struct Liberer {
        void operator()(double* bloc) const;
    };
    int nl_ = 0;
    int nc_ = 0;
    std::unique_ptr<double[], Liberer> valeurs_;
};

// What the program lets itself take for its matrices: seven eighths of the
// memory the machine has available when it starts (physical memory when the
// kernel does not tell). Linux promises memory it may not have, so a grid is
// measured against this before it is touched.
std::uint64_t memoire_utilisable();

// Makes an nl x nc matrix of zeros in p_mat, taking its size from
// memoire_restante, and returns 1. Returns 0, with p_mat and memoire_restante
// left as they were, after printing "erreur resa matrice" when the table of
// rows can't be had (nl beyond an int, or nl row addresses beyond the memory
// left), or "erreur resa lignes" when the rows can't (nc beyond an int, or
// nl x nc doubles beyond the memory left). Neither message ends a line.
int reserverMatrice(long long nl, long long nc, Matrice& p_mat, std::uint64_t& memoire_restante,
                    pipeline::Writer& ecran);

// Creates or truncates the file and writes nbLignes lines: the first nbColonnes
// values of each row with "%lf", a tab between two values, a newline after the
// last. False, with the system's error number, when the file can't be created
// or a write failed.
bool matrice2file(const Matrice& matrice, int nbLignes, int nbColonnes, const std::string& filename, int& erreur);

// The same lines, written to an open writer.
void ecrireMatrice(pipeline::Writer& fichier, const Matrice& matrice, int nbLignes, int nbColonnes);

} // namespace reliefstat
