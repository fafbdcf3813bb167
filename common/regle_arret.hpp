// The stop rule of the height-height correlation function: which of its
// leading entries are worth fitting.
#pragma once

#include <span>

namespace pipeline {

// How many leading entries of Hr come before its first run of four strict
// decreases (a comparison with a value that is not a number is no decrease):
// the entries up to e - 4 when the fourth decrease is at e, all of them when
// there is none.
int regleArret(std::span<const double> Hr);

// The entries handed to the fit: those before the stop rule's cut, before the
// first entry without a pair (nombre[e] == 0), and 50 at most.
int rayonMaxObservation(std::span<const double> Hr, std::span<const double> nombre);

} // namespace pipeline
