#include "AudioProcessorVelmora.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <iomanip>
#include <locale>
#include <sstream>
#include <string_view>

#if JUCE_LINUX || JUCE_BSD
 #include <pwd.h>
 #include <unistd.h>
#endif

namespace juce
{

namespace
{
const char* const settingsTag = "settings";
const char* const dateAttribute = "date_modified";

String CurrentUtcStamp()
{
    const std::time_t now = std::time (nullptr);
    std::tm utc {};
   #if JUCE_WINDOWS
    gmtime_s (&utc, &now);
   #else
    gmtime_r (&now, &utc);
   #endif
    char text[30] = {};
    std::strftime (text, sizeof (text), "%FT%TZ", &utc);
    return text;
}

String SampleRateText (double rate)
{
    // Guards the integer conversion against rates no host sends.
    if (! std::isfinite (rate) || std::abs (rate) >= 9.0e18)
        return "0";

    return String (static_cast<int64> (rate));
}

// "%.4f" as in the C locale: a host running with a decimal comma would otherwise write
// values that read back as 0.
String FormatParameterValue (float value)
{
    std::ostringstream text;
    text.imbue (std::locale::classic());
    text << std::fixed << std::setprecision (4) << static_cast<double> (value);
    return text.str();
}

float ClampToUnit (double value)
{
    if (std::isnan (value))
        return 0.0f;

    return static_cast<float> (jlimit (0.0, 1.0, value));
}

StringArray SplitAtSlashes (const String& path)
{
    StringArray components;
    int start = 0;

    for (auto slash = path.indexOfChar ('/'); slash >= 0; slash = path.indexOfChar (start, '/'))
    {
        components.add (path.substring (start, slash));
        start = slash + 1;
    }

    if (start < path.length())
        components.add (path.substring (start));

    return components;
}

bool SameApartFromDate (const XmlElement& first, const XmlElement& second)
{
    XmlElement firstWithoutDate (first), secondWithoutDate (second);
    firstWithoutDate.removeAttribute (dateAttribute);
    secondWithoutDate.removeAttribute (dateAttribute);
    return firstWithoutDate.isEquivalentTo (&secondWithoutDate, false);
}

// The framework's parser accepts a document that simply stops, so a cut-off state would
// load whatever values it still holds: the text must be whole and end with the root's end.
bool IsCompleteState (const void* data, int sizeInBytes, const XmlElement& root)
{
    const auto storedLength = static_cast<int> (ByteOrder::littleEndianInt (addBytesToPointer (data, 4)));

    if (storedLength <= 0 || storedLength > sizeInBytes - 8)
        return false;

    const auto text = String::fromUTF8 (static_cast<const char*> (data) + 8, storedLength).trimEnd();

    if (root.getNumChildElements() == 0 && text.endsWith ("/>"))
        return true;

    if (! text.endsWithChar ('>') || ! text.contains ("</"))
        return false;

    const auto closingTag = text.fromLastOccurrenceOf ("</", false, false).dropLastCharacters (1).trimEnd();
    return closingTag == root.getTagName();
}


bool IsWellFormedUtf8 (std::string_view text) noexcept
{
    for (size_t i = 0; i < text.size();)
    {
        const auto lead = (uint8) text[i];
        size_t extra = 0;
        uint8 low = 0x80, high = 0xbf;

        if (lead < 0x80)
            extra = 0;
        else if (lead >= 0xc2 && lead <= 0xdf)
            extra = 1;
        else if (lead >= 0xe0 && lead <= 0xef)
            extra = 2, low = lead == 0xe0 ? 0xa0 : 0x80, high = lead == 0xed ? 0x9f : 0xbf;
        else if (lead >= 0xf0 && lead <= 0xf4)
            extra = 3, low = lead == 0xf0 ? 0x90 : 0x80, high = lead == 0xf4 ? 0x8f : 0xbf;
        else
            return false;

        if (extra >= text.size() - i)
            return false;

        for (size_t k = 1; k <= extra; ++k)
        {
            const auto next = (uint8) text[i + k];
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xbf))
                return false;
        }

        i += extra + 1;
    }

    return true;
}

// One of the five predefined entities, or a character reference to a character, with its semicolon.
bool IsPlainReference (std::string_view rest) noexcept
{
    for (const std::string_view name : { "amp;", "lt;", "gt;", "quot;", "apos;" })
        if (rest.substr (0, name.size()) == name)
            return true;

    if (rest.empty() || rest[0] != '#')
        return false;

    const bool hex = rest.size() > 1 && rest[1] == 'x';
    const size_t first = hex ? 2 : 1;
    size_t i = first;
    uint32 code = 0;

    for (; i < rest.size() && i - first < 8; ++i)
    {
        const char c = rest[i];
        const int digit = c >= '0' && c <= '9'            ? c - '0'
                        : hex && c >= 'a' && c <= 'f'     ? c - 'a' + 10
                        : hex && c >= 'A' && c <= 'F'     ? c - 'A' + 10
                                                          : -1;
        if (digit < 0)
            break;

        code = code * (hex ? 16u : 10u) + (uint32) digit;
    }

    return i > first && i < rest.size() && rest[i] == ';'
           && code > 0 && code <= 0x10ffff && (code < 0xd800 || code > 0xdfff);
}

// The framework's XML reader trusts its input: it walks past the end of broken UTF-8 and of a
// character reference without its semicolon, loops forever on a processing instruction inside an
// element, turns document-type and unknown entities into markup, and recurses once per nested
// element. A saved state needs none of that, so only text free of it is handed over.
bool IsPlainXml (std::string_view text) noexcept
{
    constexpr int mostElements = 256;
    text = text.substr (0, text.find ('\0'));

    if (! IsWellFormedUtf8 (text))
        return false;

    int elements = 0;

    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '&' && ! IsPlainReference (text.substr (i + 1)))
            return false;

        if (text[i] != '<' || i + 1 >= text.size())
            continue;

        const auto rest = text.substr (i + 1);

        if (rest[0] == '?')
        {
            if (elements > 0)
                return false;
        }
        else if (rest[0] == '!')
        {
            if (rest.substr (0, 3) != "!--" && rest.substr (0, 8) != "![CDATA[")
                return false;
        }
        else if (rest[0] != '/' && ++elements > mostElements)
        {
            return false;
        }
    }

    return true;
}

// The number at the start of the text as the framework's reader takes it (sign, decimal digits,
// point, exponent; anything else reads as 0), without that reader's integer overflow on an
// exponent of ten or more digits.
double ReadNumber (const String& text)
{
    const auto utf8 = text.trimStart().toStdString();
    const auto isDigitAt = [&utf8] (size_t i) { return i < utf8.size() && utf8[i] >= '0' && utf8[i] <= '9'; };
    const auto isSignAt = [&utf8] (size_t i) { return i < utf8.size() && (utf8[i] == '+' || utf8[i] == '-'); };

    size_t end = isSignAt (0) ? 1 : 0;
    size_t digits = 0;

    for (; isDigitAt (end); ++end)
        ++digits;

    if (end < utf8.size() && utf8[end] == '.')
        for (++end; isDigitAt (end); ++end)
            ++digits;

    if (digits == 0)
        return 0.0;

    if (end < utf8.size() && (utf8[end] == 'e' || utf8[end] == 'E'))
    {
        auto exponentEnd = end + 1 + (isSignAt (end + 1) ? 1 : 0);

        if (isDigitAt (exponentEnd))
        {
            while (isDigitAt (exponentEnd))
                ++exponentEnd;
            end = exponentEnd;
        }
    }

    // Out of range, the stream gives the largest value of the sign, or 0.
    std::istringstream stream (utf8.substr (0, end));
    stream.imbue (std::locale::classic());
    double value = 0.0;
    stream >> value;
    return value;
}

#if JUCE_LINUX || JUCE_BSD
String PasswdUserName()
{
    passwd entry {};
    passwd* found = nullptr;
    std::vector<char> buffer (16384);

    if (getpwuid_r (getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return SystemStats::getLogonName();

    // The full name is the first comma-separated field of the GECOS entry.
    const auto fullName = String::fromUTF8 (entry.pw_gecos != nullptr ? entry.pw_gecos : "")
                              .upToFirstOccurrenceOf (",", false, false)
                              .trim();

    if (fullName.isNotEmpty())
        return fullName;

    return entry.pw_name != nullptr ? String::fromUTF8 (entry.pw_name) : SystemStats::getLogonName();
}
#endif
} // namespace

AudioProcessor::BusesProperties AudioProcessorVelmora::DeclaredBuses()
{
    AudioProcessor::BusesProperties buses;

    // JUCE's LV2 wrapper marks inactive inputs optional and then reads them unchecked:
    // a host that leaves them unconnected would crash the plug-in.
    if (PluginHostType::getPluginLoadedAs() != AudioProcessor::wrapperType_LV2)
        buses = buses.withInput ("Input", AudioChannelSet::stereo(), false);

    // Hosts that honour bus defaults give an inactive output no channel at all.
    return buses.withOutput ("Output", AudioChannelSet::stereo(), true);
}

AudioProcessorVelmora::AudioProcessorVelmora()
    : AudioProcessor (DeclaredBuses())
{
}

AudioProcessorVelmora::~AudioProcessorVelmora() = default;

//==============================================================================
void AudioProcessorVelmora::InitOversampling (int numChannels)
{
    const bool factorChanged = OversamplingFactor != static_cast<int32> (ActiveOversamplingFactor);
    const bool outgrown = Oversampler != nullptr
                          && (numChannels > OversamplerChannels || MaxOversamplingBlock > OversamplerBlockSize);

    if (! factorChanged && ! outgrown)
        return;

    ActiveOversamplingFactor = static_cast<float> (OversamplingFactor);
    BuildOversampler (numChannels);
}

void AudioProcessorVelmora::BuildOversampler (int numChannels)
{
    Oversampler.reset();

    size_t stages = 0;

    for (auto factor = OversamplingFactor; factor >= 2; factor /= 2)
        ++stages;

    OversamplerChannels = jmax (1, numChannels);
    OversamplerBlockSize = std::max<int64> (1, MaxOversamplingBlock);

    Oversampler = std::make_unique<dsp::Oversampling<float>> (static_cast<size_t> (OversamplerChannels), stages,
                                                              dsp::Oversampling<float>::filterHalfBandFIREquiripple,
                                                              true, false);
    Oversampler->initProcessing (static_cast<size_t> (OversamplerBlockSize));

    // Tells the host only when the whole-sample latency changed.
    setLatencySamples (static_cast<int> (Oversampler->getLatencyInSamples()));
}

//==============================================================================
void AudioProcessorVelmora::prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock)
{
    if (sampleRate > 999.0 && sampleRate < 10000000001.0)
        LastSampleRate = sampleRate;

    if (maximumExpectedSamplesPerBlock > 0)
        MaxOversamplingBlock = maximumExpectedSamplesPerBlock;
}

void AudioProcessorVelmora::releaseResources()
{
    if (Oversampler != nullptr)
        Oversampler->reset();
}

void AudioProcessorVelmora::processBlock (AudioBuffer<float>& buffer, MidiBuffer&)
{
    ScopedNoDenormals noDenormals;

    for (auto channel = getTotalNumInputChannels(); channel < buffer.getNumChannels(); ++channel)
        buffer.clear (channel, 0, buffer.getNumSamples());
}

//==============================================================================
void AudioProcessorVelmora::AddPreset (const char* name, const char* settings)
{
    Presets.push_back ({ String::fromUTF8 (name), String::fromUTF8 (settings) });
}

void AudioProcessorVelmora::AddDefaultPresetIfEmpty()
{
    if (Presets.empty())
        AddPreset ("Default", "");
}

int AudioProcessorVelmora::getNumPrograms()
{
    AddDefaultPresetIfEmpty();
    return jmax (1, static_cast<int> (Presets.size()));
}

int AudioProcessorVelmora::getCurrentProgram()
{
    return CurrentProgram;
}

void AudioProcessorVelmora::setCurrentProgram (int index)
{
    CurrentProgram = index;
}

const String AudioProcessorVelmora::getProgramName (int index)
{
    AddDefaultPresetIfEmpty();

    // Hosts ask for the current program's name, and that index may be anything.
    if (! isPositiveAndBelow (index, static_cast<int> (Presets.size())))
        return {};

    return Presets[static_cast<size_t> (index)].Name;
}

void AudioProcessorVelmora::changeProgramName (int, const String&)
{
    AddDefaultPresetIfEmpty();
}

//==============================================================================
String AudioProcessorVelmora::DawFromPath (const String& executablePath)
{
    const auto components = SplitAtSlashes (executablePath.replaceCharacter ('\\', '/'));
    const int count = components.size();
    const int first = jmax (1, jmin (count - 1, count / 2));

    if (count <= first)
        return {};

    StringArray tail;
    tail.addArray (components, first);
    return tail.joinIntoString ("/");
}

String AudioProcessorVelmora::CurrentUserName()
{
   #if JUCE_LINUX || JUCE_BSD
    return PasswdUserName();
   #else
    return SystemStats::getFullUserName();
   #endif
}

void AudioProcessorVelmora::RefreshInformationalAttributes()
{
    StateAttributes["plugin"] = "Gorlan";
    StateAttributes["pluginversion"] = "284";
    StateAttributes[dateAttribute] = CurrentUtcStamp();
    StateAttributes["daw"] = DawFromPath (File::getSpecialLocation (File::hostApplicationPath).getFullPathName());
    StateAttributes["samplerate"] = SampleRateText (getSampleRate());
    StateAttributes["username"] = CurrentUserName();
}

std::unique_ptr<XmlElement> AudioProcessorVelmora::CreateStateElement()
{
    auto state = std::make_unique<XmlElement> (settingsTag);

    for (auto* parameter : getParameters())
    {
        if (auto* withId = dynamic_cast<AudioProcessorParameterWithID*> (parameter))
        {
            if (withId->getParameterID().isEmpty())
                continue;

            state->setAttribute (withId->getParameterID(), FormatParameterValue (withId->getValue()));
            StateAttributes.erase (withId->getParameterID());
        }
    }

    for (const auto& [name, value] : StateAttributes)
        state->setAttribute (name, value);

    return state;
}

void AudioProcessorVelmora::KeepDateWhenUnchanged (XmlElement& state)
{
    if (LastState != nullptr)
    {
        const auto lastDate = LastState->getStringAttribute (dateAttribute);

        if (lastDate.isNotEmpty() && SameApartFromDate (state, *LastState))
        {
            state.setAttribute (dateAttribute, lastDate);
            StateAttributes[dateAttribute] = lastDate;
        }
    }

    LastState = std::make_unique<XmlElement> (state);
}

void AudioProcessorVelmora::getStateInformation (MemoryBlock& destData)
{
    RefreshInformationalAttributes();
    auto state = CreateStateElement();
    KeepDateWhenUnchanged (*state);
    copyXmlToBinary (*state, destData);
}

void AudioProcessorVelmora::ApplyParameterValues (const XmlElement& state)
{
    for (auto* parameter : getParameters())
    {
        auto* withId = dynamic_cast<AudioProcessorParameterWithID*> (parameter);

        if (withId == nullptr || withId->getParameterID().isEmpty())
            continue;

        const auto& id = withId->getParameterID();
        const double value = state.hasAttribute (id) ? ReadNumber (state.getStringAttribute (id))
                                                     : static_cast<double> (withId->getValue());
        withId->setValue (ClampToUnit (value));
    }
}

void AudioProcessorVelmora::StoreAttributes (const XmlElement& state)
{
    StateAttributes.clear();

    for (int i = 0; i < state.getNumAttributes(); ++i)
    {
        const auto name = state.getAttributeName (i);
        const auto value = state.getAttributeValue (i);

        if (name.isNotEmpty() && value.isNotEmpty())
            StateAttributes.insert_or_assign (name, value);
    }
}

void AudioProcessorVelmora::setStateInformation (const void* data, int sizeInBytes)
{
    if (data == nullptr)
        return;

    if (sizeInBytes > 8)
    {
        const auto stored = (int) ByteOrder::littleEndianInt (addBytesToPointer (data, 4));
        const auto length = jmin (sizeInBytes - 8, stored);

        if (length > 0 && ! IsPlainXml ({ static_cast<const char*> (data) + 8, (size_t) length }))
            return;
    }

    auto state = getXmlFromBinary (data, sizeInBytes);

    if (state == nullptr || ! state->getTagName().equalsIgnoreCase (settingsTag)
        || ! IsCompleteState (data, sizeInBytes, *state))
        return;

    ApplyParameterValues (*state);
    StoreAttributes (*state);
    LastState = std::move (state);
}

} // namespace juce
