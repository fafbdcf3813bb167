#include "common/cloud_files.hpp"
#include "common/format_plan.hpp"
#include "common/line_io.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>

using pipeline::Reader;
using pipeline::Writer;

// What stops the compilation of a scan or a print (the consteval constructors
// of ScanFormat and PrintFormat refuse what these refuse; format_refused.sh
// compiles the plain mistakes).
using pipeline::format::print_misfit;
using pipeline::format::scan_misfit;
static_assert(scan_misfit<int, int, double>("%dx%dx%lf") == nullptr);
static_assert(scan_misfit<double, int>("%lf %*lf %*lf %i") == nullptr);
static_assert(scan_misfit<float, std::string>(" %f%% %s") == nullptr);
static_assert(scan_misfit<double>("%*lf") != nullptr); // dropped: no target
static_assert(print_misfit<double, float, double, int, int, const char*>("%lf|%f|%.1f|%d|%i|%s|%%|") == nullptr);
static_assert(print_misfit<std::string, char[3]>("%s%s") == nullptr);
static_assert(print_misfit<>("100%") != nullptr);
using pipeline::NumberText;
static_assert(scan_misfit<NumberText, double, NumberText, int>("%lf %lf %lf %*lf %d") == nullptr);
static_assert(scan_misfit<NumberText>("%f") != nullptr); // read as float, not as "%lf"
static_assert(scan_misfit<NumberText>("%d") != nullptr);
static_assert(print_misfit<NumberText, NumberText>("%lf %f") == nullptr);
static_assert(print_misfit<NumberText>("%.1f") != nullptr);
static_assert(print_misfit<NumberText>("%d") != nullptr);

// Long literal runs, read and written whole.
TEST(LineIo, LongLiteralsAreWholeInBothDirections)
{
    // 520 characters without a blank: one run of the scan format.
#define CHUNK "abcdefghijklmnopqrstuvwxyz_ABCDEFGHIJKLMNOPQRSTUVWXYZ"
#define LONG_TEXT CHUNK CHUNK CHUNK CHUNK CHUNK CHUNK CHUNK CHUNK CHUNK CHUNK
    static_assert(sizeof(LONG_TEXT) > 256);
    Writer w = Writer::in_memory();
    w.print(LONG_TEXT "=%d;" LONG_TEXT "\n", 42);
    const std::string long_text = LONG_TEXT;
    EXPECT_EQ(w.memory_text(), long_text + "=42;" + long_text + "\n");

    int n = 0;
    Reader whole = Reader::over_text(long_text + "=7 et la suite");
    EXPECT_EQ(whole.scan(LONG_TEXT "=%d", n), 1);
    EXPECT_EQ(n, 7);
    std::string rest;
    EXPECT_TRUE(whole.read_line(rest));
    EXPECT_EQ(rest, " et la suite");
    // A difference past the first step's run stops the scan there, the
    // differing character left unread.
    std::string altered = long_text + "=8";
    altered[300] = '#';
    Reader broken = Reader::over_text(altered);
    EXPECT_EQ(broken.scan(LONG_TEXT "=%d", n), 0);
    EXPECT_TRUE(broken.read_line(rest));
    EXPECT_EQ(rest, altered.substr(300));
#undef LONG_TEXT
#undef CHUNK
}

TEST(LineWriter, ReportsAFileThatCannotBeOpenedWithTheSystemsReason)
{
    int error = 0;
    EXPECT_FALSE(Writer::open("/nonexistent-dir/x.txt", "w", error).has_value());
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(Reader::open("/nonexistent-dir/x.txt", error).has_value());
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(Reader::open("/", error).has_value()); // opens, but has no lines
    EXPECT_EQ(error, EISDIR);
    EXPECT_FALSE(Writer::open("/dev/null", "wx", error).has_value());
    EXPECT_EQ(error, EEXIST);
    auto full = Writer::open("/dev/full", "w");
    ASSERT_TRUE(full.has_value());
    EXPECT_EQ(full->error(), 0);
    full->print("%lf\n", 1.0);
    EXPECT_FALSE(full->close());
    EXPECT_EQ(full->error(), ENOSPC);
}

// The cloud readers over blocks of a few bytes, so that lines and blocks end
// together anywhere, against the plain loops of scans: the same vertices, the
// same end. Each text is each file of the cloud.
namespace {

std::string sommet_texte(const pipeline::Sommet& s)
{
    std::string t;
    for (const double v : {s.x.value(), s.y.value(), s.z.value(), s.point[0], s.point[1], s.point[2], s.couleur[0],
                           s.couleur[1], s.couleur[2]})
        t += std::to_string(v) + " ";
    for (const int v : s.rgb)
        t += std::to_string(v) + " ";
    return t + ";";
}

std::string pas_a_pas(const char* texte, pipeline::Nuage::Lecture lecture)
{
    const bool couleurs = lecture == pipeline::Nuage::Lecture::couleurs_d_abord;
    Reader f[4] = {Reader::over_text(texte), Reader::over_text(texte), Reader::over_text(texte),
                   Reader::over_text(texte)};
    const char* noms[] = {"f_x.txt", "f_y.txt", "f_z.txt", "f_color.txt"};
    const int ordre[4] = {couleurs ? 3 : 0, couleurs ? 0 : 1, couleurs ? 1 : 2, couleurs ? 2 : 3};
    std::string lu;
    for (pipeline::Sommet s;; lu += sommet_texte(s))
        for (int rang = 0; rang < 4; ++rang) {
            const int k = ordre[rang];
            int lus = 0, attendus = 1;
            if (k == 3 && couleurs)
                lus = f[3].scan("%d %d %d\n", s.rgb[0], s.rgb[1], s.rgb[2]), attendus = 3;
            else if (k == 3)
                lus = f[3].scan("%lf %lf %lf", s.couleur[0], s.couleur[1], s.couleur[2]), attendus = 3;
            else if (couleurs)
                lus = f[k].scan("%lf\n", k == 0 ? s.x : k == 1 ? s.y : s.z);
            else
                lus = f[k].scan("%lf", s.point[static_cast<std::size_t>(k)]);
            if (lus != attendus)
                return lu + (rang == 0 && lus == pipeline::fin_de_fichier ? "" : noms[k]);
        }
}

} // namespace

TEST(LineBlocks, CloudsCutAnywhereReadAsThePlainLoops)
{
    using pipeline::Nuage;
    const char* textes[] = {"1 2 3\n4 5 6\n", "1 2\n3\n\n4 5 6 \n", "1 2 3\n4 x\n5 6 7\n", "1 2 3\n4 5",
                            " \n\t\n", "1e5 -0.5 +.5\n7 8 9\n10", "1 2 3\n-\n", "0x10 inf 2\n3 4 5\n"};
    for (const std::size_t octets : {1, 2, 5, 4096})
        for (const char* t : textes) {
            SCOPED_TRACE(testing::Message() << octets << " octets, \"" << t << "\"");
            std::string attendu, lu;
            Reader r = Reader::over_text(t);
            pipeline::Sommet s;
            int n = 0;
            while ((n = r.scan("%lf %lf %lf", s.couleur[0], s.couleur[1], s.couleur[2])) == 3)
                attendu += sommet_texte(s);
            pipeline::Triplets triplets(Reader::over_text(t), octets);
            while (const auto* p = triplets.suivant()) {
                std::copy(p->begin(), p->end(), s.couleur.begin());
                lu += sommet_texte(s);
            }
            EXPECT_EQ(lu, attendu);
            EXPECT_EQ(triplets.interrompue(), n != pipeline::fin_de_fichier);
            for (const auto lecture : {Nuage::Lecture::couleurs_d_abord, Nuage::Lecture::coordonnees_d_abord}) {
                Nuage nuage(Reader::over_text(t), Reader::over_text(t), Reader::over_text(t), Reader::over_text(t),
                            lecture, octets);
                std::string vertices;
                while (const pipeline::Sommet* v = nuage.suivant())
                    vertices += sommet_texte(*v);
                EXPECT_EQ(vertices + (nuage.fichier_fautif() ? nuage.fichier_fautif() : ""), pas_a_pas(t, lecture));
            }
        }
}
