// The one name of a yarn, wherever the program shows or writes it: the
// number page 3 shows for its swatch ("Index: i"), so what the knitter
// points at there is what every readout, legend, page and file says.
#pragma once

#include <QString>

namespace pattern {

// "Garn i" for palette index i (0..63).
inline QString yarnName(int yarn) { return QStringLiteral("Garn %1").arg(yarn); }

}  // namespace pattern
