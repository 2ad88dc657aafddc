#include "PluginLoader.h"

#include "RenderError.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace gorlan::render
{
namespace
{
// JUCE's LV2 hosting also loads every bundle in ~/.lv2; an installed copy of the same
// plug-in would then shadow the bundle asked for. An empty HOME keeps the scan out of it.
class ScopedEmptyHome
{
public:
    ScopedEmptyHome()
    {
        if (const char* home = std::getenv ("HOME"))
            previous = home;

        emptyHome.createDirectory();
        setHome (emptyHome.getFullPathName());
    }

    ~ScopedEmptyHome()
    {
        setHome (previous);
        emptyHome.deleteRecursively();
    }

    ScopedEmptyHome (const ScopedEmptyHome&) = delete;
    ScopedEmptyHome& operator= (const ScopedEmptyHome&) = delete;

private:
    static void setHome (const juce::String& path)
    {
        if (path.isEmpty())
            ::unsetenv ("HOME");
        else
            ::setenv ("HOME", path.toRawUTF8(), 1);
    }

    juce::String previous;
    juce::File emptyHome { juce::File::createTempFile ("gorlan-lv2-home") };
};

// Looking a bundle path up as a URI first, JUCE's LV2 hosting makes lilv print a
// misleading "invalid URI" error before it finds the plug-in by its path.
class ScopedQuietErrorStream
{
public:
    ScopedQuietErrorStream()
    {
        std::fflush (stderr);
        const int nothing = ::open ("/dev/null", O_WRONLY);

        if (nothing >= 0)
        {
            saved = ::dup (STDERR_FILENO);
            ::dup2 (nothing, STDERR_FILENO);
            ::close (nothing);
        }
    }

    ~ScopedQuietErrorStream()
    {
        if (saved < 0)
            return;

        std::fflush (stderr);
        ::dup2 (saved, STDERR_FILENO);
        ::close (saved);
    }

    ScopedQuietErrorStream (const ScopedQuietErrorStream&) = delete;
    ScopedQuietErrorStream& operator= (const ScopedQuietErrorStream&) = delete;

private:
    int saved = -1;
};

juce::AudioPluginFormat* createFormatFor (const juce::File& bundle)
{
    if (bundle.hasFileExtension ("vst3"))
        return new juce::VST3PluginFormat();

    if (bundle.hasFileExtension ("lv2"))
    {
        const ScopedEmptyHome emptyHome;
        return new juce::LV2PluginFormat();
    }

    throw RenderError ("'" + bundle.getFullPathName() + "' is not a VST3 or LV2 bundle (.vst3 or .lv2)");
}

juce::PluginDescription findInstrument (juce::AudioPluginFormat& format, const juce::File& bundle)
{
    juce::OwnedArray<juce::PluginDescription> found;

    {
        const ScopedQuietErrorStream quiet;
        format.findAllTypesForFile (found, bundle.getFullPathName());
    }

    if (found.isEmpty())
        throw RenderError ("no " + format.getName() + " plug-in found in '" + bundle.getFullPathName() + "'");

    for (const auto* description : found)
        if (description->isInstrument)
            return *description;

    return *found.getFirst();
}

bool useStereoOutputOnly (juce::AudioPluginInstance& plugin)
{
    auto layout = plugin.getBusesLayout();

    for (auto& input : layout.inputBuses)
        input = juce::AudioChannelSet::disabled();

    for (int i = 0; i < layout.outputBuses.size(); ++i)
        layout.outputBuses.getReference (i) = i == 0 ? juce::AudioChannelSet::stereo()
                                                     : juce::AudioChannelSet::disabled();

    return ! layout.outputBuses.isEmpty() && plugin.setBusesLayout (layout)
           && plugin.getMainBusNumOutputChannels() == 2;
}
} // namespace

HostedPlugin::HostedPlugin (const juce::File& bundle, double sampleRate, int blockSize)
    : bundleFile (bundle)
{
    if (bundle == juce::File())
        throw RenderError ("no plug-in to host: this build made no VST3 bundle; name one with --plugin");

    if (! bundle.exists())
        throw RenderError ("plug-in not found: '" + bundle.getFullPathName() + "'");

    auto* format = createFormatFor (bundle);
    formatManager.addFormat (format);
    lv2 = bundle.hasFileExtension ("lv2");

    const auto description = findInstrument (*format, bundle);
    juce::String error;
    instance = formatManager.createPluginInstance (description, sampleRate, blockSize, error);

    if (instance == nullptr)
        throw RenderError ("cannot load '" + bundle.getFullPathName() + "': " + error);

    if (! instance->acceptsMidi())
        throw RenderError ("'" + description.name + "' takes no MIDI, so it cannot play a MIDI file");

    if (! useStereoOutputOnly (*instance))
        throw RenderError ("'" + description.name + "' offers no stereo output");
}

HostedPlugin::~HostedPlugin()
{
    // The instance goes before the format that made it.
    instance.reset();
}
} // namespace gorlan::render
