#include "windows/radar/viewmodel/RadarSweepRaster.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <type_traits>

namespace lumra {

namespace {

double radians(double degrees) {
    return degrees * std::numbers::pi / 180;
}

// Four lanes at once where the compiler has vector registers; plain code
// where it has none.
using Floats = float __attribute__((vector_size(16)));
using Words = std::uint32_t __attribute__((vector_size(16)));
using Ints = std::int32_t __attribute__((vector_size(16)));

// Values here are never negative: truncation rounds them down.
template <typename Number> Number rounded(Number value) {
    if constexpr (std::is_same_v<Number, Floats>)
        return __builtin_convertvector(__builtin_convertvector(value + 0.5f, Ints), Floats);
    else
        return static_cast<float>(static_cast<int>(value + 0.5f));
}

template <typename Pixel> auto channelOf(Pixel pixel, int shift) {
    const auto d = (pixel >> shift) & 0xffu;
    if constexpr (std::is_same_v<Pixel, Words>)
        return __builtin_convertvector(__builtin_convertvector(d, Ints), Floats);
    else
        return static_cast<float>(d);
}

template <typename Pixel, typename Number> Pixel channelWord(Number value, int shift) {
    if constexpr (std::is_same_v<Pixel, Words>)
        return __builtin_convertvector(__builtin_convertvector(value, Ints), Words) << shift;
    else
        return static_cast<std::uint32_t>(value) << shift;
}

// The share of a pixel inside a half-plane whose edge lies at that distance
// from its centre.
template <typename Number> Number shareInside(Number distance) {
    Number share = distance + 0.5f;
    if constexpr (std::is_same_v<Number, Floats>) {
        share = share < 0.0f ? 0.0f : share;
        return share > 1.0f ? 1.0f : share;
    } else {
        return std::clamp(share, 0.0f, 1.0f);
    }
}

template <typename Number> Number squareRoot(Number value) {
    if constexpr (std::is_same_v<Number, Floats>) {
        for (int lane = 0; lane < 4; ++lane)
            value[lane] = std::sqrt(value[lane]);
        return value;
    } else {
        return std::sqrt(value);
    }
}

// The screen blend 255 - (255 - d) (255 - s) / 255 of each colour channel,
// s being the wedge's colour (channels of 0..1, red first) at the given
// opacity in 8 bits, mixed with d by the pixel's share inside the wedge
// when it lies at an edge. Opaque pixels stay opaque.
template <bool AtEdge, typename Pixel, typename Number>
Pixel screened(Pixel pixel, Number opacity, const float (&colour)[3], Number inside) {
    Pixel out = pixel & 0xff000000u;
#pragma GCC unroll 3
    for (int channel = 0; channel < 3; ++channel) {
        const int shift = 16 - 8 * channel;
        const Number d = channelOf(pixel, shift);
        const Number source = rounded(255.0f * colour[channel] * opacity);
        Number blended = 255.0f - (255.0f - d) * (255.0f - source) * (1.0f / 255.0f);
        if constexpr (AtEdge)
            blended = d + (blended - d) * inside;
        out |= channelWord<Pixel>(rounded(blended), shift);
    }
    return out;
}

} // namespace

// The part of a row, as offsets from the centre, that half-planes leave.
struct RadarSweepRows::Run {
    double low;
    double high;

    // Keeps the offsets dx with normalX * dx + offset >= margin.
    void keep(double normalX, double offset, double margin) {
        if (std::abs(normalX) < 1e-12) {
            if (offset < margin)
                high = low - 1;
            return;
        }
        const double bound = (margin - offset) / normalX;
        if (normalX > 0)
            low = std::max(low, bound);
        else
            high = std::min(high, bound);
    }
};

RadarPixelRect intersected(const RadarPixelRect& a, const RadarPixelRect& b) {
    const int left = std::max(a.x, b.x);
    const int top = std::max(a.y, b.y);
    const int right = std::min(a.x + a.width, b.x + b.width);
    const int bottom = std::min(a.y + a.height, b.y + b.height);
    if (right <= left || bottom <= top)
        return {};
    return {left, top, right - left, bottom - top};
}

RadarPixelRect radarSweepPixelBounds(const RadarSweepPaint& sweep) {
    const RadarRect box =
        radarSectorBounds(sweep.centre, 0, sweep.radius, sweep.leadingDegrees - sweep.widthDegrees,
                          sweep.leadingDegrees);
    const double left = box.x, top = box.y;
    const double right = box.x + box.width, bottom = box.y + box.height;
    // A pixel whose centre lies within half a pixel of the edge is touched.
    const int x = static_cast<int>(std::floor(left - 1));
    const int y = static_cast<int>(std::floor(top - 1));
    return {x, y, static_cast<int>(std::ceil(right + 1)) - x,
            static_cast<int>(std::ceil(bottom + 1)) - y};
}

RadarSweepRows::RadarSweepRows(const RadarSweepPaint& sweep)
    : m_sweep(sweep), m_bounds(radarSweepPixelBounds(sweep)),
      m_leadX(std::cos(radians(sweep.leadingDegrees))),
      m_leadY(std::sin(radians(sweep.leadingDegrees))),
      m_trailX(std::cos(radians(sweep.leadingDegrees - sweep.widthDegrees))),
      m_trailY(std::sin(radians(sweep.leadingDegrees - sweep.widthDegrees))) {}

RadarPixelRun RadarSweepRows::run(int y) const {
    return runs(y).touched;
}

RadarSweepRows::Runs RadarSweepRows::runs(int y) const {
    Runs runs;
    const double reach = m_sweep.radius + 0.5;
    const double innerReach = std::max(0.0, m_sweep.radius - 0.5);
    const double dy = y + 0.5 - m_sweep.centre.y;
    if (m_sweep.radius <= 0 || m_sweep.widthDegrees <= 0 || y < m_bounds.y ||
        y >= m_bounds.y + m_bounds.height || dy * dy >= reach * reach)
        return runs;
    // Inside the disc and both edges' half-planes, each widened by half a
    // pixel for the touched run and narrowed by half a pixel for the whole.
    const double half = std::sqrt(reach * reach - dy * dy);
    const double innerHalf =
        dy * dy < innerReach * innerReach ? std::sqrt(innerReach * innerReach - dy * dy) : -1;
    Run touched{-half, half};
    Run whole{-innerHalf, innerHalf};
    // Inside the leading edge: leadY * dx - leadX * dy >= 0.
    touched.keep(m_leadY, -m_leadX * dy, -0.5);
    whole.keep(m_leadY, -m_leadX * dy, 0.5);
    // Inside the trailing edge: trailX * dy - trailY * dx >= 0.
    touched.keep(-m_trailY, m_trailX * dy, -0.5);
    whole.keep(-m_trailY, m_trailX * dy, 0.5);
    if (touched.high < touched.low)
        return runs;
    // Pixel x has its centre at dx = x + 0.5 - centre.x; a pixel either side
    // stays in the touched run against rounding.
    const auto firstPixel = [&](double dx) {
        return static_cast<int>(std::ceil(m_sweep.centre.x + dx - 0.5));
    };
    const auto lastPixel = [&](double dx) {
        return static_cast<int>(std::floor(m_sweep.centre.x + dx - 0.5));
    };
    runs.touched = {firstPixel(touched.low) - 1, lastPixel(touched.high) + 1};
    if (whole.low <= whole.high)
        runs.whole = {std::max(runs.touched.first, firstPixel(whole.low)),
                      std::min(runs.touched.last, lastPixel(whole.high))};
    return runs;
}

void blendRadarSweep(const RadarSweepPaint& sweep, const std::uint32_t* from, std::uint32_t* to,
                     std::ptrdiff_t stride, const RadarPixelRect& area) {
    const RadarSweepRows rows(sweep);
    const RadarPixelRect box = intersected(rows.bounds(), area);
    if (box.isEmpty())
        return;
    // Unit vectors along the leading and trailing edges.
    const auto leadX = static_cast<float>(std::cos(radians(sweep.leadingDegrees)));
    const auto leadY = static_cast<float>(std::sin(radians(sweep.leadingDegrees)));
    const double trailing = radians(sweep.leadingDegrees - sweep.widthDegrees);
    const auto trailX = static_cast<float>(std::cos(trailing));
    const auto trailY = static_cast<float>(std::sin(trailing));
    // Opacity along the leading edge: near at +gradientRadius, far at -gradientRadius.
    const double span = std::max(1e-9, 2 * sweep.gradientRadius);
    const auto opacityAtCentre = static_cast<float>((sweep.nearOpacity + sweep.farOpacity) / 2);
    const auto opacityStep = static_cast<float>((sweep.nearOpacity - sweep.farOpacity) / span);
    const auto nearOpacity = static_cast<float>(std::max(sweep.nearOpacity, sweep.farOpacity));
    const auto farOpacity = static_cast<float>(std::min(sweep.nearOpacity, sweep.farOpacity));
    const float colour[3] = {static_cast<float>((sweep.rgb >> 16) & 0xffu) / 255.0f,
                             static_cast<float>((sweep.rgb >> 8) & 0xffu) / 255.0f,
                             static_cast<float>(sweep.rgb & 0xffu) / 255.0f};
    const auto radius = static_cast<float>(sweep.radius);
    const auto centreX = static_cast<float>(sweep.centre.x);

    for (int y = box.y; y < box.y + box.height; ++y) {
        const RadarSweepRows::Runs runs = rows.runs(y);
        const int first = std::max(area.x, runs.touched.first);
        const int last = std::min(area.x + area.width - 1, runs.touched.last);
        if (last < first)
            continue;
        int wholeFirst = std::max(first, runs.whole.first);
        int wholeLast = std::min(last, runs.whole.last);
        if (wholeLast < wholeFirst)
            wholeFirst = last + 1, wholeLast = last;
        const std::ptrdiff_t offset = (y - area.y) * stride - area.x;
        const std::uint32_t* source = from + offset;
        std::uint32_t* row = to + offset;
        const auto fy = static_cast<float>(y + 0.5 - sweep.centre.y);
        // One pixel (float) or four (Floats) from column on.
        const auto blend = [&]<bool AtEdge, typename Number>(int column) {
            const float left = static_cast<float>(column) + 0.5f - centreX;
            Number dx;
            if constexpr (std::is_same_v<Number, Floats>)
                dx = left + Floats{0, 1, 2, 3};
            else
                dx = left;
            Number opacity = opacityAtCentre + opacityStep * (leadX * dx + leadY * fy);
            if constexpr (std::is_same_v<Number, Floats>) {
                opacity = opacity < farOpacity ? farOpacity : opacity;
                opacity = opacity > nearOpacity ? nearOpacity : opacity;
            } else {
                opacity = std::clamp(opacity, farOpacity, nearOpacity);
            }
            Number inside{};
            if constexpr (AtEdge)
                inside = shareInside(leadY * dx - leadX * fy) *
                         shareInside(trailX * fy - trailY * dx) *
                         shareInside(radius - squareRoot(dx * dx + fy * fy));
            if constexpr (std::is_same_v<Number, Floats>) {
                Words pixels;
                std::memcpy(&pixels, source + column, sizeof pixels);
                pixels = screened<AtEdge>(pixels, opacity, colour, inside);
                std::memcpy(row + column, &pixels, sizeof pixels);
            } else {
                row[column] = screened<AtEdge>(source[column], opacity, colour, inside);
            }
        };
        // Four pixels at a time where they fit, edges weighed by their
        // share inside (which is whole past them, so a group may reach in).
        int column = first;
        for (; column < wholeFirst && column + 3 <= last; column += 4)
            blend.template operator()<true, Floats>(column);
        for (; column < wholeFirst; ++column)
            blend.template operator()<true, float>(column);
        for (; column + 3 <= wholeLast; column += 4)
            blend.template operator()<false, Floats>(column);
        for (; column <= wholeLast; ++column)
            blend.template operator()<false, float>(column);
        for (; column + 3 <= last; column += 4)
            blend.template operator()<true, Floats>(column);
        for (; column <= last; ++column)
            blend.template operator()<true, float>(column);
    }
}

} // namespace lumra
