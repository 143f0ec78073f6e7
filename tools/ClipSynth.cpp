// Synthesizes the game's fifteen sound clips and writes each as a RIFF WAVE file (one 16-byte
// PCM "fmt " chunk, one "data" chunk, no padding byte) into the folder given on the command line.
// Everything is computed from fixed constants and a private random generator, so every build
// produces the same bytes.
//
//   ClipSynth <output folder>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/LittleEndian.h"

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double TwoPi = 2 * Pi;

// --- building blocks -------------------------------------------------------------------------

// A private linear congruential generator: the clips must not depend on the game's random source.
struct TNoise {
  uint32_t Seed;
  explicit TNoise(uint32_t Start) : Seed(Start) {}
  double Next() { // -1 .. 1
    Seed = Seed * 1664525u + 1013904223u;
    return double(Seed >> 8) / double(1u << 23) - 1.0;
  }
  double Unit() { return (Next() + 1.0) * 0.5; }
};

double MidiHz(double Note) {
  return 440.0 * std::pow(2.0, (Note - 69.0) / 12.0);
}

// Exponential glide from A to B with time constant Tau (seconds).
double Glide(double A, double B, double T, double Tau) {
  return B + (A - B) * std::exp(-T / Tau);
}

// Attack then exponential decay.
double Perc(double T, double Attack, double Decay) {
  if (T < 0) return 0;
  if (T < Attack) return T / Attack;
  return std::exp(-(T - Attack) / Decay);
}

// Band-limited sawtooth (polyBLEP) over phase in cycles.
double PolyBlep(double T, double Dt) {
  if (T < Dt) {
    T /= Dt;
    return T + T - T * T - 1.0;
  }
  if (T > 1.0 - Dt) {
    T = (T - 1.0) / Dt;
    return T * T + T + T + 1.0;
  }
  return 0.0;
}
double Saw(double Phase, double Dt) {
  const double t = Phase - std::floor(Phase);
  return 2.0 * t - 1.0 - PolyBlep(t, Dt);
}
double Square(double Phase, double Dt) {
  const double t = Phase - std::floor(Phase);
  double t2 = t + 0.5;
  t2 -= std::floor(t2);
  return (t < 0.5 ? 1.0 : -1.0) + PolyBlep(t, Dt) - PolyBlep(t2, Dt);
}

// Chamberlin state-variable filter: low, band and high outputs.
struct TSvf {
  double Low = 0, Band = 0, High = 0;
  void Run(double In, double Cutoff, double Q, double Rate) {
    const double f = 2.0 * std::sin(Pi * std::min(Cutoff, Rate / 6.5) / Rate);
    Low += f * Band;
    High = In - Low - Band / Q;
    Band += f * High;
  }
};

struct TOnePole {
  double Y = 0;
  double Low(double In, double Cutoff, double Rate) {
    Y += (1.0 - std::exp(-TwoPi * Cutoff / Rate)) * (In - Y);
    return Y;
  }
};

// A small Schroeder reverberator: four parallel combs with damping, two allpasses in series.
class TReverb {
public:
  TReverb(double Rate, double Size, double Damp, int Spread) : FDamp(Damp) {
    const int combs[4] = {1116, 1188, 1277, 1356};
    const int passes[2] = {556, 441};
    for (int i = 0; i < 4; ++i) FComb[i].assign(size_t((combs[i] + Spread) * Rate / 44100.0), 0.0);
    for (int i = 0; i < 2; ++i) FPass[i].assign(size_t((passes[i] + Spread) * Rate / 44100.0), 0.0);
    FFeedback = Size;
  }
  double Run(double In) {
    double out = 0;
    for (int i = 0; i < 4; ++i) {
      auto& line = FComb[i];
      double& pos = FCombPos[i];
      const size_t p = size_t(pos);
      const double y = line[p];
      FStore[i] = y * (1.0 - FDamp) + FStore[i] * FDamp;
      line[p] = In + FStore[i] * FFeedback;
      pos = double((p + 1) % line.size());
      out += y;
    }
    for (int i = 0; i < 2; ++i) {
      auto& line = FPass[i];
      const size_t p = FPassPos[i];
      const double b = line[p];
      line[p] = out + b * 0.5;
      out = b - out;
      FPassPos[i] = (p + 1) % line.size();
    }
    return out * 0.25;
  }

private:
  std::vector<double> FComb[4], FPass[2];
  double FCombPos[4] = {}, FStore[4] = {};
  size_t FPassPos[2] = {};
  double FFeedback, FDamp;
};

// --- clips -----------------------------------------------------------------------------------

struct TClip {
  int Channels, Rate, Bits;
  int64_t Bytes;
  std::vector<double> Left, Right; // Right empty for mono
};

int64_t Frames(const TClip& Clip) {
  return Clip.Bytes / (Clip.Channels * Clip.Bits / 8);
}

TClip Make(int Channels, int Rate, int Bits, int64_t Bytes) {
  TClip clip{Channels, Rate, Bits, Bytes, {}, {}};
  clip.Left.assign(size_t(Frames(clip)), 0.0);
  if (Channels == 2) clip.Right.assign(size_t(Frames(clip)), 0.0);
  return clip;
}

// Fills the clip frame by frame: Frame(t, Out) sets Out[0], the left or only channel, and for a
// stereo clip Out[1], the right.
void Render(TClip& Clip, const std::function<void(double, double*)>& Frame) {
  const double dt = 1.0 / Clip.Rate;
  double out[2] = {0, 0};
  for (size_t i = 0; i < Clip.Left.size(); ++i) {
    Frame(double(i) * dt, out);
    Clip.Left[i] = out[0];
    if (Clip.Channels == 2) Clip.Right[i] = out[1];
  }
}

// Brings the loudest sample to Peak, then raises the first and last Fade seconds from and to
// silence with half cosines, so a clip never starts or stops with a step; returns the result.
TClip Finish(TClip Clip, double Peak, double FadeIn, double FadeOut) {
  double most = 1e-9;
  for (double v : Clip.Left) most = std::max(most, std::abs(v));
  for (double v : Clip.Right) most = std::max(most, std::abs(v));
  const double gain = Peak / most;
  const size_t n = Clip.Left.size();
  const size_t in = size_t(FadeIn * Clip.Rate), out = size_t(FadeOut * Clip.Rate);
  for (size_t i = 0; i < n; ++i) {
    double g = gain;
    if (i < in) g *= 0.5 - 0.5 * std::cos(Pi * double(i) / double(in));
    if (n - 1 - i < out) g *= 0.5 - 0.5 * std::cos(Pi * double(n - 1 - i) / double(out));
    Clip.Left[i] *= g;
    if (Clip.Channels == 2) Clip.Right[i] *= g;
  }
  return Clip;
}

// Short rising "bubble" chirps: the wet part of squelches and gulps.
// The pitch climbs by the factor 1 + Rise, most of the way within Length; the bubble is left to
// ring out to well below the 16-bit floor so it never ends with a click.
double Bubble(double T, double Start, double Hz, double Rise, double Length) {
  const double t = T - Start;
  if (t < 0 || t > Length * 14) return 0;
  const double phase = Hz * (t + Rise * (t - Length * (1 - std::exp(-t / Length))));
  return std::sin(TwoPi * phase) * Perc(t, 0.002, Length);
}

// One bubble of a stereo spray, placed between the channels by Pan (0 left, 1 right).
struct TBubble {
  double Start, Hz, Length, Pan;
  double Sample(double T, double Rise, int Channel) const {
    return Bubble(T, Start, Hz, Rise, Length) * (Channel ? Pan : 1 - Pan);
  }
};

TClip PlayerShoot() {
  TClip c = Make(2, 44100, 16, 44100);
  // A bright zap: an FM tone diving from 2.6 kHz to 280 Hz in a few tens of milliseconds, with a
  // hiss of noise on the attack; the channels are a little detuned for width.
  double phase[2] = {0, 0};
  TNoise noise(11);
  TSvf hiss[2];
  const double dt = 1.0 / c.Rate;
  Render(c, [&](double t, double* out) {
    for (int ch = 0; ch < 2; ++ch) {
      const double hz = Glide(2600, 280, t, 0.035) * (ch ? 1.006 : 0.994);
      phase[ch] += hz * dt;
      const double tone =
          std::sin(TwoPi * phase[ch] + 1.6 * Perc(t, 0, 0.05) * std::sin(TwoPi * 2 * phase[ch]));
      hiss[ch].Run(noise.Next(), 6000, 0.8, c.Rate);
      out[ch] = tone * Perc(t, 0.002, 0.055) + 0.35 * hiss[ch].Band * Perc(t, 0.001, 0.012);
    }
  });
  return Finish(std::move(c), 0.85, 0.001, 0.03);
}

TClip GruntHit() {
  TClip c = Make(2, 44100, 16, 100768);
  // A wet burst: a noise splash whose resonant filter closes fast, a low thump, and a spray of
  // bubbles scattered across the stereo field.
  TNoise noise(23);
  TSvf splash[2];
  std::vector<TBubble> bubbles;
  for (int i = 0; i < 14; ++i)
    bubbles.push_back({0.01 + 0.32 * noise.Unit() * noise.Unit(), 350 + 700 * noise.Unit(),
                       0.012 + 0.02 * noise.Unit(), noise.Unit()});
  double thump = 0;
  const double dt = 1.0 / c.Rate;
  Render(c, [&](double t, double* out) {
    thump += Glide(160, 45, t, 0.05) * dt;
    const double low = std::sin(TwoPi * thump) * Perc(t, 0.003, 0.09);
    for (int ch = 0; ch < 2; ++ch) {
      splash[ch].Run(noise.Next(), Glide(3500, 250, t, 0.06), 3.0, c.Rate);
      double wet = 0;
      for (const TBubble& b : bubbles) wet += b.Sample(t, 1.4, ch);
      out[ch] = 0.8 * splash[ch].Low * Perc(t, 0.002, 0.11) + 0.9 * low + 0.45 * wet;
    }
  });
  return Finish(std::move(c), 0.88, 0.001, 0.05);
}

// The unused eight share one voice: 8-bit mono at 22050 Hz, brought to the same peak. Sample(t)
// is the sound t seconds in; FadeIn and FadeOut as for Finish.
constexpr int MonoRate = 22050;
TClip Mono8(int64_t Bytes, double FadeIn, double FadeOut,
            const std::function<double(double)>& Sample) {
  TClip c = Make(1, MonoRate, 8, Bytes);
  Render(c, [&](double t, double* out) { out[0] = Sample(t); });
  return Finish(std::move(c), 0.85, FadeIn, FadeOut);
}

TClip BoidHit() {
  // A small glassy tick: a short FM ping with a click of noise.
  TNoise noise(31);
  return Mono8(4998, 0.001, 0.02, [&](double t) {
    const double f = 1250;
    return std::sin(TwoPi * f * t + 2.0 * Perc(t, 0, 0.02) * std::sin(TwoPi * 2.5 * f * t)) *
               Perc(t, 0.001, 0.045) +
           0.3 * noise.Next() * Perc(t, 0, 0.004);
  });
}

TClip SnakeHit() {
  // A dull knock: a falling sine with a puff of low noise.
  TNoise noise(37);
  TSvf puff;
  double phase = 0;
  return Mono8(5460, 0.001, 0.03, [&](double t) {
    phase += Glide(320, 110, t, 0.04) / MonoRate;
    puff.Run(noise.Next(), 900, 0.7, MonoRate);
    return std::sin(TwoPi * phase) * Perc(t, 0.002, 0.06) + 0.5 * puff.Low * Perc(t, 0.001, 0.03);
  });
}

TClip SnakeDestroyed() {
  // A long crumbling explosion: rumbling noise with a closing filter, scattered crackles and a
  // groan falling away underneath.
  TNoise noise(41), crackle(43);
  TSvf body;
  double phase = 0, crack = 0;
  return Mono8(49872, 0.002, 0.15, [&](double t) {
    body.Run(noise.Next(), Glide(4000, 120, t, 0.5), 1.2, MonoRate);
    phase += Glide(220, 35, t, 0.6) / MonoRate;
    if (crackle.Unit() < 0.004 * std::exp(-t / 0.45)) crack = crackle.Next();
    crack *= 0.97;
    return body.Low * Perc(t, 0.005, 0.7) + 0.5 * Saw(phase, 0.01) * Perc(t, 0.02, 0.5) +
           0.6 * crack;
  });
}

TClip GravitarHit() {
  // A metallic clang: inharmonic partials with a slight pitch wobble.
  const double partials[5] = {1.0, 2.32, 3.17, 4.53, 5.91};
  return Mono8(12850, 0.001, 0.05, [&](double t) {
    const double wobble = 1.0 + 0.01 * std::sin(TwoPi * 9 * t);
    double v = 0;
    for (int k = 0; k < 5; ++k)
      v += std::sin(TwoPi * 430 * partials[k] * wobble * t) * Perc(t, 0.001, 0.2 / (1 + k)) /
           (1 + 0.5 * k);
    return v;
  });
}

TClip GravitarDestroyed() {
  // A warp collapse: a buzzing sweep diving from high to very low through noise.
  TNoise noise(47);
  TSvf tone;
  double phase = 0;
  return Mono8(27084, 0.001, 0.1, [&](double t) {
    const double hz = Glide(1400, 40, t, 0.3);
    phase += hz / MonoRate;
    tone.Run(Saw(phase, hz / MonoRate), hz * 4, 2.0, MonoRate);
    return tone.Low * Perc(t, 0.003, 0.45) + 0.4 * noise.Next() * Perc(t, 0.001, 0.15);
  });
}

TClip PodHit() {
  TClip c = Make(2, 44100, 16, 441000);
  // A gulp: a throaty buzz whose vowel filter swoops up then down ("glup"), the swallow's low
  // drop, then a gurgle of fading bubbles.
  TNoise noise(53);
  TSvf throat[2], gurgle[2];
  std::vector<TBubble> bubbles;
  for (int i = 0; i < 26; ++i)
    bubbles.push_back({0.3 + 1.8 * std::pow(noise.Unit(), 1.6), 180 + 420 * noise.Unit(),
                       0.015 + 0.03 * noise.Unit(), noise.Unit()});
  double buzz = 0, drop = 0;
  const double dt = 1.0 / c.Rate;
  Render(c, [&](double t, double* out) {
    buzz += Glide(150, 85, t, 0.12) * dt;
    const double vowel = t < 0.08 ? 300 + 9000 * t : Glide(1020, 260, t - 0.08, 0.07);
    const double gate = Perc(t, 0.01, 0.14);
    drop += Glide(210, 55, t - 0.1, 0.1) * dt;
    const double low = t < 0.1 ? 0 : std::sin(TwoPi * drop) * Perc(t - 0.1, 0.01, 0.18);
    for (int ch = 0; ch < 2; ++ch) {
      throat[ch].Run(Saw(buzz * (ch ? 1.004 : 0.996), 150 * dt), vowel, 6.0, c.Rate);
      gurgle[ch].Run(noise.Next(), 400, 4.0, c.Rate);
      double wet = 0;
      for (const TBubble& b : bubbles)
        wet += b.Sample(t, 0.9, ch) * std::exp(-(b.Start - 0.3) / 0.9);
      out[ch] = 0.9 * throat[ch].Band * gate + 0.9 * low + 0.4 * wet +
                0.1 * gurgle[ch].Band * Perc(t - 0.2, 0.2, 0.5);
    }
  });
  return Finish(std::move(c), 0.88, 0.002, 0.2);
}

TClip PodDestroyed() {
  // A splat: a noise burst through a band that sweeps down, with bubbles bursting after it.
  TNoise noise(59), when(61);
  TSvf band;
  std::vector<double> starts;
  for (int i = 0; i < 10; ++i) starts.push_back(0.05 + 0.6 * when.Unit());
  return Mono8(23546, 0.001, 0.08, [&](double t) {
    band.Run(noise.Next(), Glide(2500, 200, t, 0.12), 2.5, MonoRate);
    double wet = 0;
    for (size_t k = 0; k < starts.size(); ++k)
      wet += Bubble(t, starts[k], 300 + 60.0 * double(k), 1.2, 0.02);
    return band.Band * Perc(t, 0.002, 0.15) * 1.5 + 0.35 * wet;
  });
}

TClip PodChildHit() {
  // A tiny squelch: a blip that bends up through a little band of noise.
  TNoise noise(67);
  TSvf band;
  return Mono8(4040, 0.001, 0.03, [&](double t) {
    band.Run(noise.Next(), 1500, 4, MonoRate);
    return Bubble(t, 0, 500, 3.0, 0.03) + 0.6 * band.Band * Perc(t, 0.001, 0.02);
  });
}

TClip PodChildDestroyed() {
  TClip c = Make(2, 22050, 16, 54732);
  // A short angry buzz at 100 Hz. The game restarts this clip every 10 ms frame while a predator
  // clings to the snake; at 100 Hz each frame holds exactly one period, so the restarts join into
  // a steady buzz instead of a chatter of clicks. Each period is shaped to rise from and fall back
  // to silence: a restart then lands on silence, whatever the tone was doing, even when the mixer
  // applies it a sample or two early or late.
  TSvf tone[2];
  Render(c, [&](double t, double* out) {
    const double grit = 1.0 + 0.25 * std::sin(TwoPi * 33 * t);
    for (int ch = 0; ch < 2; ++ch) {
      const double phase = 100.0 * t;
      // A sine-based pulse: starts at zero, rich in odd harmonics once driven.
      const double raw = std::tanh(3.0 * grit * std::sin(TwoPi * phase + (ch ? 0.2 : 0.0)));
      tone[ch].Run(raw, 2400, 0.8, c.Rate);
      const double env = t < 0.35 ? 1.0 : std::exp(-(t - 0.35) / 0.07);
      const double grain = std::sin(Pi * (phase - std::floor(phase)));
      out[ch] = tone[ch].Low * env * grain * grain;
    }
  });
  return Finish(std::move(c), 0.8, 0.0005, 0.04);
}

TClip PlayerHit() {
  TClip c = Make(2, 44100, 16, 321928);
  // A falling explosion: a roar of noise whose filter falls from bright to deep, a tone diving
  // under it, and a rumble that lingers; each channel has its own noise for width.
  TNoise noise(71);
  TSvf roar[2];
  double phase = 0;
  const double dt = 1.0 / c.Rate;
  Render(c, [&](double t, double* out) {
    phase += Glide(900, 30, t, 0.35) * dt;
    const double dive = Saw(phase, 900 * dt) * Perc(t, 0.01, 0.4);
    for (int ch = 0; ch < 2; ++ch) {
      roar[ch].Run(noise.Next(), Glide(7000, 90, t, 0.3), 1.4, c.Rate);
      out[ch] = roar[ch].Low * Perc(t, 0.004, 0.55) * 1.3 + 0.35 * dive;
    }
  });
  return Finish(std::move(c), 0.9, 0.002, 0.2);
}

TClip BonusReverb() {
  TClip c = Make(2, 44100, 16, 427492);
  // A rising chime: five bell notes climbing an arpeggio, ringing into a wide reverb tail.
  const double notes[5] = {72, 76, 79, 84, 88};
  TReverb room[2] = {TReverb(c.Rate, 0.86, 0.25, 0), TReverb(c.Rate, 0.86, 0.25, 23)};
  Render(c, [&](double t, double* out) {
    double dry = 0;
    for (int k = 0; k < 5; ++k) {
      const double s = t - 0.07 * k;
      if (s < 0) continue;
      const double f = MidiHz(notes[k]);
      // A bell: the fundamental, a bright inharmonic partial that dies quickly.
      dry += (std::sin(TwoPi * f * s) * Perc(s, 0.002, 0.5) +
              0.4 * std::sin(TwoPi * f * 2.76 * s) * Perc(s, 0.001, 0.12)) *
             (0.7 + 0.075 * k);
    }
    // The reverb's input is faded out smoothly, so its tail dies away before the clip ends.
    const double feed = t < 1.0 ? 1.0 : t > 1.5 ? 0.0 : 0.5 + 0.5 * std::cos(Pi * (t - 1.0) / 0.5);
    for (int ch = 0; ch < 2; ++ch) out[ch] = 0.55 * dry + 0.9 * room[ch].Run(dry * feed);
  });
  return Finish(std::move(c), 0.85, 0.001, 0.35);
}

TClip GravitarSpawned() {
  // A materialising shimmer: noise swept upwards and a rising glissando with vibrato, swelling
  // in and fading out.
  TNoise noise(79);
  TSvf sweep;
  double phase = 0;
  return Mono8(49549, 0.01, 0.1, [&](double t) {
    const double u = t / 2.25;
    sweep.Run(noise.Next(), 200 + 4500 * u * u, 6.0, MonoRate);
    phase += (150 + 900 * u) * (1 + 0.03 * std::sin(TwoPi * 7 * t)) / MonoRate;
    const double swell = std::sin(Pi * u);
    return (0.6 * sweep.Band + 0.5 * std::sin(TwoPi * phase) + 0.2 * std::sin(TwoPi * 2 * phase)) *
           swell;
  });
}

// --- the title music -------------------------------------------------------------------------
//
// 40 bars of 16 steps in A minor, laid out so that the 640 steps divide the clip exactly: the
// piece is rendered on a circle (every tail past the end sounds again at the beginning, and the
// echo and reverb run twice round so their state at the seam is the steady one), hence it loops
// without a seam. The last bar thins out so that starting it from silence is clean too.

struct TMusic {
  int64_t N;
  double Rate = 22050;
  std::vector<double> Dry, Echo; // the echo bus feeds the delay
  int64_t StepStart(int64_t Step) const { return Step * N / 640; }
  double StepSeconds() const { return double(N) / 640.0 / Rate; }

  void Add(std::vector<double>& Bus, int64_t Start, int64_t Length,
           const std::function<double(double)>& Voice) {
    for (int64_t i = 0; i < Length; ++i) Bus[size_t((Start + i) % N)] += Voice(double(i) / Rate);
  }
};

TClip Intro() {
  TClip c = Make(1, 22050, 16, 3913876);
  TMusic m;
  m.N = Frames(c);
  m.Dry.assign(size_t(m.N), 0.0);
  m.Echo.assign(size_t(m.N), 0.0);
  const double step = m.StepSeconds();

  // Chords, each two bars: pad voicing and bass root.
  const int pads[4][4] = {{57, 60, 64, 71}, {53, 57, 60, 64}, {55, 60, 64, 71}, {55, 59, 62, 64}};
  const int roots[4] = {45, 41, 48, 43};
  auto chordOf = [](int bar) { return (bar / 2) % 4; };

  // Pad: detuned saws through a slowly breathing filter.
  for (int bar = 0; bar < 40; bar += 2) {
    const int ch = chordOf(bar);
    const bool last = bar == 38;
    const double hold = (last ? 24 : 32) * step;
    for (int k = 0; k < 4; ++k) {
      const double f = MidiHz(pads[ch][k]);
      m.Add(m.Dry, m.StepStart(bar * 16), int64_t((hold + 1.2) * m.Rate),
            [f, hold, k, state = TOnePole(), state2 = TOnePole()](double t) mutable {
              const double env =
                  std::min(1.0, t / 0.6) * (t < hold ? 1.0 : std::exp(-(t - hold) / 0.22));
              const double cut = 700 + 500 * std::sin(TwoPi * 0.11 * t + k);
              const double v = Saw(f * 0.997 * t, f / 22050) + Saw(f * 1.003 * t + 0.3, f / 22050);
              return 0.05 * env * state2.Low(state.Low(v, cut, 22050), cut, 22050);
            });
    }
  }

  // Arpeggio: glassy FM plucks on every step, softer off the beat, into the echo.
  const int pattern[16] = {0, 1, 2, 3, 2, 1, 0, 2, 1, 3, 2, 0, 1, 2, 3, 1};
  for (int s = 0; s < 640; ++s) {
    const int bar = s / 16, pos = s % 16;
    if (bar == 39 && pos >= 8) continue;
    const int note = pads[chordOf(bar)][pattern[pos]] + 12;
    const double f = MidiHz(note);
    const double accent = (pos % 4 == 0 ? 1.0 : 0.6) * (bar < 4 ? 0.5 + 0.125 * bar : 1.0);
    m.Add(m.Echo, m.StepStart(s), int64_t(0.5 * m.Rate), [f, accent](double t) {
      return 0.09 * accent *
             std::sin(TwoPi * f * t + 1.5 * std::exp(-t / 0.05) * std::sin(TwoPi * 2 * f * t)) *
             Perc(t, 0.003, 0.16);
    });
  }

  // Bass: a round sine with a little drive; held roots at first, then a dotted figure.
  for (int bar = 0; bar < 40; ++bar) {
    if (bar == 39) continue;
    const double root = roots[chordOf(bar)];
    struct TNote {
      int Pos, Len, Offset;
    };
    const bool figure = bar >= 8 && bar < 36;
    const std::vector<TNote> notes = figure ? std::vector<TNote>{{0, 3, 0}, {3, 3, 0},  {6, 2, 12},
                                                                 {8, 3, 0}, {11, 3, 7}, {14, 2, 12}}
                                            : std::vector<TNote>{{0, 14, 0}};
    for (const TNote& n : notes) {
      const double f = MidiHz(root + n.Offset);
      const double len = n.Len * step;
      m.Add(m.Dry, m.StepStart(bar * 16 + n.Pos), int64_t((len + 0.1) * m.Rate),
            [f, len](double t) {
              const double env = std::min(1.0, t / 0.005) * std::exp(-t / 0.8) *
                                 (t < len - 0.03 ? 1.0 : std::exp(-(t - len + 0.03) / 0.02));
              return 0.22 * env * std::tanh(1.6 * std::sin(TwoPi * f * t));
            });
    }
  }

  // Drums from bar 8 to bar 35: kick, hats, and a soft clap in the fourth phrase.
  TNoise noise(97);
  for (int bar = 8; bar < 36; ++bar) {
    for (int pos = 0; pos < 16; ++pos) {
      const int64_t at = m.StepStart(bar * 16 + pos);
      const bool full = bar >= 24 && bar < 32;
      if (bar < 32 && (pos == 0 || pos == 8 || (full && pos == 6))) {
        m.Add(m.Dry, at, int64_t(0.35 * m.Rate), [phase = 0.0](double t) mutable {
          phase += Glide(130, 45, t, 0.03) / 22050;
          return 0.35 * std::sin(TwoPi * phase) * Perc(t, 0.002, 0.12);
        });
      }
      if (full && (pos == 4 || pos == 12)) {
        const uint32_t seed = noise.Seed;
        m.Add(m.Dry, at, int64_t(0.25 * m.Rate), [n = TNoise(seed), f = TSvf()](double t) mutable {
          f.Run(n.Next(), 1400, 1.5, 22050);
          return 0.16 * f.Band * Perc(t, 0.001, 0.06);
        });
        noise.Next();
      }
      const bool hat = bar < 32 ? pos % 2 == 0 : pos % 4 == 2;
      if (hat || (full && pos % 2 == 1)) {
        const double level = (pos % 4 == 2 ? 0.07 : 0.04) * (bar >= 32 ? 0.6 : 1.0);
        const uint32_t seed = noise.Seed;
        m.Add(m.Dry, at, int64_t(0.08 * m.Rate),
              [n = TNoise(seed), f = TSvf(), level](double t) mutable {
                f.Run(n.Next(), 7000, 0.7, 22050);
                return level * f.High * Perc(t, 0.001, 0.018);
              });
        noise.Next();
      }
    }
  }

  // Lead melody over the third and fourth phrases: a soft pulse with vibrato, into the echo.
  struct TMel {
    int Bar, Pos, Len, Note;
  };
  const TMel melody[] = {
      {16, 0, 6, 76},  {16, 6, 2, 74},  {16, 8, 4, 72},  {16, 12, 4, 71}, {17, 0, 8, 69},
      {17, 8, 4, 72},  {17, 12, 4, 76}, {18, 0, 6, 77},  {18, 6, 2, 76},  {18, 8, 8, 72},
      {19, 0, 4, 69},  {19, 4, 4, 72},  {19, 8, 8, 76},  {20, 0, 6, 79},  {20, 6, 2, 76},
      {20, 8, 4, 72},  {20, 12, 4, 74}, {21, 0, 12, 76}, {21, 12, 4, 74}, {22, 0, 6, 74},
      {22, 6, 2, 72},  {22, 8, 4, 71},  {22, 12, 4, 67}, {23, 0, 12, 71}, {24, 0, 4, 81},
      {24, 4, 4, 79},  {24, 8, 4, 76},  {24, 12, 4, 79}, {25, 0, 8, 81},  {25, 8, 8, 84},
      {26, 0, 4, 84},  {26, 4, 4, 81},  {26, 8, 4, 77},  {26, 12, 4, 81}, {27, 0, 12, 79},
      {27, 12, 4, 77}, {28, 0, 4, 76},  {28, 4, 4, 79},  {28, 8, 4, 84},  {28, 12, 4, 83},
      {29, 0, 8, 79},  {29, 8, 8, 76},  {30, 0, 4, 74},  {30, 4, 4, 76},  {30, 8, 4, 79},
      {30, 12, 4, 74}, {31, 0, 16, 76},
  };
  for (const TMel& n : melody) {
    const double f = MidiHz(n.Note);
    const double len = n.Len * step;
    m.Add(m.Echo, m.StepStart(n.Bar * 16 + n.Pos), int64_t((len + 0.3) * m.Rate),
          [f, len, lp = TOnePole()](double t) mutable {
            const double vib = 1.0 + 0.004 * std::sin(TwoPi * 5.5 * t) * std::min(1.0, t / 0.3);
            const double env = std::min(1.0, t / 0.02) * (0.7 + 0.3 * std::exp(-t / 0.2)) *
                               (t < len - 0.02 ? 1.0 : std::exp(-(t - len + 0.02) / 0.06));
            const double v = Square(f * vib * t, f / 22050) * 0.6 + std::sin(TwoPi * f * vib * t);
            return 0.08 * env * lp.Low(v, 2200, 22050);
          });
  }

  // Echo of three steps and reverb, both run twice round the circle.
  const int64_t delay = m.StepStart(3);
  std::vector<double> echoed(size_t(m.N), 0.0);
  for (int pass = 0; pass < 2; ++pass)
    for (int64_t i = 0; i < m.N; ++i)
      echoed[size_t(i)] = m.Echo[size_t(i)] + 0.38 * echoed[size_t((i - delay + m.N) % m.N)];
  TReverb room(22050, 0.82, 0.35, 0);
  std::vector<double> mix(size_t(m.N));
  for (int pass = 0; pass < 2; ++pass)
    for (int64_t i = 0; i < m.N; ++i) {
      const double in = m.Dry[size_t(i)] + echoed[size_t(i)];
      mix[size_t(i)] = in + 0.5 * room.Run(in);
    }
  double most = 1e-9;
  for (double v : mix) most = std::max(most, std::abs(v));
  for (size_t i = 0; i < mix.size(); ++i) c.Left[i] = 0.9 * mix[i] / most;
  return c;
}

// --- output ----------------------------------------------------------------------------------

bool Write(const TClip& Clip, const std::string& Name, const std::string& Folder) {
  std::vector<uint8_t> out;
  const uint32_t block = uint32_t(Clip.Channels * Clip.Bits / 8);
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  AppendLE32(out, uint32_t(4 + 8 + 16 + 8 + Clip.Bytes));
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  AppendLE32(out, 16);
  AppendLE16(out, 1);
  AppendLE16(out, uint32_t(Clip.Channels));
  AppendLE32(out, uint32_t(Clip.Rate));
  AppendLE32(out, uint32_t(Clip.Rate) * block);
  AppendLE16(out, block);
  AppendLE16(out, uint32_t(Clip.Bits));
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  AppendLE32(out, uint32_t(Clip.Bytes));
  // Triangular dither keeps the 8-bit clips' quiet tails from turning into buzzing steps.
  TNoise dither(5);
  const double scale = Clip.Bits == 8 ? 127.0 : 32767.0;
  for (size_t i = 0; i < Clip.Left.size(); ++i) {
    for (int ch = 0; ch < Clip.Channels; ++ch) {
      const double v = (ch ? Clip.Right : Clip.Left)[i];
      const double d = Clip.Bits == 8 ? (dither.Unit() - dither.Unit()) : 0.0;
      const long q = std::lround(std::clamp(v, -1.0, 1.0) * scale + d);
      if (Clip.Bits == 8)
        out.push_back(uint8_t(std::clamp(q + 128, 0L, 255L)));
      else
        AppendLE16(out, uint32_t(uint16_t(int16_t(std::clamp(q, -32768L, 32767L)))));
    }
  }
  // The one odd-sized clip ends with its last sample byte: no padding.
  const std::string path = Folder + "/" + Name + ".wav";
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  return std::fclose(file) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  // Each clip is made by the function of its name, in the order of the game's clip list.
  const struct {
    const char* Name;
    TClip (*Make)();
  } makers[] = {
#define GLOOPA_CLIP(Name, Looped) {#Name, Name},
#define GLOOPA_CUED_CLIP GLOOPA_CLIP
#include "sound/Clips.def"
#undef GLOOPA_CLIP
#undef GLOOPA_CUED_CLIP
  };
  for (const auto& maker : makers) {
    const TClip clip = maker.Make();
    if (int64_t(clip.Left.size()) * clip.Channels * clip.Bits / 8 != clip.Bytes ||
        !Write(clip, maker.Name, argv[1])) {
      std::fprintf(stderr, "ClipSynth: cannot write %s\n", maker.Name);
      return 1;
    }
  }
  return 0;
}
