#pragma once

#include <juce_core/juce_core.h>
#include <stdexcept>

namespace gorlan::render
{
// A failure the user can act on; its text is the whole one-line message.
class RenderError : public std::runtime_error
{
public:
    explicit RenderError (const juce::String& message)
        : std::runtime_error (message.toStdString()) {}
};
} // namespace gorlan::render
