#pragma once

#include <juce_core/juce_core.h>
#include <optional>

namespace gorlan::render
{
// The whole text (spaces around it allowed) as a number, or nothing.
std::optional<double> parseNumber (const juce::String& text);

struct NumberWithUnit
{
    double number = 0.0;
    juce::String unit; // what follows the number, trimmed; may be empty
};

// A number at the start of the text and whatever follows it, or nothing.
std::optional<NumberWithUnit> parseLeadingNumber (const juce::String& text);
} // namespace gorlan::render
