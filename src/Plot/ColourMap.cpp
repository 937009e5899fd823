#include "Plot/ColourMap.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace {

struct TRgb {
    double r;
    double g;
    double b;
};

// The scale at 0, 0.1, ..., 1; linear between them is closer to it than a screen can show.
constexpr std::array<TRgb, 11> kViridis = {{{0x44, 0x01, 0x54},
                                            {0x48, 0x24, 0x75},
                                            {0x41, 0x44, 0x87},
                                            {0x35, 0x5f, 0x8d},
                                            {0x2a, 0x78, 0x8e},
                                            {0x21, 0x91, 0x8c},
                                            {0x22, 0xa8, 0x84},
                                            {0x44, 0xbf, 0x70},
                                            {0x7a, 0xd1, 0x51},
                                            {0xbd, 0xdf, 0x26},
                                            {0xfd, 0xe7, 0x25}}};

// The lightest curve colour: further along, yellow vanishes against a white page.
constexpr double kLightestCurve = 0.85;

}  // namespace

std::string Viridis(double t) {
    const double at = std::isnan(t) ? 0.0 : std::clamp(t, 0.0, 1.0) * 10.0;
    const auto low = static_cast<std::size_t>(std::min(std::floor(at), 9.0));
    const double share = at - static_cast<double>(low);
    const TRgb& a = kViridis[low];
    const TRgb& b = kViridis[low + 1];
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text = "#";
    for (const double channel :
         {a.r + (b.r - a.r) * share, a.g + (b.g - a.g) * share, a.b + (b.b - a.b) * share}) {
        const auto value = static_cast<std::uint8_t>(std::lround(channel));
        text += kDigits[value >> 4];
        text += kDigits[value & 15];
    }
    return text;
}

std::string CurveColour(int k, int count) {
    if (count <= 1) {
        return Viridis(0.0);
    }
    return Viridis(kLightestCurve * static_cast<double>(k) / static_cast<double>(count - 1));
}
