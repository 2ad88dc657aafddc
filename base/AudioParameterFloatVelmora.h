#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace juce
{

// The numbers are stored values: never renumber.
enum class ValueTranslation : int32_t
{
    Linear = 0,
    LinearInteger,
    Percent,
    Cubic,
    DecibelsLow,
    Decibels,
    Frequency,
    Time,
    SignedFifteen,
    Octaves,
    Choice,
    SignedLinear,
    Reciprocal,
    Duration
};

// A host parameter normalised to 0 ... 1 whose display text and engine value follow a ValueTranslation.
class AudioParameterFloatVelmora : public AudioParameterFloat
{
public:
    AudioParameterFloatVelmora (const String& id, const String& name, float minValue, float maxValue,
                                float defaultValue, ValueTranslation translation, const std::string& unit);
    AudioParameterFloatVelmora (const String& id, const String& name, float unused1, float unused2,
                                int defaultPosition, const std::vector<std::string>& choices, int steps);
    ~AudioParameterFloatVelmora() override;

    std::string GetValueAsText (float v) const;
    static std::string ShowDuration (double seconds, unsigned flags = 0);

    inline float GetTranslatedValue() const noexcept;
    inline int GetChoiceIndex() const noexcept;

    ValueTranslation GetTranslation() const noexcept              { return Translation; }
    float GetDefaultValue() const noexcept                        { return DefaultValue; }
    int GetSteps() const noexcept                                 { return Steps; }
    float GetMinValue() const noexcept                            { return MinValue; }
    float GetMaxValue() const noexcept                            { return MaxValue; }
    const std::vector<std::string>& GetChoices() const noexcept   { return Choices; }
    const String& GetUnit() const noexcept                        { return Unit; }

    // The framework makes these private in AudioParameterFloat; callers holding this class may use them.
    using AudioProcessorParameter::getValue;
    using AudioProcessorParameter::setValue;

private:
    // Hosts may send anything: NaN counts as 0 and infinities as the nearer end; finite values pass.
    static float FiniteNormalised (float v) noexcept
    {
        if (std::isnan (v))
            return 0.0f;
        if (std::isinf (v))
            return v > 0.0f ? 1.0f : 0.0f;
        return v;
    }

    // Nearest integer, halves away from zero, saturating instead of overflowing.
    static int NearestInt (double x) noexcept
    {
        if (std::isnan (x))
            return 0;
        const double rounded = std::round (x);
        if (rounded >= (double) INT_MAX)
            return INT_MAX;
        if (rounded <= (double) INT_MIN)
            return INT_MIN;
        return (int) rounded;
    }

    float ExponentialValue (float v) const noexcept;
    int ChoicePosition (float v) const noexcept;
    std::string TextForChoice (float v) const;
    std::string SignedLinearText (float v, const char* unit) const;

    ValueTranslation Translation = ValueTranslation::Linear;
    float DefaultValue = 0.0f;
    int32_t Steps = 0;
    float MinValue = 0.0f;
    float MaxValue = 1.0f;
    std::vector<std::string> Choices;
    String Unit;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AudioParameterFloatVelmora)
};

inline float AudioParameterFloatVelmora::ExponentialValue (float v) const noexcept
{
    const float logMin = std::log (MinValue);
    return std::exp (std::fma (v, std::log (MaxValue) - logMin, logMin));
}

inline int AudioParameterFloatVelmora::ChoicePosition (float v) const noexcept
{
    if (Steps < 2)
        return 0;
    return NearestInt (v * (float) (Steps - 1));
}

inline float AudioParameterFloatVelmora::GetTranslatedValue() const noexcept
{
    const float v = FiniteNormalised (get());
    if (Translation == ValueTranslation::Frequency || Translation == ValueTranslation::Time)
        return ExponentialValue (v);
    return MinValue + v * (MaxValue - MinValue);
}

inline int AudioParameterFloatVelmora::GetChoiceIndex() const noexcept
{
    if (Translation != ValueTranslation::Choice)
        return 0;
    return ChoicePosition (FiniteNormalised (get()));
}

} // namespace juce
