#include "ParameterSettings.h"

#include "NumberText.h"
#include "RenderError.h"

#include <cmath>
#include <optional>
#include <vector>

namespace gorlan::render
{
namespace
{
const juce::StringArray instrumentIdentifiers { "volume", "cutoff", "reso", "decay", "length",
                                                "pwidth", "waveform", "chord", "tuning" };

// Host values looked at when matching a text: fine enough that every choice position
// and every displayed number of the instrument's parameters is hit many times.
constexpr int gridSteps = 4096;

float gridValue (int index) { return (float) index / (float) gridSteps; }

juce::String shownText (const juce::AudioProcessorParameter& parameter, float value)
{
    return parameter.getText (value, 256).trim();
}

bool hasIdentifier (const juce::HostedAudioProcessorParameter& parameter, const juce::String& identifier)
{
    const auto hostedId = parameter.getParameterID();
    const auto hash = (juce::uint32) identifier.hashCode();

    return hostedId == identifier
           || hostedId == juce::String (hash) || hostedId == juce::String (hash & 0x7fffffffu)
           || hostedId.endsWith (":" + identifier) || hostedId.endsWith ("#" + identifier)
           || hostedId.endsWith ("/" + identifier);
}

// The longest run of consecutive grid values for which the test holds, as first and last index.
template <typename Test>
std::optional<juce::Range<int>> longestRun (Test&& holds)
{
    std::optional<juce::Range<int>> best;
    int runStart = -1;

    for (int i = 0; i <= gridSteps + 1; ++i)
    {
        const bool inRun = i <= gridSteps && holds (i);

        if (inRun && runStart < 0)
            runStart = i;

        if (! inRun && runStart >= 0)
        {
            if (! best.has_value() || i - 1 - runStart > best->getLength())
                best = juce::Range<int> (runStart, i - 1);

            runStart = -1;
        }
    }

    return best;
}

// Round numbers near the middle of a run, the plainest first: 0.13 rather than 7/54,
// and 12/19 for a choice position rather than 0.63159.
std::vector<double> plainValuesNear (double middle)
{
    std::vector<double> candidates;
    const auto decimals = [&] (int places)
    {
        const double scale = std::pow (10.0, places);
        candidates.push_back (std::round (middle * scale) / scale);
    };

    decimals (1);
    decimals (2);

    for (int denominator = 3; denominator <= 64; ++denominator)
        candidates.push_back (std::round (middle * denominator) / denominator);

    decimals (3);
    decimals (4);
    return candidates;
}

// A run touching an end gives that end; otherwise a plain value close to its middle that
// still passes the test, or the middle itself.
template <typename Test>
float representativeValue (juce::Range<int> run, Test&& holdsAt)
{
    if (run.getStart() == 0)
        return 0.0f;

    if (run.getEnd() == gridSteps)
        return 1.0f;

    const double middle = (run.getStart() + run.getEnd()) * 0.5 / gridSteps;

    for (const auto candidate : plainValuesNear (middle))
        if (std::abs (candidate - middle) <= 1.0 / gridSteps && holdsAt ((float) candidate))
            return (float) candidate;

    return (float) middle;
}

std::optional<float> valueShowingText (const juce::AudioProcessorParameter& parameter, const juce::String& text)
{
    const auto shows = [&] (float value) { return shownText (parameter, value).equalsIgnoreCase (text); };
    const auto run = longestRun ([&] (int i) { return shows (gridValue (i)); });

    if (! run.has_value())
        return std::nullopt;

    return representativeValue (*run, shows);
}

// "2.0 kHz" is 2000 Hz.
NumberWithUnit withoutKilo (NumberWithUnit number)
{
    if (number.unit.startsWithChar ('k'))
        return { number.number * 1000.0, number.unit.substring (1) };

    return number;
}

std::optional<double> shownNumber (const juce::AudioProcessorParameter& parameter, float value, const juce::String& unit)
{
    const auto shown = parseLeadingNumber (shownText (parameter, value));

    if (! shown.has_value())
        return std::nullopt;

    const auto number = withoutKilo (*shown);

    if (unit.isNotEmpty() && ! number.unit.equalsIgnoreCase (unit))
        return std::nullopt;

    return number.number;
}

std::optional<float> valueShowingNumber (const juce::AudioProcessorParameter& parameter, NumberWithUnit wanted)
{
    wanted = withoutKilo (wanted);
    const auto number = [&] (float value) { return shownNumber (parameter, value, wanted.unit); };
    const auto equal = [&] (float value) { return number (value) == wanted.number; };

    if (const auto run = longestRun ([&] (int i) { return equal (gridValue (i)); }))
        return representativeValue (*run, equal);

    // Between two displayed numbers: interpolate where the display crosses the wanted one.
    for (int i = 0; i < gridSteps; ++i)
    {
        const auto below = number (gridValue (i));
        const auto above = number (gridValue (i + 1));

        if (below.has_value() && above.has_value() && *below != *above
            && (*below - wanted.number) * (*above - wanted.number) < 0.0)
        {
            const auto fraction = (wanted.number - *below) / (*above - *below);
            return gridValue (i) + (float) fraction / (float) gridSteps;
        }
    }

    return std::nullopt;
}

bool showsOnlyNumbers (const juce::AudioProcessorParameter& parameter)
{
    for (const auto value : { 0.0f, 0.37f, 1.0f })
        if (! parseNumber (shownText (parameter, value)).has_value())
            return false;

    return true;
}

juce::String shownChoices (const juce::AudioProcessorParameter& parameter)
{
    juce::StringArray texts;

    for (int i = 0; i <= gridSteps && texts.size() <= 32; i += 8)
        if (const auto text = shownText (parameter, gridValue (i)); text.isNotEmpty())
            texts.addIfNotAlreadyThere (text);

    if (texts.size() > 32)
        return "from " + shownText (parameter, 0.0f) + " to " + shownText (parameter, 1.0f);

    return texts.joinIntoString (", ");
}

juce::String noSuchValue (const juce::AudioProcessorParameter& parameter, const juce::String& identifier,
                          const juce::String& text)
{
    if (showsOnlyNumbers (parameter))
        return "'" + identifier + "' shows no value texts through this plug-in format, so '" + text
               + "' cannot be matched; give a host value from 0 to 1";

    return "'" + identifier + "' cannot be '" + text + "'; it shows " + shownChoices (parameter);
}

juce::String knownIdentifiers (juce::AudioPluginInstance& plugin)
{
    juce::StringArray known;

    for (const auto& identifier : instrumentIdentifiers)
        if (findParameter (plugin, identifier) != nullptr)
            known.add (identifier);

    return known.isEmpty() ? juce::String ("none of the instrument's parameters")
                           : known.joinIntoString (", ");
}
} // namespace

juce::HostedAudioProcessorParameter* findParameter (juce::AudioPluginInstance& plugin, const juce::String& identifier)
{
    for (int i = 0; i < plugin.getParameters().size(); ++i)
        if (auto* parameter = plugin.getHostedParameter (i); parameter != nullptr && hasIdentifier (*parameter, identifier))
            return parameter;

    return nullptr;
}

float hostValueFor (const juce::AudioProcessorParameter& parameter, const juce::String& identifier,
                    const juce::String& text)
{
    const auto trimmed = text.trim();

    if (const auto number = parseNumber (trimmed); number.has_value() && *number >= 0.0 && *number <= 1.0)
        return (float) *number;

    if (trimmed.isEmpty())
        throw RenderError ("--set " + identifier + "= needs a value");

    if (const auto value = valueShowingText (parameter, trimmed))
        return *value;

    if (const auto number = parseLeadingNumber (trimmed))
        if (const auto value = valueShowingNumber (parameter, *number))
            return *value;

    throw RenderError (noSuchValue (parameter, identifier, trimmed));
}

void applyAssignments (juce::AudioPluginInstance& plugin, const std::vector<ParameterAssignment>& assignments)
{
    std::vector<std::pair<juce::AudioProcessorParameter*, float>> changes;

    for (const auto& assignment : assignments)
    {
        auto* parameter = findParameter (plugin, assignment.identifier);

        if (parameter == nullptr)
            throw RenderError ("unknown parameter '" + assignment.identifier + "' (the parameters are: "
                               + knownIdentifiers (plugin) + ")");

        changes.emplace_back (parameter, hostValueFor (*parameter, assignment.identifier, assignment.value));
    }

    for (const auto& [parameter, value] : changes)
        parameter->setValueNotifyingHost (value);
}

juce::String describeParameters (juce::AudioPluginInstance& plugin, const juce::MemoryBlock& pluginState)
{
    const auto settings = juce::AudioProcessor::getXmlFromBinary (pluginState.getData(), (int) pluginState.getSize());
    juce::String lines;

    for (const auto& identifier : instrumentIdentifiers)
    {
        if (const auto* parameter = findParameter (plugin, identifier))
        {
            const auto value = settings != nullptr && settings->hasAttribute (identifier)
                                   ? (float) settings->getDoubleAttribute (identifier)
                                   : parameter->getValue();
            lines << identifier.paddedRight (' ', 10) << parameter->getName (32).paddedRight (' ', 12)
                  << juce::String (value, 4).paddedRight (' ', 8) << shownText (*parameter, value) << "\n";
        }
    }

    return lines;
}
} // namespace gorlan::render
