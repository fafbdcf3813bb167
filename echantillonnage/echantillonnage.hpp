// Resampling of the cropped cloud onto a square lattice of nodes: each point
// goes to its nearest node when it lies within the capture radius, each node
// takes the mean height of its points, and a node without any takes the
// empty-cell marker.
#pragma once

#include "common/capture.hpp"
#include "common/cloud_files.hpp"
#include "common/line_io.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace echantillonnage {

struct Parametres {
    int nbr_pas = pipeline::nbr_pas_defaut; // steps along each side: nbr_pas + 1 nodes
    double r = pipeline::rayon_capture_defaut; // capture radius, in steps
    bool personnalises = false;
    // Why a setting is not what was typed: one sentence each, for standard error.
    std::vector<std::string> avis;
};

// The settings from the words that follow the program name: with exactly two,
// "%d" gives nbr_pas and "%lf" gives r (a word that does not convert keeps its
// default); r's word "%i,%i" has its comma taken as the decimal point first.
// With any other count, the defaults. A word that is not wholly a number, or
// a count other than 0 and 2, is told in avis.
Parametres lireParametres(const std::vector<std::string>& arguments);

// Whether the two working arrays of nbr_pas steps can be held: at least one
// step, a node count that an int can number, and bytes within the memory.
bool grillesAllouables(int nbr_pas, std::uint64_t memoire_disponible);

// The two working arrays, first index i along x, second index j along y.
struct Grilles {
    int nbr_pas = 0;
    double pas = 0.0; // pipeline::pasGrille(nbr_pas)
    double r = 0.0;
    std::vector<std::vector<double>> grille; // sums of heights, then means
    std::vector<std::vector<int>> n_grille;  // points captured by each node
};

// Zeroed arrays of (nbr_pas + 1) x (nbr_pas + 1) nodes; nbr_pas must be allowed
// by grillesAllouables.
Grilles reserverGrilles(int nbr_pas, double r);

using pipeline::Sort;

// Gives the point to its nearest node when the node captures it (common/capture.hpp);
// a height not a number is rejected.
Sort placerPoint(Grilles& g, double x, double y, double z);

struct BilanLecture {
    std::int64_t points = 0;  // triples read
    std::int64_t rejetes = 0; // of which rejected
    bool interrompue = false; // the reading stopped before only blanks were left
};

// Puts the triples of cloud.txt into the arrays for as long as a read converts
// all three.
BilanLecture lireNuage(pipeline::Triplets& cloud, Grilles& g);

// Turns the sums into means or empty-cell markers and writes grille.txt and
// grille.m in one pass over the nodes; gives the number of empty nodes.
int ecrireGrilles(Grilles& g, pipeline::Writer& grille_txt, pipeline::Writer& grille_m);

// Share of empty nodes, in percent.
double partVide(int points_vide, int nbr_pas);

} // namespace echantillonnage
