// plyunpack: splits the point cloud option-0000.ply into the coordinate files
// f_x.txt, f_y.txt, f_z.txt and the colour file f_color.txt, and starts the
// run log of the chain.

#include "common/command_line.hpp"
#include "plyunpack/extraction.hpp"
#include "common/log_time.hpp"
#include "common/pipeline_files.hpp"
#include "common/program_files.hpp"
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

// The four outputs in their fixed order.
constexpr pipeline::FileSpec outputs[] = {
    {pipeline::fichier_x, "w"},
    {pipeline::fichier_y, "w"},
    {pipeline::fichier_z, "w"},
    {pipeline::fichier_color, "w"},
};

int no_log(Writer& screen, int error)
{
    screen.print("%s", cannot_open(pipeline::fichier_log));
    pipeline::diagnose_file(screen, program, "impossible d'ouvrir", pipeline::fichier_log, error);
    return 1;
}

int no_cloud(Writer& screen, Writer& log, int error)
{
    screen.text("Le fichier n'existe pas");
    pipeline::log_entry(log, "Le fichier .ply n'a pas pu etre ouvert... arret du programme\n");
    pipeline::diagnose_file(screen, program, "impossible d'ouvrir", pipeline::fichier_ply, error);
    return 1;
}

int refused_header(const plyunpack::HeaderError& refused, Writer& screen, Writer& log)
{
    const std::string why =
        refused.incomplete ? "Le nuage .ply ne peut pas etre decoupe : " : "En-tete du .ply illisible : ";
    pipeline::report_failure(screen, log, why + refused.reason + "... arret du programme\n");
    pipeline::diagnose(screen, program,
                       std::string(pipeline::fichier_ply) +
                           (refused.incomplete ? " ne peut pas etre decoupe : " : " : en-tete illisible : ") +
                           refused.reason);
    return 1;
}

int no_output(const pipeline::FileFailure& failed, Writer& screen, Writer& log)
{
    pipeline::report_failure(screen, log, cannot_open(failed.name));
    pipeline::diagnose_file(screen, program, "impossible de creer", failed.name, failed.error);
    return 1;
}

// Closes the outputs and the log; the status.
int finish(int written, int nbr_points, pipeline::ProgramFiles& out, Writer& screen, Writer& log)
{
    if (const auto broken = out.close()) {
        pipeline::report_failure(screen, log,
                                 std::string("Erreur d'ecriture dans ") + broken->name + "... arret du programme\n");
        pipeline::diagnose_file(screen, program, "impossible d'ecrire", broken->name, broken->error);
        return 1;
    }
    pipeline::log_entry(log).print("fichier.ply ok, %d points extraits\n", written);
    log.print("Fin du script plyunpack\n\n");
    const std::string missing = std::to_string(written) + " points extraits sur " + std::to_string(nbr_points) +
                                " declares (fichier incomplet ou sommets illisibles)";
    if (written < nbr_points)
        pipeline::report_failure(screen, log, "attention : " + missing + "\n");
    if (!log.close())
        pipeline::diagnose_file(screen, program, "impossible d'ecrire", pipeline::fichier_log, log.error());
    if (written >= nbr_points)
        return 0;
    pipeline::diagnose(screen, program, "attention : " + missing);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    Writer screen = Writer::standard_output();
    if (pipeline::answered_help(argc, argv, screen, usage))
        return 0;
    using After = pipeline::ProgramFiles::After;
    pipeline::ProgramFiles journal({{pipeline::fichier_log, "w"}}, After::stop);
    if (const auto& failed = journal.failure())
        return no_log(screen, failed->error);
    Writer& log = journal.writer(0);
    pipeline::ProgramFiles cloud({{pipeline::fichier_ply, "r"}}, After::stop);
    pipeline::log_entry(log, "execution plyunpack\n");
    if (const auto& failed = cloud.failure())
        return no_cloud(screen, log, failed->error);

    // The whole header is read before any output is touched: a cloud that
    // cannot be read leaves the files of an earlier run as they were.
    const plyunpack::HeaderResult read = plyunpack::read_header(cloud.reader(0));
    if (const auto* refused = std::get_if<plyunpack::HeaderError>(&read))
        return refused_header(*refused, screen, log);
    const plyunpack::PlyHeader& header = std::get<plyunpack::PlyHeader>(read);
    const int nbr_points = header.nbr_points();
    pipeline::ProgramFiles files(outputs, After::stop);
    if (const auto& failed = files.failure())
        return no_output(*failed, screen, log);
    screen.print("ouverture du .ply ok\n");
    if (nbr_points <= 9999)
        pipeline::log_entry(log, "execution plyunpack\n");

    plyunpack::Outputs out{files.writer(0), files.writer(1), files.writer(2), files.writer(3)};
    const int written = header.classic ? plyunpack::extract_classic(cloud.reader(0), out, nbr_points)
                                       : plyunpack::extract_vertices(cloud.reader(0), header, out);
    return finish(written, nbr_points, files, screen, log);
}
