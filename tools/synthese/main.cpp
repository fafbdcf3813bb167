// rugosite-synthese: writes a synthetic measurement in the working directory,
// either the point cloud option-0000.ply of the photogrammetric road or a
// height grid grille.txt for the analysis alone, and beside it the true
// parameters in parametres_vrais.txt.
//
// Both files are written under temporary names in the folder, then put in
// place together. A file already there (a real measurement, perhaps) is not
// replaced unless --remplacer is given: the run is refused before anything is
// drawn. A run that fails or is interrupted leaves the folder as it was.
//
// Exit status: 0 done; 1 a refused argument, a file already there, or a file
// that cannot be written (a line on standard error names it and gives the
// system's reason).
#include "common/command_line.hpp"
#include "tools/synthese/options.hpp"
#include "common/pipeline_files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

const char* const programme = "rugosite-synthese";
const char* const fichier_parametres = "parametres_vrais.txt";

// The temporary files being written, removed by the handler of an
// interruption (two at most, their names fixed before they are created).
std::array<std::atomic<const char*>, 2> temporary_files{};

extern "C" void remove_temporary_files(int signal)
{
    for (auto& name : temporary_files)
        if (const char* n = name.load())
            ::unlink(n);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void remove_temporary_files_on_interruption()
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, remove_temporary_files);
}

void say(pipeline::Writer& screen, const std::string& message)
{
    pipeline::diagnose(screen, programme, message);
}

// One output file, written under a temporary name beside its own name; the
// temporary file goes unless it was put in place.
class Output {
public:
    Output(const char* name, std::size_t slot, pipeline::Writer& screen) : name_(name), slot_(slot)
    {
        std::string model = std::string(".") + name + ".XXXXXX";
        const int fd = ::mkstemp(model.data());
        if (fd < 0) {
            say(screen, std::string("impossible de creer ") + name_ + " : " + std::strerror(errno));
            return;
        }
        temporary_ = model;
        temporary_files[slot_] = temporary_.c_str();
        // The permissions of a file created the ordinary way.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        ::close(fd);
        file_ = pipeline::Writer::open(temporary_, "w");
        if (!file_)
            say(screen, std::string("impossible de creer ") + name_ + " : " + std::strerror(errno));
    }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    ~Output()
    {
        temporary_files[slot_] = nullptr;
        if (!temporary_.empty())
            ::unlink(temporary_.c_str());
    }

    bool ok() const { return file_.has_value(); }
    pipeline::Writer& file() { return *file_; }

    // Closes the file; false, after saying why, on a write error.
    bool close(pipeline::Writer& screen)
    {
        errno = 0; // a failed write is tried again at the close, which leaves its reason here
        if (file_->close())
            return true;
        say(screen, std::string("erreur d'ecriture dans ") + name_ + " : " +
                        (errno != 0 ? std::strerror(errno) : "ecriture incomplete"));
        return false;
    }

    // Gives the file its name; without `replace`, never over a file of that name.
    bool put_in_place(bool replace, pipeline::Writer& screen)
    {
        int status = 0;
        if (replace) {
            status = std::rename(temporary_.c_str(), name_);
        } else {
            status = ::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, name_, RENAME_NOREPLACE);
            if (status != 0 && (errno == EINVAL || errno == ENOSYS)) {
                // A file system without that rename: a link, which fails on an existing name.
                status = ::link(temporary_.c_str(), name_);
                if (status == 0)
                    ::unlink(temporary_.c_str());
            }
        }
        if (status != 0) {
            say(screen, errno == EEXIST
                            ? std::string(name_) + " est apparu pendant l'ecriture : il n'est pas remplace"
                            : std::string(name_) + " n'a pas pu etre mis en place : " + std::strerror(errno));
            return false;
        }
        temporary_files[slot_] = nullptr;
        temporary_.clear();
        return true;
    }

private:
    const char* name_;
    std::size_t slot_;
    std::string temporary_;
    std::optional<pipeline::Writer> file_;
};

// True, after saying so, when one of the files is already in the folder and
// may not be replaced: nothing is drawn then.
bool already_there(std::initializer_list<const char*> names, bool replace, pipeline::Writer& screen)
{
    if (replace)
        return false;
    std::vector<std::string> present;
    for (const char* name : names) {
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::symlink_status(name, ec)))
            present.emplace_back(name);
    }
    if (present.empty())
        return false;
    std::error_code ec;
    const std::string folder = std::filesystem::current_path(ec).string();
    say(screen, present.size() == 1
                    ? present[0] + " existe deja dans " + folder +
                          " : il n'est pas remplace (--remplacer pour le remplacer) ; rien n'est ecrit"
                    : present[0] + " et " + present[1] + " existent deja dans " + folder +
                          " : ils ne sont pas remplaces (--remplacer pour les remplacer) ; rien n'est ecrit");
    return true;
}

int make_cloud(const synth::CloudSettings& settings, bool replace, pipeline::Writer& screen)
{
    if (already_there({pipeline::fichier_ply, fichier_parametres}, replace, screen))
        return 1;
    Output ply(pipeline::fichier_ply, 0, screen);
    if (!ply.ok())
        return 1;
    const synth::CloudSummary summary = synth::write_cloud(settings, ply.file());
    if (!ply.close(screen))
        return 1;
    Output truth(fichier_parametres, 1, screen);
    if (!truth.ok())
        return 1;
    synth::write_cloud_truth(settings, summary, truth.file());
    if (!truth.close(screen) || !ply.put_in_place(replace, screen) || !truth.put_in_place(replace, screen))
        return 1;
    screen.print("%s : %d points, dont %d par coin\n", pipeline::fichier_ply, settings.points,
                 static_cast<int>(summary.marker_points));
    screen.print("%s : rms %lf, longueur de correlation %lf (rms realise dans le cadre %lf)\n", fichier_parametres,
                 settings.rms, settings.length, summary.frame_heights.rms());
    return 0;
}

int make_grid(const synth::GridSettings& settings, bool replace, pipeline::Writer& screen)
{
    if (already_there({pipeline::fichier_grille, fichier_parametres}, replace, screen))
        return 1;
    Output grid(pipeline::fichier_grille, 0, screen);
    if (!grid.ok())
        return 1;
    const synth::GridSummary summary = synth::write_grid(settings, grid.file());
    if (!grid.close(screen))
        return 1;
    Output truth(fichier_parametres, 1, screen);
    if (!truth.ok())
        return 1;
    synth::write_grid_truth(settings, summary, truth.file());
    if (!truth.close(screen) || !grid.put_in_place(replace, screen) || !truth.put_in_place(replace, screen))
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
    remove_temporary_files_on_interruption();
    switch (parsed.request.kind) {
    case synth::Request::Kind::cloud:
        return make_cloud(parsed.request.cloud, parsed.request.replace, screen);
    case synth::Request::Kind::grid:
        return make_grid(parsed.request.grid, parsed.request.replace, screen);
    case synth::Request::Kind::help:
        break;
    }
    screen.text(synth::usage());
    return 0;
}
