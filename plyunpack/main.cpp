// plyunpack: splits the point cloud option-0000.ply into the coordinate files
// f_x.txt, f_y.txt, f_z.txt and the colour file f_color.txt, and starts the
// run log of the chain.
//
// Status 0 done; 1 a file can't be opened or written, or the cloud's header
// can't be read or lacks what is needed; 2 fewer vertices written than the
// header declares. Every status but 0 comes with a line on standard error.
#include "common/command_line.hpp"
#include "plyunpack/extraction.hpp"
#include "common/log_time.hpp"
#include "common/pipeline_files.hpp"
#include "plyunpack/ply_header.hpp"

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
    "Statut de sortie : 0 fait ; 1 un fichier ne peut etre ouvert ou ecrit, ou l'en-tete est illisible\n"
    "  ou sans coordonnees ou couleurs ; 2 moins de points extraits que l'en-tete n'en annonce.\n";

constexpr const char* program = "plyunpack";

std::string cannot_open(const char* name)
{
    return std::string("Le fichier ") + name + " n'a pas pu etre ouvert... arret du programme\n";
}

// The four outputs in their fixed order; names the first that cannot be
// opened, with the system's error number.
std::optional<plyunpack::Outputs> open_outputs(const char*& failed, int& error)
{
    const char* names[] = {pipeline::fichier_x, pipeline::fichier_y, pipeline::fichier_z, pipeline::fichier_color};
    std::optional<Writer> files[4];
    for (int i = 0; i < 4; ++i) {
        files[i] = Writer::open(names[i], "w", error);
        if (!files[i]) {
            failed = names[i];
            return std::nullopt;
        }
    }
    return plyunpack::Outputs{std::move(*files[0]), std::move(*files[1]), std::move(*files[2]),
                              std::move(*files[3])};
}

// Closes the four outputs; names the first whose writing failed, with the
// system's error number.
const char* close_outputs(plyunpack::Outputs& out, int& error)
{
    const char* failed = nullptr;
    const std::pair<Writer*, const char*> files[] = {{&out.f_x, pipeline::fichier_x},
                                                     {&out.f_y, pipeline::fichier_y},
                                                     {&out.f_z, pipeline::fichier_z},
                                                     {&out.f_color, pipeline::fichier_color}};
    for (const auto& [file, name] : files)
        if (!file->close() && !failed) {
            failed = name;
            error = file->error();
        }
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
    int error = 0;
    std::optional<Writer> log = Writer::open(pipeline::fichier_log, "w", error);
    if (!log) {
        screen.print("%s", cannot_open(pipeline::fichier_log));
        pipeline::diagnose_file(screen, program, "impossible d'ouvrir", pipeline::fichier_log, error);
        return 1;
    }
    std::optional<pipeline::Reader> stream = pipeline::Reader::open(pipeline::fichier_ply, error);
    pipeline::log_entry(*log, "execution plyunpack\n");
    if (!stream) {
        screen.text("Le fichier n'existe pas");
        pipeline::log_entry(*log, "Le fichier .ply n'a pas pu etre ouvert... arret du programme\n");
        pipeline::diagnose_file(screen, program, "impossible d'ouvrir", pipeline::fichier_ply, error);
        return 1;
    }

    // The whole header is read before any output is touched: a cloud that
    // cannot be read leaves the files of an earlier run as they were.
    const plyunpack::HeaderResult read = plyunpack::read_header(*stream);
    if (const auto* refused = std::get_if<plyunpack::HeaderError>(&read)) {
        const std::string why = refused->incomplete ? "Le nuage .ply ne peut pas etre decoupe : "
                                                    : "En-tete du .ply illisible : ";
        pipeline::report_failure(screen, *log, why + refused->reason + "... arret du programme\n");
        pipeline::diagnose(screen, program,
                           std::string(pipeline::fichier_ply) +
                               (refused->incomplete ? " ne peut pas etre decoupe : " : " : en-tete illisible : ") +
                               refused->reason);
        return 1;
    }
    const plyunpack::PlyHeader& header = std::get<plyunpack::PlyHeader>(read);
    const int nbr_points = header.nbr_points();

    const char* failed = nullptr;
    std::optional<plyunpack::Outputs> out = open_outputs(failed, error);
    if (!out) {
        pipeline::report_failure(screen, *log, cannot_open(failed));
        pipeline::diagnose_file(screen, program, "impossible de creer", failed, error);
        return 1;
    }
    screen.print("ouverture du .ply ok\n");
    if (nbr_points <= 9999)
        pipeline::log_entry(*log, "execution plyunpack\n");

    const int written = header.classic ? plyunpack::extract_classic(*stream, *out, nbr_points)
                                       : plyunpack::extract_vertices(*stream, header, *out);
    if (const char* broken = close_outputs(*out, error)) {
        pipeline::report_failure(screen, *log,
                                 std::string("Erreur d'ecriture dans ") + broken + "... arret du programme\n");
        pipeline::diagnose_file(screen, program, "impossible d'ecrire", broken, error);
        return 1;
    }

    pipeline::log_entry(*log).print("fichier.ply ok, %d points extraits\n", written);
    log->print("Fin du script plyunpack\n\n");
    const std::string missing = std::to_string(written) + " points extraits sur " + std::to_string(nbr_points) +
                                " declares (fichier incomplet ou sommets illisibles)";
    if (written < nbr_points)
        pipeline::report_failure(screen, *log, "attention : " + missing + "\n");
    if (!log->close())
        pipeline::diagnose_file(screen, program, "impossible d'ecrire", pipeline::fichier_log, log->error());
    if (written < nbr_points) {
        pipeline::diagnose(screen, program, "attention : " + missing);
        return 2;
    }
    return 0;
}
