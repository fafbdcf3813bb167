// plyunpack: splits the point cloud option-0000.ply into the coordinate files
// f_x.txt, f_y.txt, f_z.txt and the colour file f_color.txt, and starts the
// run log of the chain.
#include "command_line.hpp"
#include "extraction.hpp"
#include "log_time.hpp"
#include "pipeline_files.hpp"
#include "ply_header.hpp"

#include <optional>
#include <string>
#include <variant>

using pipeline::Writer;

namespace {

constexpr const char* usage =
    "usage : plyunpack\n"
    "  Separe le nuage de points option-0000.ply en fichiers de coordonnees et de couleurs,\n"
    "  et commence un nouveau journal.\n"
    "Lit : option-0000.ply (PLY ascii ou binaire).\n"
    "Ecrit : f_x.txt, f_y.txt, f_z.txt, f_color.txt ; log.txt est vide puis rempli.\n"
    "Statut de sortie : 0 fait ; 1 un fichier ne peut etre ouvert ou ecrit, ou l'en-tete est illisible ;\n"
    "  2 moins de points extraits que l'en-tete n'en annonce.\n";

// A failure that stops the run: on screen and, as a log entry, in the log.
int stop(Writer& screen, Writer& log, const std::string& message)
{
    screen.print("%s", message);
    pipeline::log_time(log);
    log.print("%s", message);
    return 1;
}

std::string cannot_open(const char* name)
{
    return std::string("Le fichier ") + name + " n'a pas pu etre ouvert... arret du programme\n";
}

// The four outputs in their fixed order; names the first that cannot be opened.
std::optional<plyunpack::Outputs> open_outputs(const char*& failed)
{
    const char* names[] = {pipeline::fichier_x, pipeline::fichier_y, pipeline::fichier_z, pipeline::fichier_color};
    std::optional<Writer> files[4];
    for (int i = 0; i < 4; ++i) {
        files[i] = Writer::open(names[i], "w");
        if (!files[i]) {
            failed = names[i];
            return std::nullopt;
        }
    }
    return plyunpack::Outputs{std::move(*files[0]), std::move(*files[1]), std::move(*files[2]),
                              std::move(*files[3])};
}

// Closes the four outputs; names the first whose writing failed.
const char* close_outputs(plyunpack::Outputs& out)
{
    const char* failed = nullptr;
    const std::pair<Writer*, const char*> files[] = {{&out.f_x, pipeline::fichier_x},
                                                     {&out.f_y, pipeline::fichier_y},
                                                     {&out.f_z, pipeline::fichier_z},
                                                     {&out.f_color, pipeline::fichier_color}};
    for (const auto& [file, name] : files)
        if (!file->close() && !failed)
            failed = name;
    return failed;
}

} // namespace

int main(int argc, char** argv)
{
    Writer screen = Writer::standard_output();
    if (pipeline::is_help_request(argc, argv)) {
        screen.text(usage);
        return 0;
    }
    std::optional<Writer> log = Writer::open(pipeline::fichier_log, "w");
    if (!log) {
        screen.print("%s", cannot_open(pipeline::fichier_log));
        return 1;
    }
    std::optional<pipeline::Reader> stream = pipeline::Reader::open(pipeline::fichier_ply);
    pipeline::log_time(*log);
    log->print("execution plyunpack\n");
    if (!stream) {
        screen.print("Le fichier n'existe pas");
        pipeline::log_time(*log);
        log->print("Le fichier .ply n'a pas pu etre ouvert... arret du programme\n");
        return 1;
    }

    // The whole header is read before any output is touched: a cloud that
    // cannot be read leaves the files of an earlier run as they were.
    const plyunpack::HeaderResult read = plyunpack::read_header(*stream);
    if (const auto* error = std::get_if<plyunpack::HeaderError>(&read))
        return stop(screen, *log, "En-tete du .ply illisible : " + error->reason + "... arret du programme\n");
    const plyunpack::PlyHeader& header = std::get<plyunpack::PlyHeader>(read);
    const int nbr_points = header.nbr_points();

    const char* failed = nullptr;
    std::optional<plyunpack::Outputs> out = open_outputs(failed);
    if (!out)
        return stop(screen, *log, cannot_open(failed));
    screen.print("ouverture du .ply ok\n");
    if (nbr_points <= 9999) {
        pipeline::log_time(*log);
        log->print("execution plyunpack\n");
    }

    const int written = header.classic ? plyunpack::extract_classic(*stream, *out, nbr_points)
                                       : plyunpack::extract_vertices(*stream, header, *out);
    if (const char* broken = close_outputs(*out))
        return stop(screen, *log,
                    std::string("Erreur d'ecriture dans ") + broken + "... arret du programme\n");

    pipeline::log_time(*log);
    log->print("fichier.ply ok, %d points extraits\n", written);
    log->print("Fin du script plyunpack\n\n");
    if (written < nbr_points) {
        constexpr const char* warning = "attention : %d points extraits sur %d declares (fichier incomplet ou sommets "
                              "illisibles)\n";
        screen.print(warning, written, nbr_points);
        pipeline::log_time(*log);
        log->print(warning, written, nbr_points);
        return 2;
    }
    return 0;
}
