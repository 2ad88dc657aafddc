// Loads arbitrary bytes as a saved state. Whatever the blob, every parameter must stay within
// 0 ... 1, and the state saved afterwards must restore the same values in another instance.
//
// Input: one mode byte, then the payload. An odd mode byte frames the payload as the framework's
// blob ("VC2!", little-endian length, text, zero byte) so the XML itself gets explored;
// an even one hands the payload over as it is.

#include "FuzzSupport.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace
{
using gorlan_fuzz::Check;

std::vector<uint8_t> FramedAsBlob (const uint8_t* text, size_t size)
{
    const auto length = (uint32_t) size + 1;
    std::vector<uint8_t> blob { 'V', 'C', '2', '!',
                                (uint8_t) length, (uint8_t) (length >> 8), (uint8_t) (length >> 16), (uint8_t) (length >> 24) };
    blob.insert (blob.end(), text, text + size);
    blob.push_back (0);
    return blob;
}

void CheckSameValues (GorlanAudioProcessor& first, GorlanAudioProcessor& second)
{
    const auto& parameters = first.getParameters();
    const auto& others = second.getParameters();

    // Four decimals are half a unit of 0.0001 away at most; a value such as 0.32025 sits on
    // that edge, where float rounding adds a little more.
    for (int i = 0; i < parameters.size(); ++i)
        Check (std::abs (parameters[i]->getValue() - others[i]->getValue()) <= 0.00005f + 1.0e-6f,
               "a saved state did not restore its values");
}

void LoadAndCheck (const void* blob, size_t size)
{
    GorlanAudioProcessor loaded;
    loaded.setStateInformation (blob, (int) std::min<size_t> (size, (size_t) std::numeric_limits<int>::max()));
    gorlan_fuzz::CheckParametersInRange (loaded);

    juce::MemoryBlock saved;
    loaded.getStateInformation (saved);

    // A saved state names every parameter, so what the last input left here does not matter.
    static GorlanAudioProcessor restored;
    restored.setStateInformation (saved.getData(), (int) saved.getSize());
    CheckSameValues (loaded, restored);
}
} // namespace

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    gorlan_fuzz::StartJuce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;

    if ((data[0] & 1) != 0)
    {
        const auto blob = FramedAsBlob (data + 1, size - 1);
        LoadAndCheck (blob.data(), blob.size());
    }
    else
    {
        LoadAndCheck (data + 1, size - 1);
    }

    gorlan_fuzz::PumpMessages();
    return 0;
}
