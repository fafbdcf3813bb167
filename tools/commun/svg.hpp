// PLplot's SVG driver drawing into a temporary file, for the pictures of the
// report's page and of the campaign's page. PLplot keeps global state: every
// stream is made and ended under one lock, held as long as a Capture lives.
#pragma once

#include <plplot/plstream.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <span>
#include <string>

namespace outils {

// Whether this PLplot has its SVG driver (asked once).
bool svg_disponible();

// The colours of PLplot's first map, index 0 the background.
struct Couleurs {
    std::span<const PLINT> rouge, vert, bleu;
};

// One PLplot stream drawing a picture of largeur x hauteur into a temporary
// file named after `prefixe`. The stream is initialised: the caller draws on
// pls(), then takes the SVG text with finir(). Throws std::runtime_error when
// the temporary file can't be made.
class CaptureSvg {
public:
    CaptureSvg(int largeur, int hauteur, const Couleurs& couleurs, const std::string& prefixe);
    CaptureSvg(const CaptureSvg&) = delete;
    CaptureSvg& operator=(const CaptureSvg&) = delete;
    ~CaptureSvg();

    plstream& pls() { return *flux_; }

    // Ends the stream and returns the file's text, the file removed.
    std::string finir();

private:
    std::lock_guard<std::mutex> verrou_;
    std::filesystem::path chemin_;
    std::unique_ptr<plstream> flux_;
};

} // namespace outils
