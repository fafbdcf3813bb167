// The cloud readers of common/, which read ahead on the second core, and the
// two tests of a real cell of a grid (the grid file itself is checked byte for
// byte by the program tests).
#include "common/cloud_files.hpp"
#include "common/grid.hpp"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using pipeline::Nuage;
using pipeline::Reader;
using Fichiers = std::array<std::string, 4>; // f_x, f_y, f_z and f_color

namespace {

// What a plain loop reading the four files one vertex after the other gives:
// the vertices as text, and the file that broke the cloud ("" at a clean end).
struct Lecture {
    std::vector<std::string> sommets;
    std::string fautif;
};

// Every field: those of the other reading stay zero.
std::string texte(const pipeline::Sommet& s)
{
    char t[400];
    std::snprintf(t, sizeof t, "%.17g %.17g %.17g %d %d %d %.17g %.17g %.17g %.17g %.17g %.17g", s.x.value(),
                  s.y.value(), s.z.value(), s.rgb[0], s.rgb[1], s.rgb[2], s.point[0], s.point[1], s.point[2],
                  s.couleur[0], s.couleur[1], s.couleur[2]);
    return t;
}

Lecture pas_a_pas(const Fichiers& f, Nuage::Lecture lecture)
{
    Reader r[4] = {Reader::over_text(f[0]), Reader::over_text(f[1]), Reader::over_text(f[2]), Reader::over_text(f[3])};
    const char* noms[] = {"f_x.txt", "f_y.txt", "f_z.txt", "f_color.txt"};
    const bool couleurs = lecture == Nuage::Lecture::couleurs_d_abord;
    const int ordre[4] = {couleurs ? 3 : 0, couleurs ? 0 : 1, couleurs ? 1 : 2, couleurs ? 2 : 3};
    Lecture l;
    for (;;) {
        pipeline::Sommet s;
        for (int rang = 0; rang < 4; ++rang) {
            const int k = ordre[rang];
            int lus = 0, attendus = 1;
            if (k == 3 && couleurs)
                lus = r[3].scan("%d %d %d\n", s.rgb[0], s.rgb[1], s.rgb[2]), attendus = 3;
            else if (k == 3)
                lus = r[3].scan("%lf %lf %lf", s.couleur[0], s.couleur[1], s.couleur[2]), attendus = 3;
            else if (couleurs)
                lus = r[k].scan("%lf\n", k == 0 ? s.x : k == 1 ? s.y : s.z);
            else
                lus = r[k].scan("%lf", s.point[k]);
            if (lus != attendus) {
                if (rang > 0 || lus != pipeline::fin_de_fichier)
                    l.fautif = noms[k];
                return l;
            }
        }
        l.sommets.push_back(texte(s));
    }
}

Lecture par_blocs(const Fichiers& f, Nuage::Lecture lecture, std::size_t octets)
{
    Nuage nuage(Reader::over_text(f[0]), Reader::over_text(f[1]), Reader::over_text(f[2]), Reader::over_text(f[3]),
                lecture, octets);
    Lecture l;
    while (const pipeline::Sommet* s = nuage.suivant())
        l.sommets.push_back(texte(*s));
    EXPECT_EQ(nuage.suivant(), nullptr); // stays at the end
    l.fautif = nuage.fichier_fautif() ? nuage.fichier_fautif() : "";
    return l;
}

// n vertices; file `casse` (x, y, z, colours) ends early or holds a word that
// is no number at vertex `ou`.
Fichiers nuage_de(int n, int casse, int ou, bool tronque)
{
    Fichiers f;
    for (int i = 0; i < n; ++i) {
        const std::string v[4] = {std::to_string(i) + ".25", std::string("-") + std::to_string(i % 97) + ".5",
                                  std::to_string(i % 13) + "e-1",
                                  std::to_string(i % 256) + " " + std::to_string(i % 7) + " " + std::to_string(i % 3)};
        for (int k = 0; k < 4; ++k) {
            if (k == casse && i == ou && !tronque)
                f[k] += k == 3 ? "1 2\n" : "x\n";
            if (k == casse && i >= ou)
                continue;
            f[k] += v[k] + "\n";
        }
    }
    return f;
}

} // namespace

TEST(GridFile, TheTwoTestsOfARealCellAtTheMarkersBounds)
{
    using pipeline::reel_exact, pipeline::reel_tolerance;
    EXPECT_FALSE(reel_exact(10000.0) || reel_tolerance(10000.0));
    EXPECT_TRUE(reel_exact(10001.0));
    EXPECT_FALSE(reel_tolerance(10001.0) || reel_tolerance(9999.0)); // 1 away is still the marker
    EXPECT_TRUE(reel_tolerance(10001.000001) && reel_tolerance(9998.999999) && reel_tolerance(-10000.0));
}

// The readers over blocks of a few bytes, so that lines and blocks end together
// anywhere, against the plain loops of scans: the same values, the same end
// and the same file named. Odd texts are each read as the four files, and as a
// cloud of triplets; then clouds whose file `casse` ends early or holds a word
// at a lot boundary (2048 vertices).
TEST(CloudReaders, BlocksCutAnywhereReadAsThePlainLoops)
{
    std::vector<Fichiers> nuages;
    std::string points;
    for (int i = 0; i < 4097; ++i) {
        points += std::to_string(i) + " " + std::to_string(-i) + " 0.5\n";
        if (i == 2047)
            for (const char* suite : {"", "1 2\n", "#\n"})
                nuages.push_back(Fichiers{points + suite, points + suite, points + suite, points + suite});
    }
    for (const char* t : {"1 2 3\n4 5 6\n", "1 2\n3\n\n4 5 6 \n", "1 2 3\n4 x\n5 6 7\n", "1 2 3\n4 5", " \n\t\n",
                          "1e5 -0.5 +.5\n7 8 9\n10", "1 2 3\n-\n", "0x10 inf 2\n3 4 5\n"})
        nuages.push_back(Fichiers{t, t, t, t});
    for (const char* suite : {" \n\t\n", "1 2 x\n"})
        nuages.push_back(Fichiers{points + suite, points + suite, points + suite, points + suite});
    const std::size_t en_petits_blocs = nuages.size(); // the clouds read in blocks of 1 and 5 bytes too
    nuages.push_back(nuage_de(4100, -1, 0, true));
    for (int casse = 0; casse < 4; ++casse)
        for (const int ou : {0, 2047, 2048, 2049, 4096})
            for (const bool tronque : {true, false})
                nuages.push_back(nuage_de(4100, casse, ou, tronque));
    const Nuage::Lecture lectures[] = {Nuage::Lecture::couleurs_d_abord, Nuage::Lecture::coordonnees_d_abord};
    for (std::size_t k = 0; k < nuages.size(); ++k) {
        const Lecture attendues[] = {pas_a_pas(nuages[k], lectures[0]), pas_a_pas(nuages[k], lectures[1])};
        for (const std::size_t octets : {std::size_t{1}, std::size_t{5}, std::size_t{4096}, pipeline::block_bytes}) {
            if (k >= en_petits_blocs && octets < 4096)
                continue;
            SCOPED_TRACE(testing::Message() << "nuage " << k << ", blocs de " << octets << " octets");
            for (int l = 0; l < 2; ++l) {
                const Lecture lue = par_blocs(nuages[k], lectures[l], octets);
                EXPECT_EQ(lue.sommets, attendues[l].sommets);
                EXPECT_EQ(lue.fautif, attendues[l].fautif);
            }
            std::string attendu, lu;
            Reader r = Reader::over_text(nuages[k][0]);
            double a = 0, b = 0, c = 0;
            int n = 0;
            while ((n = r.scan("%lf %lf %lf", a, b, c)) == 3)
                attendu += std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) + ";";
            pipeline::Triplets triplets(Reader::over_text(nuages[k][0]), octets);
            while (const auto* p = triplets.suivant())
                lu += std::to_string((*p)[0]) + " " + std::to_string((*p)[1]) + " " + std::to_string((*p)[2]) + ";";
            EXPECT_EQ(lu, attendu);
            EXPECT_EQ(triplets.interrompue(), n != pipeline::fin_de_fichier);
        }
    }
}
