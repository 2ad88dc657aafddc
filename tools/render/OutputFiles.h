#pragma once

#include <juce_core/juce_core.h>
#include <memory>
#include <vector>

namespace gorlan::render
{
// Every output is written to a hidden temporary file beside its destination and moved
// into place only once all of them are complete, so a failed run leaves nothing behind.
class OutputFiles
{
public:
    // Throws RenderError when the file's folder is missing or the path is a folder.
    static void checkDestination (const juce::File& destination);

    // The temporary file to write instead of the destination.
    juce::File stage (const juce::File& destination);

    // Throws RenderError when a file cannot be moved into place.
    void commit();

private:
    std::vector<std::unique_ptr<juce::TemporaryFile>> staged;
};
} // namespace gorlan::render
