// plyunpack run on clouds that the tests write: the classic layout byte for
// byte, every other layout against the classic one for the same vertices, and
// clouds that are cut short, damaged or unreadable.
#include "tests/plyunpack/ply_writer.hpp"
#include "tests/support/program_run.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

using namespace ply_test;
using program_test::WorkDir;

namespace {

struct Outcome {
    int status;
    std::string out;
    std::map<std::string, std::string> files; // all but the cloud, the log without timestamps
};

Outcome unpack(const std::string& cloud)
{
    WorkDir dir;
    dir.write("option-0000.ply", cloud);
    const auto run = program_test::run("plyunpack", {}, dir);
    auto files = dir.files();
    files.erase("option-0000.ply");
    files["log.txt"] = program_test::without_timestamps(files["log.txt"]);
    return {run.status, run.out, files};
}

// Vertices whose values every type used below holds exactly (z is an integer).
std::vector<Point> some_points(int n)
{
    std::vector<Point> points;
    std::mt19937 random(12345);
    auto next = [&](int range) { return std::uniform_int_distribution(-range, range)(random); };
    for (int i = 0; i < n; ++i)
        points.push_back({next(8000) / 8.0, next(8000) / 8.0, next(800) * 1.0, next(16) / 16.0, 0, 1,
                          next(127) + 128, next(127) + 128, next(127) + 128});
    return points;
}

// The cloud with its header's line ends, and those of an ASCII file's data, replaced.
std::string line_ends(const std::string& cloud, const std::string& end)
{
    const bool text = cloud.starts_with("ply\nformat ascii");
    const std::size_t header = cloud.find("end_header\n") + 11;
    std::string out;
    for (std::size_t i = 0; i < cloud.size(); ++i)
        out += cloud[i] == '\n' && (text || i < header) ? end : std::string(1, cloud[i]);
    return out;
}

std::string declaring(std::string cloud, int count)
{
    const std::size_t at = cloud.find("element vertex ") + 15;
    return cloud.replace(at, cloud.find('\n', at) - at, std::to_string(count));
}

const std::string started = "[T]\nexecution plyunpack\n[T]\nexecution plyunpack\n";
std::string done(int written) { return "[T]\nfichier.ply ok, " + std::to_string(written) + " points extraits\nFin du script plyunpack\n\n"; }
std::string warning(int written, int declared)
{
    return "attention : " + std::to_string(written) + " points extraits sur " + std::to_string(declared) +
           " declares (fichier incomplet ou sommets illisibles)\n";
}

} // namespace

TEST(ClassicLayout, VertexLinesAreScannedAsAlways)
{
    const std::string cloud = declaring(classic_ply({}), 8) +
                              "007.5 -0 +.5 0 0 1 1 1 1\n"                 // digits copied, as printf writes
                              "1e3 1234567890.5 0.1234567 0 0 1 2 2 2\n"   // converted, then written
                              "1.5 -2.25 0.125 0 0 1 230 110 30\n"
                              "1 2 3 0.5 0.5 0.5 1 2 3 255\n"               // an alpha value is dropped
                              "2 4\n6 -7 -8 -9 4 5 6 dropped\n"              // blanks match line ends
                              "5 5 5 0 0 1 7 7 7" + std::string(999, ' ') + // 999 characters dropped at a time
                              "6 6 6 0 0 1 8 8 8\n"
                              "9 9 9 0 0 1 1 1 x dropped\n";                // five values: left out, not repeated
    const auto r = unpack(cloud);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "ouverture du .ply ok\n" + warning(7, 8));
    EXPECT_EQ(r.files, (std::map<std::string, std::string>{
                           {"f_x.txt", "7.500000\n 1000.000000\n 1.500000\n 1.000000\n 2.000000\n 5.000000\n 6.000000\n "},
                           {"f_y.txt", "-0.000000\n 1234567890.500000\n -2.250000\n 2.000000\n 4.000000\n 5.000000\n 6.000000\n "},
                           {"f_z.txt", "0.500000\n 0.123457\n 0.125000\n 3.000000\n 6.000000\n 5.000000\n 6.000000\n "},
                           {"f_color.txt", "1 1 1\n2 2 2\n230 110 30\n1 2 3\n4 5 6\n7 7 7\n8 8 8\n"},
                           {"log.txt", started + done(7) + "[T]\n" + warning(7, 8)}}));

    // The second start entry follows the declared count, not the vertices read.
    const auto cut = classic_ply(some_points(2));
    EXPECT_EQ(unpack(declaring(cut, 9999)).files.at("log.txt"), started + done(2) + "[T]\n" + warning(2, 9999));
    EXPECT_EQ(unpack(declaring(cut, 10000)).files.at("log.txt"),
              "[T]\nexecution plyunpack\n" + done(2) + "[T]\n" + warning(2, 10000));
    // Lines past the declared count are not vertices.
    EXPECT_EQ(unpack(declaring(classic_ply(some_points(3)), 2)).files, unpack(cut).files);
    // Headers that differ only in blanks, zeros and line ends are still the
    // classic layout; any other line makes one line one vertex.
    const std::tuple<std::string, std::string, bool> headers[] = {
        {"\n", "\r\n", true},
        {"property float y", "property \t float  y ", true},
        {"vertex 8", "vertex 0008  ", true},
        {"end_header", "   end_header", true},
        {"element", "comment made here\nelement", false},
        {"end_header", "element face 0\nproperty list uchar int vertex_indices\nend_header", false},
        {"float x", "float x" + std::string(983, ' '), false}, // a line read in two pieces
        {"property float y\n", "property float y\n\n", false},
    };
    for (const auto& [from, to, classic] : headers) {
        std::string variant = cloud;
        const auto o = unpack(variant.replace(variant.find(from), from.size(), to));
        EXPECT_EQ(o.status, 2) << to; // read, whichever the layout
        EXPECT_EQ(o.files == r.files, classic) << to;
    }
}

TEST(OtherLayouts, GiveWhatTheClassicLayoutGives)
{
    const auto points = some_points(40);
    const auto reference = unpack(classic_ply(points));
    ASSERT_EQ(reference.status, 0);
    auto plus = [](std::vector<Column> columns, const Column& more) {
        columns.push_back(more);
        return columns;
    };
    const auto classic = classic_columns();
    const Block face{"face", 3, {{"int", "vertex_indices", [](const Point&, int i) { return i; }, 3}}};
    const Block camera{"camera", 2, {constant("float", "f", 2.5), {"uint", "ids", {}, 0, "ushort"}}};
    const std::vector<Column> diffuse = { // shuffled, and a lone red that is not the colour
        column("uchar", "diffuse_blue", &Point::b), column("float32", "z", &Point::z),
        column("uchar", "diffuse_green", &Point::g), constant("float", "red", 1), column("float", "x", &Point::x),
        column("uchar", "diffuse_red", &Point::r),   column("float", "y", &Point::y)};
    const std::vector<Column> real_colour = { // and short names
        column("double", "x", &Point::x), column("float64", "y", &Point::y), column("float", "z", &Point::z),
        {"float", "r", [](const Point& p, int) { return p.r / 255.0; }}, // fractions of full intensity
        {"double", "g", [](const Point& p, int) { return (p.g - 0.375) / 255.0; }},
        {"float", "b", [](const Point& p, int) { return (p.b + 0.25) / 255.0; }}};
    // 16-bit colours (ushort, and short with values up to 65535) span 0 to 65535,
    // and v x 257 +- 128 rounds to v.
    auto sixteen_bits = [](int Point::*channel) {
        return [channel](const Point& p, int) { return (p.*channel) * 257.0 + (p.*channel < 128 ? 128 : -128); };
    };
    const std::vector<Column> integers = {
        column("float", "x", &Point::x),    column("double", "y", &Point::y),  column("short", "z", &Point::z),
        constant("char", "c", -5),          constant("int8", "i", 7),          constant("uint16", "u", 60000),
        constant("uint32", "v", 4e9),       constant("int", "w", -7e5),        constant("int32", "t", 1),
        {"ushort", "red", sixteen_bits(&Point::r)}, column("uint8", "green", &Point::g),
        {"int16", "blue", sixteen_bits(&Point::b)}};
    const auto extra = plus(plus(classic, constant("float", "quality", .5)), constant("uchar", "alpha", 255));
    const auto listed = plus(classic, {"float", "w", [](const Point& p, int) { return p.z; }, 2, "int"});
    const std::vector<std::string> notes = {"comment by a scanner", "obj_info num_cols 640", "comment",
                                            "comment " + std::string(100000, 'c')}; // lines of any length
    for (const char* format : {"ascii", "binary_little_endian", "binary_big_endian"})
        for (const std::string& cloud : {
                 make_ply(format, {}, {{"vertex", 0, extra}}, points),
                 make_ply(format, notes, {{"vertex", 0, real_colour}, face}, points),
                 make_ply(format, {}, {camera, {"vertex", 0, listed}, face}, points),
                 make_ply(format, {}, {{"vertex", 0, diffuse}}, points),
                 make_ply(format, {}, {{"vertex", 0, integers}}, points),
                 // Lines that end with CR LF or a bare CR: the header, and the data of a text file.
                 line_ends(make_ply(format, notes, {{"vertex", 0, classic}}, points), "\r\n"),
                 line_ends(make_ply(format, {}, {camera, {"vertex", 0, integers}, face}, points), "\r"),
             }) {
            SCOPED_TRACE(cloud.substr(0, std::min<std::size_t>(cloud.find("end_header"), 300)));
            const auto r = unpack(cloud);
            EXPECT_EQ(r.status, 0);
            EXPECT_EQ(r.out, reference.out);
            EXPECT_EQ(r.files, reference.files);
        }
}

TEST(OtherLayouts, CutOrDamagedCloudsKeepTheVerticesRead)
{
    const auto points = some_points(6);
    auto expect = [&](const Outcome& r, std::vector<Point> kept) {
        const int n = static_cast<int>(kept.size());
        auto files = unpack(classic_ply(kept)).files;
        files["log.txt"] = started + done(n) + "[T]\n" + warning(n, 6);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "ouverture du .ply ok\n" + warning(n, 6));
        EXPECT_EQ(r.files, files);
    };
    for (const char* format : {"binary_little_endian", "binary_big_endian"}) { // cut inside the fifth vertex
        const std::string cloud = make_ply(format, {}, {{"vertex", 0, classic_columns()}}, points);
        expect(unpack(cloud.substr(0, cloud.size() - 27 - 10)), {points.begin(), points.begin() + 4});
    }
    // Outside the classic layout a line is one vertex: too few or too many
    // values, or one that its type cannot hold, leave that line out.
    const std::string cloud = make_ply("ascii", {"comment"}, {{"vertex", 0, classic_columns()}}, points);
    std::size_t at = cloud.find("end_header\n") + 11;
    std::string text = cloud.substr(0, at);
    for (const std::string damaged : {"", "1 2 3 4 5 6 7 8\n", "-", "1 2 3 4 5 6 256 0 0\n\n  \n", ""}) {
        const std::size_t end = cloud.find('\n', at) + 1;
        text += damaged == "-" ? cloud.substr(at, end - at - 1) + " 9\n" : damaged + cloud.substr(at, end - at);
        at = end;
    }
    expect(unpack(text), {points[0], points[1], points[3]});
}

// Clouds that can't be read and files that can't be opened or written: status
// 1 and the reason. A header that reads, but lacks what the toolkit needs, is
// not called unreadable; a cloud that can't be read leaves the earlier files
// alone (the log is emptied all the same).
TEST(PlyRefusals, StatusOneAndTheReason)
{
    namespace fs = std::filesystem;
    const std::string good = make_ply("ascii", {"comment x"}, {{"vertex", 0, classic_columns()}}, some_points(3));
    const std::map<std::string, std::string> earlier_run = {
        {"f_x.txt", "7.000000\n "}, {"f_y.txt", "7.000000\n "}, {"f_z.txt", "7.000000\n "}, {"f_color.txt", "1 2 3\n"}};
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        return s.replace(s.find(from), from.size(), to);
    };
    struct Case {
        std::optional<std::string> cloud;
        std::string blocked; // a name taken by a directory, or by /dev/full after ">"
        std::string out, log, err;
    };
    const std::string once = "[T]\nexecution plyunpack\n", lacks = "Le nuage .ply ne peut pas etre decoupe : ";
    auto header = [&](const std::string& cloud, const std::string& reason) {
        const bool lacking = reason.starts_with(lacks);
        const std::string said = (lacking ? "" : "En-tete du .ply illisible : ") + reason + "... arret du programme\n";
        return Case{cloud, "", said, once + "[T]\n" + said,
                    "option-0000.ply " + (lacking ? "ne peut pas etre decoupe : " + reason.substr(lacks.size())
                                                  : ": en-tete illisible : " + reason)};
    };
    const std::string cannot = "Le fichier f_z.txt n'a pas pu etre ouvert... arret du programme\n";
    const std::string full = "Erreur d'ecriture dans f_color.txt... arret du programme\n";
    const Case cases[] = {
        header("", "ce n'est pas un fichier PLY (la premiere ligne n'est pas ply)"),
        header(good.substr(0, good.find("end_header")), "l'en-tete ne se termine pas (pas de ligne end_header)"),
        header(replaced("end_header", "end header"), "ligne non reconnue a la ligne 14 de l'en-tete"),
        header(replaced("ascii", "binary_middle_endian"),
               "format inconnu (ascii, binary_little_endian ou binary_big_endian attendu)"),
        header(replaced("1.0", "2.0"), "version de format inconnue (1.0 attendu)"),
        header(replaced("vertex 3", "vertex -3"), "nombre d'elements illisible a la ligne 4 de l'en-tete"),
        header(replaced("property uchar red", "property bool red"), "type de propriete bool inconnu a la ligne 11 de l'en-tete"),
        header(replaced("property float y", "property float why"), lacks + "l'element vertex n'a pas de propriete y"),
        header(replaced("property uchar green", "property uchar gren"),
               lacks + "l'element vertex n'a pas de couleur (red green blue, r g b ou diffuse_red diffuse_green diffuse_blue)"),
        header(replaced("element vertex", "element vertices"), lacks + "l'en-tete ne declare pas d'element vertex"),
        header(replaced("element vertex 3", "element vertex 2147483648"), lacks + "trop de sommets declares"),
        {std::nullopt, "", "Le fichier n'existe pas",
         once + "[T]\nLe fichier .ply n'a pas pu etre ouvert... arret du programme\n",
         "impossible d'ouvrir option-0000.ply : No such file or directory"},
        {good, "f_z.txt", cannot, once + "[T]\n" + cannot, "impossible de creer f_z.txt : Is a directory"},
        {good, "log.txt", "Le fichier log.txt n'a pas pu etre ouvert... arret du programme\n", "",
         "impossible d'ouvrir log.txt : Is a directory"},
        {good, ">f_color.txt", "ouverture du .ply ok\n" + full, started + "[T]\n" + full,
         "impossible d'ecrire f_color.txt : No space left on device"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.err);
        WorkDir dir;
        if (c.cloud)
            dir.write("option-0000.ply", *c.cloud);
        for (const auto& [name, bytes] : earlier_run)
            dir.write(name, bytes);
        dir.write("log.txt", "old log\n");
        const fs::path blocked = dir.path() / (c.blocked.starts_with(">") ? c.blocked.substr(1) : c.blocked);
        if (!c.blocked.empty())
            fs::remove(blocked);
        if (c.blocked.starts_with(">"))
            fs::create_symlink("/dev/full", blocked);
        else if (!c.blocked.empty())
            fs::create_directory(blocked);
        const auto run = program_test::run("plyunpack", {}, dir);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, "plyunpack : " + c.err + "\n");
        EXPECT_EQ(program_test::without_timestamps(program_test::slurp(dir.path() / "log.txt")), c.log);
        for (const auto& [name, bytes] : earlier_run)
            EXPECT_TRUE(!c.blocked.empty() || dir.read(name) == bytes) << name;
    }
}
