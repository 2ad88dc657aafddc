#pragma once

#include <cstdint>

// A value that slews linearly towards its target; its running state is shared by whoever steps it.
struct SmoothedParameter
{
    int32_t Mode = 0;   // only the linear slew (0) is implemented; the coefficients below stay unused
    float Target = 0, Current = 0, Step = 0.00003f, Stiffness = 0, Damping = 0;

    float Advance() noexcept
    {
        if (Current < Target)
        {
            Current += Step;
            if (Current > Target)
                Current = Target;
        }
        else if (Current > Target)
        {
            Current -= Step;
            if (Current < Target)
                Current = Target;
        }
        return Current;
    }
};

// The one record the processor fills each block and every voice reads.
// The plain fields start at values that are safe to divide by before the first block fills them.
struct VoiceParameters
{
    SmoothedParameter Volume;
    float Decay = 0.1f;
    float Resonance = 0.5f;
    float Cutoff = 0;
    float Length = 1;
    float EnvelopeDepth = 0;
    float DecayNormalised = 0;
    int32_t Chord = 0;
    int32_t Waveform = 0;
    SmoothedParameter PulseWidth, SawShape;
    float Tuning = 0;
};

static_assert (sizeof (SmoothedParameter) == 6 * 4, "SmoothedParameter is six 32-bit fields");
static_assert (sizeof (VoiceParameters) == 27 * 4, "VoiceParameters is 27 four-byte fields");
