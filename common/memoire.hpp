// How much memory a run may take before allocating a large grid: Linux
// overcommits, so a grid too large for the machine must be refused up front.
#pragma once

#include <cstdint>

namespace pipeline {

// The kernel's estimate of the memory that can be given without swapping
// (MemAvailable), or the whole physical memory when it does not tell; 0 when
// neither is known.
std::uint64_t memoire_disponible();

} // namespace pipeline
