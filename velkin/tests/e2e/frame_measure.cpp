// Measures a screenshot of velkin's window for the end-to-end tests: reads
// one binary PPM (P6, 8 bits) on standard input, as
// `convert shot.png -depth 8 ppm:-` writes it, and prints one line
//
//   red <count> <centre x> <centre y> terrain <count> <hue> <value> <spread>
//   green <count> width <w> height <h> lit <count>
//
// Every judgement is relative to the frame itself, never to a fixed channel
// level, so that shading, lighting and a terrain whose colours change a
// little do not move a pixel from one class to another:
// - terrain: the frame's dominant hue (the strongest 30-degree band of the
//   hue histogram, each pixel weighted by its chroma), and every pixel whose
//   hue lies within 45 degrees of it, highlights included. <hue> is that hue
//   in degrees (blue is 240), <value> the terrain's median brightness (the
//   largest channel) and <spread> the gap between its 95th and 5th
//   percentile brightness, in percent of <value>: how much the lighting
//   varies over the terrain.
// - an object (the aircraft, the missiles): a pixel whose hue is at least
//   50 degrees from the terrain's, that is saturated (chroma at least a
//   third of its brightness) and has at least an eighth of the terrain's
//   median chroma, so dark noise between shades does not count. Red: hue
//   within 30 degrees of 0; green: within 40 degrees of 120.
// - lit: brightness at least an eighth of the terrain's median; what is
//   below is the clear colour (nothing drawn) or as good as.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Pixel {
    float hue;  // degrees in [0, 360), negative for grey
    int chroma;
    int value;
};

Pixel classify(int r, int g, int b) {
    const int mx = std::max({r, g, b});
    const int chroma = mx - std::min({r, g, b});
    float hue = -1.0f;
    if (chroma > 0) {
        if (mx == r) hue = 60.0f * float(g - b) / float(chroma);
        else if (mx == g) hue = 60.0f * float(b - r) / float(chroma) + 120.0f;
        else hue = 60.0f * float(r - g) / float(chroma) + 240.0f;
        if (hue < 0.0f) hue += 360.0f;
    }
    return {hue, chroma, mx};
}

float hueDistance(float a, float b) {
    const float d = std::fabs(a - b);
    return d > 180.0f ? 360.0f - d : d;
}

// The smallest value whose cumulative count reaches fraction p of the total.
int percentile(const std::array<long, 256>& histogram, long total, double p) {
    long sum = 0;
    for (int v = 0; v < 256; ++v) {
        sum += histogram[v];
        if (sum > 0 && double(sum) >= p * double(total)) return v;
    }
    return 0;
}

bool readHeaderNumber(int& out) {
    int c = std::getchar();
    while (c == '#' || c == ' ' || c == '\n' || c == '\r' || c == '\t') {
        if (c == '#')
            while (c != '\n' && c != EOF) c = std::getchar();
        c = std::getchar();
    }
    if (c < '0' || c > '9') return false;
    long n = 0;
    while (c >= '0' && c <= '9' && n < 100000) {
        n = n * 10 + (c - '0');
        c = std::getchar();
    }
    out = int(n);
    return n > 0 && n < 100000;  // the one whitespace after the number is consumed
}

}  // namespace

int main() {
    int width = 0, height = 0, maxval = 0;
    if (std::getchar() != 'P' || std::getchar() != '6' || !readHeaderNumber(width) || !readHeaderNumber(height) ||
        !readHeaderNumber(maxval) || maxval != 255) {
        std::fprintf(stderr, "frame_measure: standard input is not an 8-bit binary PPM (P6)\n");
        return 2;
    }
    const size_t count = size_t(width) * size_t(height);
    std::vector<unsigned char> rgb(count * 3);
    if (std::fread(rgb.data(), 1, rgb.size(), stdin) != rgb.size()) {
        std::fprintf(stderr, "frame_measure: the PPM's pixels end early\n");
        return 2;
    }
    std::vector<Pixel> pixels(count);
    std::array<double, 36> votes{};
    for (size_t i = 0; i < count; ++i) {
        pixels[i] = classify(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
        if (pixels[i].hue >= 0.0f) votes[size_t(pixels[i].hue / 10.0f) % 36] += pixels[i].chroma;
    }

    // The terrain's hue: the strongest band of three 10-degree bins, refined
    // to the chroma-weighted mean hue within 30 degrees of its centre.
    size_t bestBin = 0;
    double best = -1.0;
    for (size_t i = 0; i < 36; ++i) {
        const double band = votes[(i + 35) % 36] + votes[i] + votes[(i + 1) % 36];
        if (band > best) best = band, bestBin = i;
    }
    const float peak = float(bestBin) * 10.0f + 5.0f;
    double weight = 0.0, offset = 0.0;
    for (const Pixel& p : pixels) {
        if (p.hue < 0.0f || hueDistance(p.hue, peak) > 30.0f) continue;
        float d = p.hue - peak;
        if (d > 180.0f) d -= 360.0f;
        if (d < -180.0f) d += 360.0f;
        weight += p.chroma;
        offset += p.chroma * double(d);
    }
    float terrainHue = peak + (weight > 0.0 ? float(offset / weight) : 0.0f);
    if (terrainHue < 0.0f) terrainHue += 360.0f;
    if (terrainHue >= 360.0f) terrainHue -= 360.0f;

    std::array<long, 256> chromas{}, values{};
    long terrain = 0;
    for (const Pixel& p : pixels) {
        if (p.hue < 0.0f || hueDistance(p.hue, terrainHue) > 45.0f) continue;
        ++terrain;
        ++chromas[size_t(p.chroma)];
        ++values[size_t(p.value)];
    }
    const int terrainChroma = percentile(chromas, terrain, 0.5);
    const int terrainValue = percentile(values, terrain, 0.5);
    const int spread = percentile(values, terrain, 0.95) - percentile(values, terrain, 0.05);

    long red = 0, green = 0, lit = 0;
    double redX = 0.0, redY = 0.0;
    for (size_t i = 0; i < count; ++i) {
        const Pixel& p = pixels[i];
        if (p.value > 0 && 8 * p.value >= terrainValue) ++lit;
        if (p.hue < 0.0f || 3 * p.chroma < p.value || 8 * p.chroma < terrainChroma ||
            hueDistance(p.hue, terrainHue) < 50.0f)
            continue;
        if (hueDistance(p.hue, 0.0f) <= 30.0f) {
            ++red;
            redX += double(i % size_t(width));
            redY += double(i / size_t(width));
        } else if (hueDistance(p.hue, 120.0f) <= 40.0f) {
            ++green;
        }
    }
    std::printf("red %ld %.1f %.1f terrain %ld %.0f %d %d green %ld width %d height %d lit %ld\n", red,
                red ? redX / double(red) : -1.0, red ? redY / double(red) : -1.0, terrain, double(terrainHue),
                terrainValue, terrainValue ? 100 * spread / terrainValue : 0, green, width, height, lit);
    return 0;
}
