// The capture disc of the photogrammetric road. echantillonnage gives each
// node the mean height of the points it captures within r steps. For a node
// pair at least one step apart, the mean of the squared difference of two such
// means is H at their distance less, for each node, the spread of its points'
// heights about their mean (the variance with divisor n, expected value half
// the mean of H over the point pairs of the disc). The means are smoother than
// the surface: a rough surface loses a constant from H at every separation,
// which the fit would read as a longer L and a smaller σ. Adding back twice the
// mean spread of the nodes gives the surface's own function (up to the
// disc's breadth, a small share of one step), from the cloud itself.
#pragma once

#include "tools/rapport/grille.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rapport {

struct ReglagesEchantillonnage {
    int nbr_pas = 0;
    double r = 0;
};

// The settings of the last echantillonnage run that log.txt's text tells: the
// logged custom settings when that run had some, the defaults otherwise;
// nothing when the log tells no echantillonnage run.
std::optional<ReglagesEchantillonnage> reglages_echantillonnage(std::string_view journal);

// Each node's captured points, one at a time: count, mean and summed squared
// deviation (Welford's update, free of the cancellation of sums of squares).
class NoeudsCapture {
public:
    explicit NoeudsCapture(ReglagesEchantillonnage reglages);
    // A point of cloud.txt, as echantillonnage places it (a height not a number is dropped).
    void ajouter(double x, double y, double z);

    struct Noeud {
        long long n = 0;
        double moyenne = 0, ecarts = 0;
    };
    const ReglagesEchantillonnage& reglages() const { return reglages_; }
    const std::vector<Noeud>& noeuds() const { return noeuds_; } // x index first, as in grille.txt

private:
    ReglagesEchantillonnage reglages_;
    double pas_;
    std::vector<Noeud> noeuds_;
};

struct Disque {
    bool voulu = false;          // looked for (not turned off by an option): its absence is warned about
    bool corrige = false;        // decalage added to the measured H
    double rayon = 0;            // capture radius, in steps
    double points_par_noeud = 0; // mean over the nodes that captured a point
    double decalage = 0;         // twice the mean spread of the nodes' heights
    std::string motif;           // why no correction, in French ("" when corrected)
};

// The correction, once the nodes are checked against the grid: the same node
// count, the same empty nodes and each mean within the grid's printed
// precision. A grid that is not the one these points make gets no correction
// and a reason naming the file.
Disque disque_de_capture(const NoeudsCapture& noeuds, const Grille& grille);

// The correction of a photogrammetric measurement folder: the settings from
// its log.txt, the points from its cloud.txt (read as echantillonnage reads
// them). Without either, no correction and the reason.
Disque lire_disque(const std::filesystem::path& dossier, const Grille& grille);

} // namespace rapport
