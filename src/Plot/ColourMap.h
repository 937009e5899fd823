// The colours of the plots: the viridis scale, whose lightness rises evenly from dark violet
// to yellow, so that it reads the same in greyscale and to colour-blind readers.
#pragma once

#include <string>

// The colour at t in [0, 1] (clamped) as "#rrggbb".
std::string Viridis(double t);
// Colour k of `count` distinct curves, taken from the darker part of the scale, so that even
// the last one stands out on white.
std::string CurveColour(int k, int count);
