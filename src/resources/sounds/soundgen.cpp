// Synthesises the program's interface sounds into 16-bit mono WAVE files and writes the
// resource list that compiles them into the program. Run at build time:
//   marlux_soundgen <output folder>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int SampleRate = 22050;
constexpr double Pi = 3.14159265358979323846;

using Samples = std::vector<double>;

// A tone of one or more partials with a short attack and an exponential decay,
// so that no sound starts or ends with a click of its own.
Samples tone(double frequency, double seconds, double decay = 6.0, double level = 0.6)
{
    const int count = int(seconds * SampleRate);
    Samples out(count);
    const int attack = SampleRate / 400;
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / SampleRate;
        double envelope = std::exp(-decay * t);
        if (i < attack)
            envelope *= double(i) / attack;
        const int tail = count - i;
        if (tail < attack)
            envelope *= double(tail) / attack;
        const double wave = std::sin(2 * Pi * frequency * t) +
                            0.3 * std::sin(4 * Pi * frequency * t) +
                            0.1 * std::sin(6 * Pi * frequency * t);
        out[i] = level * envelope * wave / 1.4;
    }
    return out;
}

// A glide from one frequency to another (drop-downs and menus).
Samples sweep(double from, double to, double seconds, double level = 0.5)
{
    const int count = int(seconds * SampleRate);
    Samples out(count);
    double phase = 0;
    for (int i = 0; i < count; ++i) {
        const double progress = double(i) / count;
        const double frequency = from + (to - from) * progress;
        phase += 2 * Pi * frequency / SampleRate;
        const double envelope = std::sin(Pi * progress);
        out[i] = level * envelope * std::sin(phase);
    }
    return out;
}

// A short filtered noise burst over a tone: the mechanical part of a click.
Samples click(double frequency, double seconds, double level = 0.7)
{
    const int count = int(seconds * SampleRate);
    Samples out(count);
    std::uint32_t seed = 0x2545F491u ^ std::uint32_t(frequency);
    double smoothed = 0;
    for (int i = 0; i < count; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double noise = double(seed >> 8) / double(1u << 24) * 2 - 1;
        smoothed += (noise - smoothed) * 0.35;
        const double t = double(i) / SampleRate;
        const double envelope = std::exp(-t * 5.0 / seconds);
        out[i] = level * envelope * (0.6 * smoothed + 0.4 * std::sin(2 * Pi * frequency * t));
    }
    return out;
}

Samples silence(double seconds)
{
    return Samples(int(seconds * SampleRate), 0.0);
}

Samples sequence(std::initializer_list<Samples> parts)
{
    Samples out;
    for (const Samples &part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

void put16(std::ofstream &file, std::uint16_t value)
{
    const char bytes[2] = {char(value & 0xff), char(value >> 8)};
    file.write(bytes, 2);
}

void put32(std::ofstream &file, std::uint32_t value)
{
    put16(file, std::uint16_t(value & 0xffff));
    put16(file, std::uint16_t(value >> 16));
}

bool writeWave(const std::string &path, const Samples &samples)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        return false;
    const std::uint32_t dataBytes = std::uint32_t(samples.size() * 2);
    file.write("RIFF", 4);
    put32(file, 36 + dataBytes);
    file.write("WAVEfmt ", 8);
    put32(file, 16); // PCM format chunk size
    put16(file, 1);  // PCM
    put16(file, 1);  // mono
    put32(file, SampleRate);
    put32(file, SampleRate * 2);
    put16(file, 2);  // block align
    put16(file, 16); // bits per sample
    file.write("data", 4);
    put32(file, dataBytes);
    for (double sample : samples) {
        const double clamped = sample > 1 ? 1 : (sample < -1 ? -1 : sample);
        put16(file, std::uint16_t(std::int16_t(std::lround(clamped * 32000))));
    }
    return bool(file);
}

struct Sound
{
    const char *name;
    std::function<Samples()> make;
};

const std::vector<Sound> &sounds()
{
    static const std::vector<Sound> list = {
        // One per kind of message box.
        {"101",
         [] {
             return sequence({tone(880, 0.12), tone(660, 0.2)});
         }},
        {"102",
         [] {
             return sequence({tone(523, 0.1), tone(784, 0.22)});
         }},
        {"103",
         [] {
             return sequence({tone(220, 0.14, 4), silence(0.03), tone(196, 0.22, 4)});
         }},
        {"104",
         [] {
             return sequence({tone(523, 0.08), tone(659, 0.08), tone(784, 0.25)});
         }},
        {"105",
         [] {
             return sequence({tone(440, 0.1), tone(349, 0.1), tone(294, 0.25)});
         }},
        {"106",
         [] {
             return sequence({tone(330, 0.12, 3), silence(0.05), tone(330, 0.2, 3)});
         }},
        {"107",
         [] {
             return sequence(
                 {tone(988, 0.06), silence(0.04), tone(988, 0.06), silence(0.04), tone(988, 0.1)});
         }},
        // Interface feedback: short enough never to be in the way.
        {"CLICKDOWN", [] { return click(600, 0.03); }},
        {"CLICKUP", [] { return click(1200, 0.025); }},
        {"COMBODROPDOWN", [] { return sweep(500, 1100, 0.06); }},
        {"KEYPRESS", [] { return click(2000, 0.012, 0.5); }},
        {"TBTABCLICK", [] { return tone(1500, 0.03, 60, 0.4); }},
        {"TABCLICK", [] { return tone(1000, 0.035, 50, 0.4); }},
        {"MENU", [] { return sweep(1000, 600, 0.05, 0.4); }},
    };
    return list;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    std::string qrc = "<RCC>\n  <qresource prefix=\"/sounds\">\n";
    for (const Sound &sound : sounds()) {
        const std::string file = std::string(sound.name) + ".wav";
        if (!writeWave(folder + "/" + file, sound.make())) {
            std::fprintf(stderr, "cannot write %s/%s\n", folder.c_str(), file.c_str());
            return 1;
        }
        qrc += "    <file>" + file + "</file>\n";
    }
    qrc += "  </qresource>\n</RCC>\n";
    std::ofstream list(folder + "/marlux_sounds.qrc", std::ios::trunc);
    list << qrc;
    if (!list) {
        std::fprintf(stderr, "cannot write %s/marlux_sounds.qrc\n", folder.c_str());
        return 1;
    }
    return 0;
}
