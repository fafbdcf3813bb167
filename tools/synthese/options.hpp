// The command line of rugosite-synthese.
#pragma once

#include "tools/synthese/synthese.hpp"

#include <span>
#include <string>

namespace synth {

struct Request {
    enum class Kind { cloud, grid, help };
    Kind kind = Kind::help;
    bool replace = false; // --remplacer: files already in the folder may be replaced
    CloudSettings cloud;
    GridSettings grid;
};

struct Parsed {
    bool ok = false;
    Request request;
    std::string error; // French, when not ok
};

// The words after the program name: a mode (nuage, grille, aide) and options,
// each "--name value" or "--name=value".
Parsed parse_arguments(std::span<const std::string> words);

std::string usage();

} // namespace synth
