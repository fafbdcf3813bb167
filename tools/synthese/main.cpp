// rugosite-synthese: writes a synthetic measurement in the working directory,
// either the point cloud option-0000.ply of the photogrammetric road or a
// height grid grille.txt for the analysis alone, and beside it the true
// parameters in parametres_vrais.txt.
#include "options.hpp"
#include "pipeline_files.hpp"

#include <string>
#include <vector>

namespace {

const char* const fichier_parametres = "parametres_vrais.txt";

// Opens an output, or says why not.
std::optional<pipeline::Writer> create(const char* name, pipeline::Writer& screen)
{
    auto file = pipeline::Writer::open(name, "w");
    if (!file)
        screen.print("rugosite-synthese : impossible de creer %s\n", name);
    return file;
}

bool finish(pipeline::Writer& file, const char* name, pipeline::Writer& screen)
{
    if (file.close())
        return true;
    screen.print("rugosite-synthese : erreur d'ecriture dans %s\n", name);
    return false;
}

int make_cloud(const synth::CloudSettings& settings, pipeline::Writer& screen)
{
    auto ply = create(pipeline::fichier_ply, screen);
    if (!ply)
        return 1;
    const synth::CloudSummary summary = synth::write_cloud(settings, *ply);
    if (!finish(*ply, pipeline::fichier_ply, screen))
        return 1;
    auto truth = create(fichier_parametres, screen);
    if (!truth)
        return 1;
    synth::write_cloud_truth(settings, summary, *truth);
    if (!finish(*truth, fichier_parametres, screen))
        return 1;
    screen.print("%s : %d points, dont %d par coin\n", pipeline::fichier_ply, settings.points,
                 static_cast<int>(summary.marker_points));
    screen.print("%s : rms %lf, longueur de correlation %lf (rms realise dans le cadre %lf)\n", fichier_parametres,
                 settings.rms, settings.length, summary.frame_heights.rms());
    return 0;
}

int make_grid(const synth::GridSettings& settings, pipeline::Writer& screen)
{
    auto grid = create(pipeline::fichier_grille, screen);
    if (!grid)
        return 1;
    const synth::GridSummary summary = synth::write_grid(settings, *grid);
    if (!finish(*grid, pipeline::fichier_grille, screen))
        return 1;
    auto truth = create(fichier_parametres, screen);
    if (!truth)
        return 1;
    synth::write_grid_truth(settings, summary, *truth);
    if (!finish(*truth, fichier_parametres, screen))
        return 1;
    screen.print("%s : %dx%dx%lf\n", pipeline::fichier_grille, settings.steps_first, settings.steps_second,
                 settings.step);
    screen.print("%s : rms %lf, longueur de correlation %lf (rms realise %lf)\n", fichier_parametres, settings.rms,
                 settings.length, summary.heights.rms());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    auto screen = pipeline::Writer::standard_output();
    const std::vector<std::string> words(argv + 1, argv + argc);
    const synth::Parsed parsed = synth::parse_arguments(words);
    if (!parsed.ok) {
        screen.print("rugosite-synthese : %s\n", parsed.error);
        screen.text(synth::usage());
        return 1;
    }
    switch (parsed.request.kind) {
    case synth::Request::Kind::cloud:
        return make_cloud(parsed.request.cloud, screen);
    case synth::Request::Kind::grid:
        return make_grid(parsed.request.grid, screen);
    case synth::Request::Kind::help:
        break;
    }
    screen.text(synth::usage());
    return 0;
}
