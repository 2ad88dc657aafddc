#include "RenderOptions.h"

#include "NumberText.h"
#include "RenderError.h"

#include <cmath>

namespace gorlan::render
{
namespace
{
juce::File fileFromArgument (const juce::String& path)
{
    return juce::File::getCurrentWorkingDirectory().getChildFile (path);
}

double numberInRange (const juce::String& option, const juce::String& text,
                      double lowest, double highest, const juce::String& unit)
{
    const auto number = parseNumber (text);

    if (! number.has_value() || *number < lowest || *number > highest)
        throw RenderError (option + " expects a number from " + juce::String (lowest) + " to "
                           + juce::String (highest) + unit + ", got '" + text + "'");

    return *number;
}

int wholeNumberInRange (const juce::String& option, const juce::String& text, int lowest, int highest)
{
    const auto number = numberInRange (option, text, lowest, highest, {});

    if (number != std::floor (number))
        throw RenderError (option + " expects a whole number, got '" + text + "'");

    return (int) number;
}

int bitDepth (const juce::String& text)
{
    const auto bits = parseNumber (text);

    if (! bits.has_value() || (*bits != 16.0 && *bits != 24.0 && *bits != 32.0))
        throw RenderError ("--bits expects 16, 24 or 32, got '" + text + "'");

    return (int) *bits;
}

ParameterAssignment assignment (const juce::String& text)
{
    const auto identifier = text.upToFirstOccurrenceOf ("=", false, false).trim();

    if (! text.containsChar ('=') || identifier.isEmpty())
        throw RenderError ("--set expects ID=VALUE, got '" + text + "'");

    return { identifier, text.fromFirstOccurrenceOf ("=", false, false).trim() };
}

bool takesValue (const juce::String& option)
{
    static const juce::StringArray valued { "-o", "--output", "--png", "--plugin", "--rate", "--block",
                                            "--bits", "--set", "--state", "--save-state", "--max-tail",
                                            "--write-demo-midi" };
    return valued.contains (option);
}

void applyOption (RenderOptions& options, const juce::String& option, const juce::String& value)
{
    if (option == "-o" || option == "--output")      options.wavFile = fileFromArgument (value);
    else if (option == "--png")                      options.pngFile = fileFromArgument (value);
    else if (option == "--plugin")                   options.pluginBundle = fileFromArgument (value);
    else if (option == "--state")                    options.stateFile = fileFromArgument (value);
    else if (option == "--save-state")               options.saveStateFile = fileFromArgument (value);
    else if (option == "--write-demo-midi")          options.demoMidiFile = fileFromArgument (value);
    else if (option == "--set")                      options.assignments.push_back (assignment (value));
    else if (option == "--bits")                     options.bitsPerSample = bitDepth (value);
    else if (option == "--rate")                     options.sampleRate = wholeNumberInRange (option, value, 8000, 384000);
    else if (option == "--block")                    options.blockSize = wholeNumberInRange (option, value, 1, 65536);
    else if (option == "--max-tail")                 options.maxTailSeconds = numberInRange (option, value, 0.0, 600.0, " s");
}

void applyFlag (RenderOptions& options, const juce::String& flag)
{
    if (flag == "-h" || flag == "--help")   options.showHelp = true;
    else if (flag == "--list")              options.listParameters = true;
    else throw RenderError ("unknown option '" + flag + "' (see --help)");
}

void setInput (RenderOptions& options, const juce::String& path)
{
    if (options.midiFile != juce::File())
        throw RenderError ("more than one MIDI file given: '" + path + "'");

    options.midiFile = fileFromArgument (path);
}

void fillDefaults (RenderOptions& options)
{
    if (options.wavFile == juce::File())
    {
        const auto name = options.midiFile == juce::File() ? juce::String ("demo")
                                                           : options.midiFile.getFileNameWithoutExtension();
        options.wavFile = fileFromArgument (name + ".wav");
    }

    if (options.pluginBundle == juce::File() && juce::String (GORLAN_DEFAULT_PLUGIN).isNotEmpty())
        options.pluginBundle = juce::File (GORLAN_DEFAULT_PLUGIN);
}
} // namespace

RenderOptions parseArguments (const juce::StringArray& arguments)
{
    RenderOptions options;

    for (int i = 0; i < arguments.size(); ++i)
    {
        const auto& argument = arguments[i];
        const auto option = argument.upToFirstOccurrenceOf ("=", false, false);

        if (! argument.startsWith ("-") || argument == "-")
            setInput (options, argument);
        else if (takesValue (option) && argument.containsChar ('='))
            applyOption (options, option, argument.fromFirstOccurrenceOf ("=", false, false));
        else if (takesValue (argument) && i + 1 < arguments.size())
            applyOption (options, argument, arguments[++i]);
        else if (takesValue (argument))
            throw RenderError (argument + " needs a value (see --help)");
        else
            applyFlag (options, argument);
    }

    fillDefaults (options);
    return options;
}

juce::String usageText()
{
    return "Usage: gorlan-render [options] [input.mid]\n"
           "Plays a MIDI file (type 0 or 1; the built-in demo phrase when none is given) through the\n"
           "Gorlan plug-in and writes a stereo WAV file.\n"
           "\n"
           "  -o, --output FILE       WAV file to write (default: the MIDI file's name with .wav)\n"
           "      --png FILE          also draw the waveform over a spectrogram into a PNG file\n"
           "      --plugin PATH       VST3 or LV2 bundle to host (default: the built VST3)\n"
           "      --set ID=VALUE      set a parameter by identifier, to a value from 0 to 1 or to a\n"
           "                          display text, e.g. --set chord=\"Fat Moog\" --set cutoff=\"2 kHz\"\n"
           "      --state FILE        load a saved state (a state blob or a \"settings\" XML document)\n"
           "      --save-state FILE   write the plug-in's state after rendering\n"
           "      --rate HZ           sample rate (default 48000)\n"
           "      --block N           block size in samples (default 512)\n"
           "      --bits 16|24|32     WAV sample format; 32 is floating point (default 32)\n"
           "      --max-tail SECONDS  longest release tail after the last event (default 30)\n"
           "      --list              list the plug-in's parameters and their values, then stop\n"
           "      --write-demo-midi FILE  write the demo phrase as a MIDI file, then stop\n"
           "  -h, --help              show this text\n"
           "\n"
           "Identifiers: volume, cutoff, reso, decay, length, pwidth, waveform, chord, tuning.\n";
}
} // namespace gorlan::render
