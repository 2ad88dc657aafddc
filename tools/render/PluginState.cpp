#include "PluginState.h"

#include "RenderError.h"

#include <cstring>
#include <optional>

namespace gorlan::render
{
namespace
{
const juce::String settingsTag ("settings");
const juce::String vst3StateTag ("VST3PluginState");
const juce::String vst3ComponentTag ("IComponent");
const char* const jucePrivateDataMarker = "JUCEPrivateData";

// JUCE's VST3 plug-in wrapper appends its own data after the processor's blob:
// a zero int64, the private data, its size as int64, then the marker text.
juce::MemoryBlock withoutJucePrivateData (const juce::MemoryBlock& componentState)
{
    const auto markerSize = std::strlen (jucePrivateDataMarker);
    const auto size = componentState.getSize();
    const auto* bytes = static_cast<const char*> (componentState.getData());

    if (size < markerSize + 2 * sizeof (juce::uint64)
        || std::memcmp (bytes + size - markerSize, jucePrivateDataMarker, markerSize) != 0)
        return componentState;

    juce::uint64 privateSize = 0;
    std::memcpy (&privateSize, bytes + size - markerSize - sizeof (juce::uint64), sizeof (privateSize));
    privateSize = juce::ByteOrder::swapIfBigEndian (privateSize);
    const auto trailerSize = markerSize + 2 * sizeof (juce::uint64);

    if (privateSize > size - trailerSize)
        return componentState;

    return { bytes, (size_t) (size - trailerSize - privateSize) };
}

// MemoryBlock's base64 form is "<size>.<text>"; the size is checked against the text
// so that a damaged file cannot ask for an absurd allocation.
std::optional<juce::MemoryBlock> fromJuceBase64 (const juce::String& text)
{
    const auto size = text.upToFirstOccurrenceOf (".", false, false);
    const auto encoded = text.fromFirstOccurrenceOf (".", false, false);
    juce::MemoryBlock block;

    if (! text.containsChar ('.') || size.isEmpty() || size.length() > 10 || ! size.containsOnly ("0123456789")
        || size.getLargeIntValue() > (juce::int64) encoded.length() * 6 / 8 + 3
        || ! block.fromBase64Encoding (text))
        return std::nullopt;

    return block;
}

std::unique_ptr<juce::XmlElement> vst3HostState (const juce::MemoryBlock& hostState)
{
    auto xml = juce::AudioProcessor::getXmlFromBinary (hostState.getData(), (int) hostState.getSize());
    return xml != nullptr && xml->hasTagName (vst3StateTag) ? std::move (xml) : nullptr;
}

std::optional<juce::MemoryBlock> componentStateOf (const juce::XmlElement& vst3State)
{
    const auto* component = vst3State.getChildByName (vst3ComponentTag);
    const auto componentState = component != nullptr ? fromJuceBase64 (component->getAllSubText().trim())
                                                     : std::nullopt;

    if (! componentState.has_value())
        return std::nullopt;

    return withoutJucePrivateData (*componentState);
}

juce::MemoryBlock vst3HostStateFor (const juce::MemoryBlock& pluginState)
{
    juce::XmlElement state (vst3StateTag);
    state.createNewChildElement (vst3ComponentTag)->addTextElement (pluginState.toBase64Encoding());
    juce::MemoryBlock hostState;
    juce::AudioProcessor::copyXmlToBinary (state, hostState);
    return hostState;
}

// The plug-in takes its settings element whatever the case of the tag.
bool isSettings (const juce::XmlElement& xml)
{
    return xml.getTagName().equalsIgnoreCase (settingsTag);
}

bool isStateBlob (const juce::MemoryBlock& blob)
{
    return juce::AudioProcessor::getXmlFromBinary (blob.getData(), (int) blob.getSize()) != nullptr;
}

// JUCE's LV2 wrapper stores the blob as one string property, in the MemoryBlock
// base64 form "<size>.<text>", inside the Turtle document the host hands out.
juce::Range<int> lv2StateLiteral (const juce::String& turtle)
{
    for (int quote = turtle.indexOfChar ('"'); quote >= 0; quote = turtle.indexOfChar (quote + 1, '"'))
    {
        const int start = quote + 1;
        const int end = turtle.indexOfChar (start, '"');

        if (end < 0)
            break;

        if (const auto blob = fromJuceBase64 (turtle.substring (start, end)); blob.has_value() && isStateBlob (*blob))
            return { start, end };

        quote = end;
    }

    return {};
}

juce::String lv2HostText (HostedPlugin& plugin)
{
    juce::MemoryBlock hostState;
    plugin.processor().getStateInformation (hostState);
    return hostState.toString();
}

juce::MemoryBlock xmlDocumentAsBlob (const juce::MemoryBlock& data, const juce::File& file)
{
    juce::XmlDocument document (data.toString());
    const auto xml = document.getDocumentElement();

    if (xml == nullptr)
        throw RenderError ("'" + file.getFullPathName() + "' is neither a state blob nor an XML document ("
                           + document.getLastParseError() + ")");

    if (! isSettings (*xml))
        throw RenderError ("'" + file.getFullPathName() + "' holds a <" + xml->getTagName()
                           + "> document, not a <settings> state");

    juce::MemoryBlock blob;
    juce::AudioProcessor::copyXmlToBinary (*xml, blob);
    return blob;
}

juce::MemoryBlock checkedBlob (const juce::MemoryBlock& blob, const juce::File& file)
{
    const auto xml = juce::AudioProcessor::getXmlFromBinary (blob.getData(), (int) blob.getSize());

    if (xml == nullptr || ! isSettings (*xml))
        throw RenderError ("'" + file.getFullPathName() + "' holds a state blob without <settings>");

    return blob;
}
} // namespace

juce::MemoryBlock readStateFile (const juce::File& file)
{
    juce::MemoryBlock data;

    if (! file.existsAsFile() || ! file.loadFileAsData (data))
        throw RenderError ("cannot read state file '" + file.getFullPathName() + "'");

    if (data.isEmpty())
        throw RenderError ("state file '" + file.getFullPathName() + "' is empty");

    if (const auto vst3State = vst3HostState (data))
    {
        const auto componentState = componentStateOf (*vst3State);

        if (! componentState.has_value())
            throw RenderError ("'" + file.getFullPathName() + "' is a VST3 host state without the plug-in's part");

        return checkedBlob (*componentState, file);
    }

    if (isStateBlob (data))
        return checkedBlob (data, file);

    return xmlDocumentAsBlob (data, file);
}

void applyState (HostedPlugin& plugin, const juce::MemoryBlock& pluginState)
{
    if (! plugin.isLv2())
    {
        const auto hostState = vst3HostStateFor (pluginState);
        plugin.processor().setStateInformation (hostState.getData(), (int) hostState.getSize());
        return;
    }

    auto turtle = lv2HostText (plugin);
    const auto literal = lv2StateLiteral (turtle);

    if (literal.isEmpty())
        throw RenderError ("cannot find where this LV2 plug-in keeps its state");

    turtle = turtle.replaceSection (literal.getStart(), literal.getLength(), pluginState.toBase64Encoding());
    plugin.processor().setStateInformation (turtle.toRawUTF8(), (int) turtle.getNumBytesAsUTF8());
}

juce::MemoryBlock captureState (HostedPlugin& plugin)
{
    if (plugin.isLv2())
    {
        const auto turtle = lv2HostText (plugin);
        const auto literal = lv2StateLiteral (turtle);

        if (literal.isEmpty())
            throw RenderError ("cannot find the plug-in's state in what the LV2 host saved");

        return *fromJuceBase64 (turtle.substring (literal.getStart(), literal.getEnd()));
    }

    juce::MemoryBlock hostState;
    plugin.processor().getStateInformation (hostState);
    const auto vst3State = vst3HostState (hostState);
    const auto componentState = vst3State != nullptr ? componentStateOf (*vst3State) : std::nullopt;

    if (! componentState.has_value())
        throw RenderError ("cannot find the plug-in's state in what the VST3 host saved");

    return *componentState;
}
} // namespace gorlan::render
