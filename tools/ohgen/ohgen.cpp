// ohgen: makes the open hi-hat recording that the "TEV HAT 9 Open" voice plays
// (resources/open_hat.wav). It is deterministic: the same source always writes the same bytes.
//
// Build and run from the repository root:
//     c++ -std=c++17 -O2 -o /tmp/ohgen tools/ohgen/ohgen.cpp && /tmp/ohgen resources/open_hat.wav
//
// The sound: six detuned square waves at inharmonic "metallic" ratios, band-passed into the
// 6-12 kHz region, plus band-limited noise for the sizzle, with a sharp attack and a long
// two-stage decay. Everything is rendered at four times the target rate and decimated, so the
// squares do not alias. Output form (what the voice expects): RIFF/WAVE, 8-bit unsigned PCM,
// one channel, 32000 Hz, exactly 32768 data bytes; the voice plays the first 24640 of them, and
// the recording has faded to silence before the end of that.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace
{

constexpr double pi = 3.14159265358979323846;
constexpr int outputRate = 32000;
constexpr int outputLength = 32768;
constexpr int oversampling = 4;
constexpr double internalRate = outputRate * oversampling;

// Deterministic white noise in [-1, 1).
struct Noise
{
    uint32_t state = 0x2545f491u;
    double next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state / 2147483648.0 - 1.0;
    }
};

// Band-limited square (polyBLEP) so the metallic partials stay clean.
struct Square
{
    double phase = 0.0;
    double increment = 0.0;

    static double blep(double t, double dt)
    {
        if (t < dt)
        {
            t /= dt;
            return t + t - t * t - 1.0;
        }
        if (t > 1.0 - dt)
        {
            t = (t - 1.0) / dt;
            return t * t + t + t + 1.0;
        }
        return 0.0;
    }

    double next()
    {
        double v = phase < 0.5 ? 1.0 : -1.0;
        v += blep(phase, increment);
        v -= blep(std::fmod(phase + 0.5, 1.0), increment);
        phase += increment;
        if (phase >= 1.0)
            phase -= 1.0;
        return v;
    }
};

// Audio EQ Cookbook biquads, transposed direct form II.
struct Biquad
{
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0, s1 = 0, s2 = 0;

    static Biquad make(double b0, double b1, double b2, double a0, double a1, double a2)
    {
        return { b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0, 0, 0 };
    }
    static Biquad bandPass(double f, double q)
    {
        const double w = 2 * pi * f / internalRate, alpha = std::sin(w) / (2 * q), c = std::cos(w);
        return make(alpha, 0, -alpha, 1 + alpha, -2 * c, 1 - alpha);
    }
    static Biquad highPass(double f, double q)
    {
        const double w = 2 * pi * f / internalRate, alpha = std::sin(w) / (2 * q), c = std::cos(w);
        return make((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha);
    }
    static Biquad lowPass(double f, double q)
    {
        const double w = 2 * pi * f / internalRate, alpha = std::sin(w) / (2 * q), c = std::cos(w);
        return make((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
    }

    double process(double x)
    {
        const double y = b0 * x + s1;
        s1 = b1 * x - a1 * y + s2;
        s2 = b2 * x - a2 * y;
        return y;
    }
};

// Level of the hat at time t seconds: a fast rise, a quick first drop and a long ring, faded to
// nothing by 0.74 s so the played part ends in silence.
double envelope(double t)
{
    const double attack = std::min(t / 0.0004, 1.0);
    const double body = 0.5 * std::exp(-t / 0.045) + 0.5 * std::exp(-t / 0.24);
    double fade = 1.0;
    if (t > 0.52)
        fade = t >= 0.74 ? 0.0 : 0.5 + 0.5 * std::cos(pi * (t - 0.52) / 0.22);
    return attack * body * fade;
}

std::vector<double> render()
{
    // Ratios of a classic six-oscillator metal bank, slightly detuned from each other.
    const std::array<double, 6> frequencies { 205.3, 304.4, 369.6, 522.7, 540.0, 800.0 };
    const double spread = 1.9; // moves the whole bank up for a tighter, brighter metal
    std::array<Square, 6> squares;
    for (size_t i = 0; i < squares.size(); ++i)
        squares[i].increment = frequencies[i] * spread / internalRate;

    Biquad metalLow = Biquad::bandPass(7100.0, 1.1);
    Biquad metalHigh = Biquad::bandPass(10400.0, 1.6);
    Biquad metalFloor = Biquad::highPass(5200.0, 0.7);
    Biquad noiseFloor = Biquad::highPass(6200.0, 0.7);
    Biquad noiseTop = Biquad::lowPass(14000.0, 0.7);
    Noise noise;

    const int length = outputLength * oversampling;
    std::vector<double> x(static_cast<size_t>(length));
    for (int n = 0; n < length; ++n)
    {
        const double t = n / internalRate;
        double sum = 0.0;
        for (auto& sq : squares)
            sum += sq.next();
        sum /= 6.0;

        const double metal = metalFloor.process(metalLow.process(sum) + 0.7 * metalHigh.process(sum));
        const double hiss = noiseTop.process(noiseFloor.process(noise.next()));
        const double strike = 0.9 * std::exp(-t / 0.006); // extra noise in the first milliseconds

        x[static_cast<size_t>(n)] = envelope(t) * (1.3 * metal + (0.45 + strike) * hiss);
    }
    return x;
}

// Windowed-sinc low-pass at 14.5 kHz, then every fourth sample.
std::vector<double> decimate(const std::vector<double>& x)
{
    constexpr int taps = 127;
    constexpr int centre = taps / 2;
    std::array<double, taps> h {};
    const double cutoff = 14500.0 / internalRate;
    double sum = 0.0;
    for (int k = 0; k < taps; ++k)
    {
        const double m = k - centre;
        const double sinc = m == 0 ? 2 * cutoff : std::sin(2 * pi * cutoff * m) / (pi * m);
        const double window = 0.42 - 0.5 * std::cos(2 * pi * k / (taps - 1)) + 0.08 * std::cos(4 * pi * k / (taps - 1));
        h[static_cast<size_t>(k)] = sinc * window;
        sum += h[static_cast<size_t>(k)];
    }

    std::vector<double> y(outputLength, 0.0);
    for (int n = 0; n < outputLength; ++n)
    {
        double acc = 0.0;
        for (int k = 0; k < taps; ++k)
        {
            const int i = n * oversampling + k - centre;
            if (i >= 0 && i < static_cast<int>(x.size()))
                acc += h[static_cast<size_t>(k)] * x[static_cast<size_t>(i)];
        }
        y[static_cast<size_t>(n)] = acc / sum;
    }
    return y;
}

void putU16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v & 0xff));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xff));
}

void putU32(std::vector<uint8_t>& out, uint32_t v)
{
    putU16(out, v & 0xffff);
    putU16(out, v >> 16);
}

void putTag(std::vector<uint8_t>& out, const char* tag)
{
    out.insert(out.end(), tag, tag + 4);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: ohgen <output.wav>\n");
        return 2;
    }

    std::vector<double> y = decimate(render());

    double peak = 0.0;
    for (double v : y)
        peak = std::max(peak, std::abs(v));
    const double scale = peak > 0.0 ? 0.93 / peak : 0.0;

    std::vector<uint8_t> file;
    putTag(file, "RIFF");
    putU32(file, 36 + outputLength);
    putTag(file, "WAVE");
    putTag(file, "fmt ");
    putU32(file, 16);
    putU16(file, 1); // integer PCM
    putU16(file, 1); // mono
    putU32(file, outputRate);
    putU32(file, outputRate); // bytes per second
    putU16(file, 1); // block align
    putU16(file, 8); // bits per sample
    putTag(file, "data");
    putU32(file, outputLength);
    for (double v : y)
        file.push_back(static_cast<uint8_t>(std::clamp(std::lround(v * scale * 128.0 + 128.0), 0L, 255L)));

    std::FILE* f = std::fopen(argv[1], "wb");
    if (f == nullptr || std::fwrite(file.data(), 1, file.size(), f) != file.size() || std::fclose(f) != 0)
    {
        std::fprintf(stderr, "ohgen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
