#pragma once

#include "PluginProcessor.h"

#include <juce_events/juce_events.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace juce::detail
{
// The framework's own message pump step (what its plug-in wrappers call on Linux).
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}

namespace gorlan_fuzz
{
// Reads the fuzzer's bytes front to back, so seed files can be written by hand;
// past the end every read gives zeros.
class ByteReader
{
public:
    ByteReader (const uint8_t* data, size_t size) noexcept : Data (data), Size (size) {}

    bool AtEnd() const noexcept { return Position >= Size; }
    size_t Remaining() const noexcept { return AtEnd() ? 0 : Size - Position; }

    uint8_t Byte() noexcept { return AtEnd() ? 0 : Data[Position++]; }

    template <typename Value>
    Value Raw() noexcept
    {
        uint8_t bytes[sizeof (Value)] = {};
        for (auto& byte : bytes)
            byte = Byte();
        Value value;
        std::memcpy (&value, bytes, sizeof (Value));
        return value;
    }

    template <typename Value, size_t Count>
    Value FromTableOrRaw (const Value (&table)[Count]) noexcept
    {
        const auto index = (size_t) Byte();
        return index < Count ? table[index] : Raw<Value>();
    }

private:
    const uint8_t* Data;
    size_t Size;
    size_t Position = 0;
};

[[noreturn]] inline void Fail (const char* what)
{
    std::fprintf (stderr, "gorlan fuzz check failed: %s\n", what);
    std::abort();
}

inline void Check (bool condition, const char* what)
{
    if (! condition)
        Fail (what);
}

inline void StartJuce()
{
    // Lives for the whole run: the fuzzer never returns from its loop normally.
    static auto* juceRuntime = new juce::ScopedJuceInitialiser_GUI();
    (void) juceRuntime;
}

inline void PumpMessages()
{
    for (int i = 0; i < 64 && juce::detail::dispatchNextMessageOnSystemQueue (true); ++i) {}
}

inline void CheckParametersInRange (GorlanAudioProcessor& processor)
{
    for (auto* parameter : processor.getParameters())
    {
        const float value = parameter->getValue();
        Check (std::isfinite (value) && value >= 0.0f && value <= 1.0f, "parameter value outside 0 ... 1");
    }
}
} // namespace gorlan_fuzz
