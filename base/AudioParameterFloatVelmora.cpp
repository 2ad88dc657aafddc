#include "AudioParameterFloatVelmora.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#if defined(__GNUC__) || defined(__clang__)
 #define VELMORA_PRINTF_FORMAT(formatIndex, firstArgument) __attribute__ ((format (printf, formatIndex, firstArgument)))
#else
 #define VELMORA_PRINTF_FORMAT(formatIndex, firstArgument)
#endif

namespace juce
{

namespace
{

constexpr size_t unitBufferSize = 20;
constexpr size_t textBufferSize = 50;

// A byte cut can split a UTF-8 character; drop the broken tail so the text stays valid UTF-8.
void DropPartialCharacter (char* text)
{
    size_t start = std::strlen (text);
    while (start > 0 && ((unsigned char) text[start - 1] & 0xC0) == 0x80)
        --start;
    if (start == 0)
        return;

    const auto lead = (unsigned char) text[start - 1];
    const size_t expected = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 4;
    if (std::strlen (text + start - 1) < expected)
        text[start - 1] = '\0';
}

VELMORA_PRINTF_FORMAT (3, 4)
void FormatInto (char* buffer, size_t size, const char* format, ...)
{
    va_list arguments;
    va_start (arguments, format);
    const int needed = std::vsnprintf (buffer, size, format, arguments);
    va_end (arguments);

    if (needed < 0)
        buffer[0] = '\0';
    else if ((size_t) needed >= size)
        DropPartialCharacter (buffer);
}

VELMORA_PRINTF_FORMAT (1, 2)
std::string Format (const char* format, ...)
{
    char text[textBufferSize];
    va_list arguments;
    va_start (arguments, format);
    const int needed = std::vsnprintf (text, sizeof (text), format, arguments);
    va_end (arguments);

    if (needed < 0)
        return {};
    if ((size_t) needed >= sizeof (text))
        DropPartialCharacter (text);
    return text;
}

const char* DefaultUnit (ValueTranslation translation)
{
    switch (translation)
    {
        case ValueTranslation::Percent:     return "%";
        case ValueTranslation::DecibelsLow:
        case ValueTranslation::Decibels:    return "dB";
        case ValueTranslation::Frequency:   return "Hz";
        case ValueTranslation::Octaves:     return "oct";
        default:                            return "";
    }
}

float ClampedDefault (float value)
{
    return std::isnan (value) ? 0.0f : jlimit (0.0f, 1.0f, value);
}

float ChoiceDefault (int position, int steps)
{
    if (steps < 2)
        return 0.0f;
    const auto last = (uint32_t) (steps - 1);
    return (float) (uint32_t) jlimit (0, steps - 1, position) / (float) last;
}

NormalisableRange<float> UnitRange()
{
    return { 0.0f, 1.0f, 0.0f, 1.0f, false };
}

AudioParameterFloatAttributes TextFromValue (const AudioParameterFloatVelmora* parameter)
{
    return AudioParameterFloatAttributes().withStringFromValueFunction (
        [parameter] (float normalised, int) { return String (parameter->GetValueAsText (normalised)); });
}

std::string LevelText (float v, double gainAtFullScale, const char* unit)
{
    if (v <= 0.0f)
        return "OFF";
    return Format ("%+.1f %s", 20.0 * std::log10 ((double) v * v * v * gainAtFullScale), unit);
}

std::string CubicText (float v, float minValue, float maxValue, const char* unit)
{
    if (v <= 0.0f)
        return "OFF";
    return Format ("%+.1f %s", (double) v * v * v * (maxValue - minValue) + minValue, unit);
}

std::string FrequencyText (float f, const char* unit)
{
    if (f == 0.0f)
        return Format ("0 %s", unit);
    if (f < 0.3)
        return AudioParameterFloatVelmora::ShowDuration (1.0 / f);
    if (f < 3.0)
        return Format ("%.2f %s", (double) f, unit);
    if (f < 30.0)
        return Format ("%.1f %s", (double) f, unit);
    if (f <= 1000.0)
        return Format ("%.0f %s", (double) f, unit);
    if (f <= 19000.0)
        return Format ("%.1f k%s", f / 1000.0, unit);
    return Format ("%.0f k%s", f / 1000.0, unit);
}

std::string TimeText (float f, const char* unit)
{
    if (f == 0.0f)
        return Format ("0 %s", unit);
    if (f < 3.0)
        return Format ("%.2f %s", (double) f, unit);
    if (f < 30.0)
        return Format ("%.1f %s", (double) f, unit);
    return Format ("%.0f %s", (double) f, unit);
}

std::string DurationText (float f, const char* unit)
{
    if (! (f > 0.0f))
        return Format ("0 %s", unit);
    return AudioParameterFloatVelmora::ShowDuration (f);
}

std::string ReciprocalText (float v, float minValue, float maxValue, const char* unit)
{
    const float a = minValue == 0.0f ? 0.0f : 1.0f / minValue;
    const float b = maxValue == 0.0f ? 0.0f : 1.0f / maxValue;
    const float d = std::sqrt (v) * (b - a) + a;
    const float y = d == 0.0f ? 0.0f : 1.0f / d;
    return Format (y >= 10.0f ? "%.0f%s" : "%.1f%s", (double) y, unit);
}

std::string LinearText (float v, float minValue, float maxValue, bool wholeNumbers, const char* unit)
{
    if (minValue == 0.0f && maxValue == 1.0f)
        return Format ("%.01f %s", (double) jlimit (0.0f, 1.0f, v), unit);

    const float x = v * (maxValue - minValue) + minValue;
    const int decimals = (wholeNumbers || maxValue > 29.0f) ? 0 : maxValue > 2.9f ? 1 : 2;
    if (minValue < 0.0f)
        return Format ("%+.*f %s", decimals, (double) x, unit);
    return Format ("%.*f %s", decimals, (double) x, unit);
}

struct DurationUnit
{
    double Seconds;
    const char* Singular;
    const char* Plural;
};

constexpr DurationUnit durationUnits[] = {
    { 31536000.0, " year", " years" },
    { 2592000.0, " month", " months" },
    { 86400.0, " day", " days" },
    { 3600.0, " hour", " hours" },
    { 60.0, " minute", " minutes" },
    { 1.0, " sec", " sec" },
    { 0.001, " ms", " ms" },
    { 0.000001, " micros", " micros" },
};

} // namespace

AudioParameterFloatVelmora::AudioParameterFloatVelmora (const String& parameterId, const String& parameterName, float minValue,
                                                        float maxValue, float defaultValue,
                                                        ValueTranslation translation, const std::string& unit)
    : AudioParameterFloat (ParameterID { parameterId, 0 }, parameterName, UnitRange(), ClampedDefault (defaultValue), TextFromValue (this)),
      Translation (translation),
      MinValue (minValue),
      MaxValue (maxValue),
      Unit (unit.empty() ? String (DefaultUnit (translation)) : String (unit))
{
    // No host or listener is attached yet, so this only sets the value.
    const float normalisedDefault = ClampedDefault (defaultValue);
    setValueNotifyingHost (normalisedDefault);
    DefaultValue = normalisedDefault;
}

AudioParameterFloatVelmora::AudioParameterFloatVelmora (const String& parameterId, const String& parameterName, float, float,
                                                        int defaultPosition, const std::vector<std::string>& choices,
                                                        int steps)
    : AudioParameterFloat (ParameterID { parameterId, 0 }, parameterName, UnitRange(), ChoiceDefault (defaultPosition, steps),
                           TextFromValue (this)),
      Translation (ValueTranslation::Choice),
      Steps (steps),
      MinValue (0.0f),
      MaxValue (1.0f),
      Choices (choices)
{
    const float normalisedDefault = ChoiceDefault (defaultPosition, steps);
    setValueNotifyingHost (normalisedDefault);
    DefaultValue = normalisedDefault;
}

AudioParameterFloatVelmora::~AudioParameterFloatVelmora() = default;

std::string AudioParameterFloatVelmora::GetValueAsText (float normalised) const
{
    const float v = FiniteNormalised (normalised);
    char unit[unitBufferSize];
    FormatInto (unit, sizeof (unit), "%s", Unit.toRawUTF8());

    switch (Translation)
    {
        case ValueTranslation::Percent:       return Format ("%d %s", NearestInt (v * 100.0f), unit);
        case ValueTranslation::Cubic:         return CubicText (v, MinValue, MaxValue, unit);
        case ValueTranslation::DecibelsLow:   return LevelText (v, 3.162278, unit);
        case ValueTranslation::Decibels:      return LevelText (v, 8.0, unit);
        case ValueTranslation::Frequency:     return FrequencyText (ExponentialValue (v), unit);
        case ValueTranslation::Time:          return TimeText (ExponentialValue (v), unit);
        case ValueTranslation::SignedFifteen: return Format ("%+.01f %s", 15.0 * v, unit);
        case ValueTranslation::Octaves:       return Format ("%.01f %s", 0.1 + 4.9 * (v * v), unit);
        case ValueTranslation::Choice:        return TextForChoice (v);
        case ValueTranslation::SignedLinear:  return SignedLinearText (v, unit);
        case ValueTranslation::Reciprocal:    return ReciprocalText (v, MinValue, MaxValue, unit);
        case ValueTranslation::Duration:      return DurationText (ExponentialValue (v), unit);
        case ValueTranslation::LinearInteger: return LinearText (v, MinValue, MaxValue, true, unit);
        case ValueTranslation::Linear:
        default:                              return LinearText (v, MinValue, MaxValue, false, unit);
    }
}

std::string AudioParameterFloatVelmora::TextForChoice (float v) const
{
    if (Choices.empty())
        return "Modes not set!";

    const int position = ChoicePosition (v);
    if (position < 0 || (size_t) position >= Choices.size())
        return {};
    return Format ("%s", Choices[(size_t) position].c_str());
}

std::string AudioParameterFloatVelmora::SignedLinearText (float v, const char* unit) const
{
    const float span = MaxValue - MinValue;
    const float x = v * span + MinValue;

    if (span < 11.0f)
    {
        if (std::fabs (x) < 0.1f)
            return Format ("  0.0 %s", unit);
        return Format ("%+.1f %s", (double) x, unit);
    }

    const int whole = NearestInt (x);
    if (whole == 0)
        return Format ("  0 %s", unit);
    return Format ("%+d %s", whole, unit);
}

std::string AudioParameterFloatVelmora::ShowDuration (double seconds, unsigned)
{
    // Negative, NaN and sub-microsecond durations have no non-zero unit.
    if (! (seconds >= 0.000001))
        return "0 micros";

    for (const auto& unit : durationUnits)
    {
        const double count = std::floor (seconds / unit.Seconds);
        if (count >= 1.0)
        {
            const int whole = NearestInt (count);
            return Format ("%d%s", whole, whole == 1 ? unit.Singular : unit.Plural);
        }
    }
    return "0 micros";
}

} // namespace juce
