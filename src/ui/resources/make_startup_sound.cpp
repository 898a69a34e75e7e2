// Writes the start-up chime as a PCM WAVE file: mono, 8-bit unsigned samples,
// 11,025 samples per second. Three rising notes and a held fourth, each with
// a soft attack and an exponential fade, about 0.8 s in all.
//
// Usage: make_startup_sound OUT.wav

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRate = 11025;
constexpr double kPi = 3.14159265358979323846;

void putLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.wav\n", argv[0]);
        return 2;
    }
    struct Note {
        double hz;
        double start; // seconds
        double length;
    };
    // C6, E6, G6, then C7 held.
    const Note notes[] = {{1046.50, 0.00, 0.30}, {1318.51, 0.10, 0.30}, {1567.98, 0.20, 0.35}, {2093.00, 0.30, 0.50}};
    const int total = static_cast<int>(0.82 * kRate);
    std::vector<double> mix(static_cast<std::size_t>(total), 0.0);
    for (const Note& n : notes) {
        const int from = static_cast<int>(n.start * kRate);
        const int count = static_cast<int>(n.length * kRate);
        for (int i = 0; i < count && from + i < total; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double attack = std::min(1.0, t / 0.008);
            const double fade = std::exp(-t * 7.0);
            // A touch of the octave above makes it a bell rather than a beep.
            const double tone = std::sin(2 * kPi * n.hz * t) + 0.25 * std::sin(4 * kPi * n.hz * t);
            mix[static_cast<std::size_t>(from + i)] += 0.32 * attack * fade * tone;
        }
    }
    std::vector<std::uint8_t> samples;
    samples.reserve(mix.size());
    for (double v : mix) {
        const double clipped = std::max(-1.0, std::min(1.0, v));
        samples.push_back(static_cast<std::uint8_t>(std::lround(128.0 + 127.0 * clipped)));
    }

    std::vector<std::uint8_t> file;
    const auto text = [&file](const char* s) {
        for (int i = 0; i < 4; ++i)
            file.push_back(static_cast<std::uint8_t>(s[i]));
    };
    text("RIFF");
    putLe(file, static_cast<std::uint32_t>(36 + samples.size()), 4);
    text("WAVE");
    text("fmt ");
    putLe(file, 16, 4);
    putLe(file, 1, 2);     // PCM
    putLe(file, 1, 2);     // mono
    putLe(file, kRate, 4); // samples per second
    putLe(file, kRate, 4); // bytes per second
    putLe(file, 1, 2);     // block align
    putLe(file, 8, 2);     // bits per sample
    text("data");
    putLe(file, static_cast<std::uint32_t>(samples.size()), 4);
    file.insert(file.end(), samples.begin(), samples.end());

    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size() || std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
