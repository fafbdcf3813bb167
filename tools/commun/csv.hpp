// The CSV tables the tools write (the report's rapport.csv, the campaign's
// campagne.csv): one quoting rule for their text fields.
#pragma once

#include <string>
#include <string_view>

namespace outils {

// A text field as it goes between two commas: left as it is, or between
// double quotes (its own quotes doubled) when it holds a comma, a quote, a
// line feed or a carriage return.
std::string champ_csv(std::string_view texte);

} // namespace outils
