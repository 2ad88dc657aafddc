#include "OutputFiles.h"

#include "RenderError.h"

namespace gorlan::render
{
void OutputFiles::checkDestination (const juce::File& destination)
{
    if (destination.isDirectory())
        throw RenderError ("cannot write '" + destination.getFullPathName() + "': it is a folder");

    if (! destination.getParentDirectory().isDirectory())
        throw RenderError ("cannot write '" + destination.getFullPathName() + "': the folder does not exist");
}

juce::File OutputFiles::stage (const juce::File& destination)
{
    staged.push_back (std::make_unique<juce::TemporaryFile> (destination, juce::TemporaryFile::useHiddenFile));
    return staged.back()->getFile();
}

void OutputFiles::commit()
{
    for (const auto& file : staged)
        if (! file->overwriteTargetFileWithTemporary())
            throw RenderError ("cannot write '" + file->getTargetFile().getFullPathName() + "'");

    staged.clear();
}
} // namespace gorlan::render
