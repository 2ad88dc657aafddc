#include "NumberText.h"

#include <cmath>
#include <cstdlib>

namespace gorlan::render
{
std::optional<NumberWithUnit> parseLeadingNumber (const juce::String& text)
{
    const auto trimmed = text.trim().toStdString();
    const char* start = trimmed.c_str();
    char* end = nullptr;
    const double number = std::strtod (start, &end);

    if (end == start || ! std::isfinite (number))
        return std::nullopt;

    return NumberWithUnit { number, juce::String (end).trim() };
}

std::optional<double> parseNumber (const juce::String& text)
{
    const auto parsed = parseLeadingNumber (text);

    if (! parsed.has_value() || parsed->unit.isNotEmpty())
        return std::nullopt;

    return parsed->number;
}
} // namespace gorlan::render
