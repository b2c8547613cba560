#pragma once

#include <cstdint>

#include "PhoneFrame.h"

// A deterministic, endless stand-in performance: blinks, speech-like mouth movement, smiles, brow raises,
// head turns and nods, and eye saccades. frameAt(t) is a pure function of the time t (seconds, >= 0) and the
// seed, so any moment can be sampled in any order and two runs with the same seed stream the same packets.
class SyntheticPerformance {
public:
    explicit SyntheticPerformance(std::uint64_t seed = 1) : m_seed(seed) {}

    // The phone's measurement at `seconds` after the performance began.
    PhoneFrame frameAt(double seconds) const;

private:
    // A uniform number in [0, 1) fixed by (channel, cell) for this seed.
    double random(std::uint32_t channel, std::int64_t cell, std::uint32_t draw = 0) const;
    // Envelope 0..1 of a one-off event placed at random inside each `cellSeconds` cell with the given
    // probability: rises over `attack`, holds for `hold`, falls over `release` (seconds).
    double eventEnvelope(double t, std::uint32_t channel, double cellSeconds, double probability, double attack,
                         double hold, double release) const;

    void addBlinks(double t, PhoneFrame& f) const;
    void addSpeech(double t, PhoneFrame& f) const;
    void addExpressions(double t, PhoneFrame& f) const;
    void addHead(double t, PhoneFrame& f) const;
    void addEyes(double t, PhoneFrame& f) const;

    std::uint64_t m_seed;
};
