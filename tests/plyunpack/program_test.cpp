// plyunpack run on clouds that the tests write: the classic layout byte for
// byte, every other layout against the classic one for the same vertices, and
// the clouds that cannot be read.
#include "ply_writer.hpp"
#include "program_run.hpp"

#include <gtest/gtest.h>

#include <filesystem>

using namespace ply_test;
using program_test::WorkDir;

namespace {

struct Outcome {
    int status;
    std::string out;
    std::map<std::string, std::string> files; // every file but the cloud, log without timestamps
};

Outcome unpack(const std::string& cloud, const std::map<std::string, std::string>& earlier = {})
{
    WorkDir dir;
    dir.write("option-0000.ply", cloud);
    for (const auto& [name, bytes] : earlier)
        dir.write(name, bytes);
    const auto run = program_test::run("plyunpack", {}, dir);
    EXPECT_EQ(run.err, "");
    auto files = dir.files();
    files.erase("option-0000.ply");
    if (files.count("log.txt"))
        files["log.txt"] = program_test::without_timestamps(files["log.txt"]);
    return {run.status, run.out, files};
}

// Vertices whose values every type of the layouts holds exactly.
std::vector<Point> some_points(int n, bool integral = false)
{
    std::vector<Point> points;
    unsigned seed = 12345;
    auto next = [&](int range) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % static_cast<unsigned>(2 * range + 1)) - range;
    };
    for (int i = 0; i < n; ++i) {
        const double d = integral ? 1.0 : 8.0;
        points.push_back({next(8000) / d, next(8000) / d, next(800) / d, next(16) / 16.0, next(16) / 16.0,
                          next(16) / 16.0, next(127) + 128, next(127) + 128, next(127) + 128});
    }
    return points;
}

const std::string earlier_x = "7.000000\n ";
const std::map<std::string, std::string> earlier_run = {
    {"f_x.txt", earlier_x}, {"f_y.txt", earlier_x}, {"f_z.txt", earlier_x}, {"f_color.txt", "1 2 3\n"}};

std::string log_of(const std::string& tail)
{
    return "[T]\nexecution plyunpack\n[T]\nexecution plyunpack\n" + tail;
}

} // namespace

TEST(ClassicLayout, WritesEachVertexAsAlways)
{
    const std::string cloud = "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                              "property float z\nproperty float nx\nproperty float ny\nproperty float nz\n"
                              "property uchar red\nproperty uchar green\nproperty uchar blue\nend_header\n"
                              "1.5 -2.25 0.125 0 0 1 230 110 30\n"
                              "1 2 3 0.5 0.5 0.5 1 2 3 255\n" // an alpha value is dropped
                              "2 4\n6 -7 -8 -9 4 5 6 ignored rest\n"; // blanks match line ends
    const auto r = unpack(cloud);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "ouverture du .ply ok\n");
    EXPECT_EQ(r.files.at("f_x.txt"), "1.500000\n 1.000000\n 2.000000\n ");
    EXPECT_EQ(r.files.at("f_y.txt"), "-2.250000\n 2.000000\n 4.000000\n ");
    EXPECT_EQ(r.files.at("f_z.txt"), "0.125000\n 3.000000\n 6.000000\n ");
    EXPECT_EQ(r.files.at("f_color.txt"), "230 110 30\n1 2 3\n4 5 6\n");
    EXPECT_EQ(r.files.at("log.txt"), log_of("[T]\nfichier.ply ok, 3 points extraits\nFin du script plyunpack\n\n"));
    EXPECT_EQ(r.files.size(), 5u);
}

TEST(ClassicLayout, EmptyCloudAndTheSecondStartEntry)
{
    const auto empty = unpack(classic_ply({}));
    EXPECT_EQ(empty.status, 0);
    for (const char* name : {"f_x.txt", "f_y.txt", "f_z.txt", "f_color.txt"})
        EXPECT_EQ(empty.files.at(name), "");
    EXPECT_EQ(empty.files.at("log.txt"), log_of("[T]\nfichier.ply ok, 0 points extraits\nFin du script plyunpack\n\n"));

    // The second start entry follows the declared count, not what was read.
    std::string declared_9999 = classic_ply(some_points(2));
    declared_9999.replace(declared_9999.find("vertex 2"), 8, "vertex 9999");
    std::string declared_10000 = declared_9999;
    declared_10000.replace(declared_10000.find("vertex 9999"), 11, "vertex 10000");
    const std::string tail = "[T]\nfichier.ply ok, 2 points extraits\nFin du script plyunpack\n\n[T]\n";
    const auto r9999 = unpack(declared_9999);
    EXPECT_EQ(r9999.files.at("log.txt"),
              log_of(tail + "attention : 2 points extraits sur 9999 declares (fichier incomplet ou sommets "
                            "illisibles)\n"));
    const auto r10000 = unpack(declared_10000);
    EXPECT_EQ(r10000.files.at("log.txt"),
              "[T]\nexecution plyunpack\n" + tail +
                  "attention : 2 points extraits sur 10000 declares (fichier incomplet ou sommets illisibles)\n");
    EXPECT_EQ(r10000.status, 2);
}

TEST(ClassicLayout, ShortOrBrokenVerticesAreLeftOutNotRepeated)
{
    std::string cloud = classic_ply({});
    cloud.replace(cloud.find("vertex 0"), 8, "vertex 5");
    cloud += "1 1 1 0 0 1 10 20 30\n"
             "2 2 2 0 0 1 x 20 30 a rest that is dropped\n"
             "3 3 3 0 0 1 11 21 31\n"
             "4 4 4 0 0"; // the file ends inside the fourth vertex
    const auto r = unpack(cloud);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "ouverture du .ply ok\nattention : 2 points extraits sur 5 declares (fichier incomplet ou "
                     "sommets illisibles)\n");
    EXPECT_EQ(r.files.at("f_x.txt"), "1.000000\n 3.000000\n ");
    EXPECT_EQ(r.files.at("f_color.txt"), "10 20 30\n11 21 31\n");
    EXPECT_NE(r.files.at("log.txt").find("fichier.ply ok, 2 points extraits\n"), std::string::npos);
}

TEST(ClassicLayout, MissingCloudKeepsTheEarlierFiles)
{
    WorkDir dir;
    for (const auto& [name, bytes] : earlier_run)
        dir.write(name, bytes);
    dir.write("log.txt", "old log\n");
    const auto run = program_test::run("plyunpack", {"ignored", "args"}, dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Le fichier n'existe pas");
    EXPECT_EQ(program_test::without_timestamps(dir.read("log.txt")),
              "[T]\nexecution plyunpack\n[T]\nLe fichier .ply n'a pas pu etre ouvert... arret du programme\n");
    for (const auto& [name, bytes] : earlier_run)
        EXPECT_EQ(dir.read(name), bytes);
}

// Every layout below holds the same vertices as the classic file and must give
// the same files, screen and status.
TEST(OtherLayouts, GiveWhatTheClassicLayoutGives)
{
    const auto points = some_points(40);
    const auto reference = unpack(classic_ply(points));
    ASSERT_EQ(reference.status, 0);
    ASSERT_EQ(reference.files.at("f_color.txt").size() > 200, true);

    auto with = [](std::vector<Column> columns, std::vector<Column> more) {
        columns.insert(columns.end(), more.begin(), more.end());
        return columns;
    };
    const auto classic = classic_columns();
    Column faces{"int", "vertex_indices", [](const Point&, int i) { return i; }, 3, "uchar"};
    const Block face{"face", 3, {faces}};
    const Block camera{"camera", 2, {constant("float", "focal", 2.5), Column{"uint", "ids", [](const Point&, int i) { return i; }, 2, "ushort"}}};
    const std::vector<Column> doubles = {column("double", "x", &Point::x), column("float64", "y", &Point::y),
                                         column("double", "z", &Point::z), column("uint8", "red", &Point::r),
                                         column("uint8", "green", &Point::g), column("uint8", "blue", &Point::b)};
    const std::vector<Column> shuffled = {
        column("uchar", "diffuse_blue", &Point::b), column("float", "z", &Point::z),
        column("uchar", "diffuse_green", &Point::g), constant("float", "red", 1),
        column("float", "x", &Point::x), column("uchar", "diffuse_red", &Point::r),
        column("float", "y", &Point::y)};
    const std::vector<Column> real_colour = {
        column("float", "x", &Point::x), column("float", "y", &Point::y), column("float", "z", &Point::z),
        {"float", "red", [](const Point& p, int) { return p.r + 0.25; }},
        {"double", "green", [](const Point& p, int) { return p.g - 0.375; }},
        {"float32", "blue", [](const Point& p, int) { return p.b; }}};
    const std::vector<Column> list_in_vertex = with(classic, {Column{"float", "weights", [](const Point& p, int) { return p.z; }, 2, "int"}});
    struct Case {
        const char* name;
        std::string cloud;
    };
    const std::vector<std::string> notes = {"comment written by a scanner", "obj_info num_cols 640",
                                            "comment  "};
    const Case cases[] = {
        {"comments", make_ply("ascii", notes, {{"vertex", 0, classic}}, points)},
        {"quality", make_ply("ascii", {}, {{"vertex", 0, with(classic, {constant("float", "quality", 0.5)})}}, points)},
        {"doubles", make_ply("ascii", {}, {{"vertex", 0, doubles}}, points)},
        {"alpha", make_ply("ascii", {}, {{"vertex", 0, with(classic, {constant("uchar", "alpha", 255)})}}, points)},
        {"face after", make_ply("ascii", {}, {{"vertex", 0, classic}, face}, points)},
        {"element before", make_ply("ascii", notes, {camera, {"vertex", 0, classic}, face}, points)},
        {"diffuse colour", make_ply("ascii", {}, {{"vertex", 0, shuffled}}, points)},
        {"real colour", make_ply("ascii", {}, {{"vertex", 0, real_colour}}, points)},
        {"list in vertex", make_ply("ascii", {}, {{"vertex", 0, list_in_vertex}}, points)},
        {"binary little", make_ply("binary_little_endian", {}, {{"vertex", 0, classic}}, points)},
        {"binary big", make_ply("binary_big_endian", {}, {{"vertex", 0, classic}}, points)},
        {"binary doubles, faces", make_ply("binary_little_endian", notes, {{"vertex", 0, doubles}, face}, points)},
        {"binary big, before", make_ply("binary_big_endian", {}, {camera, {"vertex", 0, list_in_vertex}}, points)},
        {"binary diffuse", make_ply("binary_big_endian", {}, {{"vertex", 0, shuffled}}, points)},
        {"binary real colour", make_ply("binary_little_endian", {}, {camera, {"vertex", 0, real_colour}}, points)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = unpack(c.cloud);
        EXPECT_EQ(r.status, reference.status);
        EXPECT_EQ(r.out, reference.out);
        EXPECT_EQ(r.files, reference.files);
    }
}

TEST(OtherLayouts, EveryIntegerTypeInBothByteOrders)
{
    const auto points = some_points(30, true);
    const auto reference = unpack(classic_ply(points));
    const std::vector<Column> integers = {
        column("int", "x", &Point::x),       column("int32", "y", &Point::y),    column("short", "z", &Point::z),
        column("ushort", "red", &Point::r),  column("uint", "green", &Point::g), column("int16", "blue", &Point::b),
        constant("char", "c", -5),           constant("int8", "i8", 7),          constant("uint16", "u16", 60000),
        constant("uint32", "u32", 4e9)};
    for (const char* format : {"ascii", "binary_little_endian", "binary_big_endian"}) {
        SCOPED_TRACE(format);
        const auto r = unpack(make_ply(format, {}, {{"vertex", 0, integers}}, points));
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.files, reference.files);
    }
}

TEST(OtherLayouts, ShortAndDamagedVertices)
{
    const auto points = some_points(6);
    auto first = [&](int n) {
        auto p = points;
        p.resize(n);
        return unpack(classic_ply(p)).files;
    };
    auto expect_partial = [](const Outcome& r, int written, int declared) {
        EXPECT_EQ(r.status, 2);
        const std::string warning = "attention : " + std::to_string(written) + " points extraits sur " +
                                    std::to_string(declared) + " declares (fichier incomplet ou sommets illisibles)\n";
        EXPECT_EQ(r.out, "ouverture du .ply ok\n" + warning);
        EXPECT_NE(r.files.at("log.txt").find("ok, " + std::to_string(written) + " points extraits\n"),
                  std::string::npos);
        EXPECT_EQ(r.files.at("log.txt").substr(r.files.at("log.txt").size() - warning.size() - 4), "[T]\n" + warning);
    };
    // Binary files cut inside the fifth vertex, in both byte orders.
    for (const char* format : {"binary_little_endian", "binary_big_endian"}) {
        SCOPED_TRACE(format);
        const std::string cloud = make_ply(format, {}, {{"vertex", 0, classic_columns()}}, points);
        const auto r = unpack(cloud.substr(0, cloud.size() - 27 - 10));
        expect_partial(r, 4, 6);
        auto files = r.files;
        auto expected = first(4);
        files.erase("log.txt"), expected.erase("log.txt");
        EXPECT_EQ(files, expected);
    }
    // An ASCII line of any other layout is one vertex: too few or too many
    // values, or a value that its type cannot hold, leave that vertex out.
    std::string cloud = make_ply("ascii", {"comment damaged"}, {{"vertex", 0, classic_columns()}}, points);
    const std::size_t data = cloud.find("end_header\n") + 11;
    std::vector<std::string> lines;
    for (std::size_t at = data, end; at < cloud.size(); at = end + 1)
        lines.push_back(cloud.substr(at, (end = cloud.find('\n', at)) - at));
    const std::string damaged[] = {lines[0], "1 2 3 4 5 6 7 8", lines[1] + " 9", "1 2 3 4 5 6 256 0 0",
                                   "\n  \n" + lines[2], lines[3] + "\n" + lines[4]};
    std::string text = cloud.substr(0, data);
    for (const auto& line : damaged)
        text += line + "\n";
    const auto r = unpack(text);
    expect_partial(r, 3, 6);
    const auto kept = unpack(make_ply("ascii", {}, {{"vertex", 0, classic_columns()}},
                                      {points[0], points[2], points[3]}));
    auto files = r.files;
    auto expected = kept.files;
    files.erase("log.txt"), expected.erase("log.txt");
    EXPECT_EQ(files, expected);
}

TEST(UnreadableClouds, StopBeforeTouchingTheEarlierFiles)
{
    const std::string good = make_ply("ascii", {"comment x"}, {{"vertex", 0, classic_columns()}}, some_points(3));
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    struct Case {
        std::string cloud;
        std::string reason;
    };
    const Case cases[] = {
        {"", "ce n'est pas un fichier PLY (la premiere ligne n'est pas ply)"},
        {"x y z\n1 2 3\n", "ce n'est pas un fichier PLY (la premiere ligne n'est pas ply)"},
        {good.substr(0, good.find("end_header")), "l'en-tete ne se termine pas (pas de ligne end_header)"},
        {replaced("end_header", "end header"), "ligne non reconnue a la ligne 14 de l'en-tete"},
        {replaced("ascii", "binary_middle_endian"),
         "format inconnu (ascii, binary_little_endian ou binary_big_endian attendu)"},
        {replaced("property float y", "property float why"), "l'element vertex n'a pas de propriete y"},
        {replaced("property uchar green", "property uchar gren"),
         "l'element vertex n'a pas de couleur (red green blue ou diffuse_red diffuse_green diffuse_blue)"},
        {replaced("element vertex", "element vertices"), "l'en-tete ne declare pas d'element vertex"},
        {replaced("property float nx", "property flaot nx"), "type de propriete inconnu a la ligne 8 de l'en-tete"},
        {replaced("element vertex 3", "element vertex 2147483648"), "trop de sommets declares"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        const auto r = unpack(c.cloud, earlier_run);
        const std::string message = "En-tete du .ply illisible : " + c.reason + "... arret du programme\n";
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, message);
        EXPECT_EQ(r.files.at("log.txt"), "[T]\nexecution plyunpack\n[T]\n" + message);
        for (const auto& [name, bytes] : earlier_run)
            EXPECT_EQ(r.files.at(name), bytes);
    }
}

TEST(UnwritableFiles, StopWithStatusOne)
{
    WorkDir dir;
    dir.write("option-0000.ply", classic_ply(some_points(2)));
    std::filesystem::create_directory(dir.path() / "f_z.txt");
    auto run = program_test::run("plyunpack", {}, dir);
    const std::string message = "Le fichier f_z.txt n'a pas pu etre ouvert... arret du programme\n";
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, message);
    EXPECT_EQ(program_test::without_timestamps(dir.read("log.txt")), "[T]\nexecution plyunpack\n[T]\n" + message);

    std::filesystem::remove(dir.path() / "f_z.txt");
    std::filesystem::remove(dir.path() / "log.txt");
    std::filesystem::create_directory(dir.path() / "log.txt");
    run = program_test::run("plyunpack", {}, dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Le fichier log.txt n'a pas pu etre ouvert... arret du programme\n");
}
