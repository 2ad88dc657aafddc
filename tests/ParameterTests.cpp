#include "AudioParameterFloatVelmora.h"
#include "InstrumentParameters.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

using juce::AudioParameterFloatVelmora;
using juce::ValueTranslation;

namespace
{

const float notANumber = std::numeric_limits<float>::quiet_NaN();
const float infinity = std::numeric_limits<float>::infinity();

struct TextCase
{
    ValueTranslation Translation;
    float MinValue, MaxValue;
    const char* Unit;
    float Value;
    const char* Expected;
};

std::unique_ptr<AudioParameterFloatVelmora> MakeRange (ValueTranslation translation, float minValue, float maxValue,
                                                       const std::string& unit = {}, float defaultValue = 0.5f)
{
    return std::make_unique<AudioParameterFloatVelmora> ("p", "P", minValue, maxValue, defaultValue, translation, unit);
}

std::unique_ptr<AudioParameterFloatVelmora> MakeChoice (const std::vector<std::string>& names, int steps,
                                                        int position = 0)
{
    return std::make_unique<AudioParameterFloatVelmora> ("c", "C", 0.0f, 1.0f, position, names, steps);
}

void ExpectTexts (const std::vector<TextCase>& cases)
{
    for (const auto& c : cases)
    {
        SCOPED_TRACE (testing::Message() << "translation " << (int) c.Translation << ", range " << c.MinValue
                                         << " .. " << c.MaxValue << ", v = " << c.Value);
        EXPECT_EQ (MakeRange (c.Translation, c.MinValue, c.MaxValue, c.Unit)->GetValueAsText (c.Value), c.Expected);
    }
}

const std::vector<std::string> sixNames { "Saw1", "Saw2", "Square", "Tri", "Sine1", "Sine2" };

} // namespace

// The numbers are what gets stored: a reordering would silently change meanings.
static_assert ((int) ValueTranslation::Linear == 0 && (int) ValueTranslation::Percent == 2
               && (int) ValueTranslation::Decibels == 5 && (int) ValueTranslation::Frequency == 6
               && (int) ValueTranslation::Time == 7 && (int) ValueTranslation::Choice == 10
               && (int) ValueTranslation::SignedLinear == 11 && (int) ValueTranslation::Duration == 13,
               "stored translation numbers changed");

TEST (ParameterTranslation, PercentRoundsHalvesAwayFromZero)
{
    ExpectTexts ({
        { ValueTranslation::Percent, 0, 1, "", 0.0f, "0 %" },
        { ValueTranslation::Percent, 0, 1, "", 0.2f, "20 %" },
        { ValueTranslation::Percent, 0, 1, "", 0.125f, "13 %" },
        { ValueTranslation::Percent, 0, 1, "", 0.375f, "38 %" },
        { ValueTranslation::Percent, 0, 1, "", -0.125f, "-13 %" },
        { ValueTranslation::Percent, 0, 1, "", 1.0f, "100 %" },
        { ValueTranslation::Percent, 0, 1, "pc", 0.5f, "50 pc" },
    });
}

TEST (ParameterTranslation, LevelsShowOffAtAndBelowZero)
{
    ExpectTexts ({
        { ValueTranslation::Decibels, 0, 1, "", 0.0f, "OFF" },
        { ValueTranslation::Decibels, 0, 1, "", -0.5f, "OFF" },
        { ValueTranslation::Decibels, 0, 1, "", 0.5f, "+0.0 dB" },
        { ValueTranslation::Decibels, 0, 1, "", 1.0f, "+18.1 dB" },
        { ValueTranslation::Decibels, 0, 1, "", 0.25f, "-18.1 dB" },
        { ValueTranslation::DecibelsLow, 0, 1, "", 0.0f, "OFF" },
        { ValueTranslation::DecibelsLow, 0, 1, "", 0.6813f, "+0.0 dB" },
        { ValueTranslation::DecibelsLow, 0, 1, "", 1.0f, "+10.0 dB" },
        { ValueTranslation::Cubic, 10, 110, "ms", 0.0f, "OFF" },
        { ValueTranslation::Cubic, 10, 110, "ms", 0.5f, "+22.5 ms" },
        { ValueTranslation::Cubic, 10, 110, "ms", 1.0f, "+110.0 ms" },
        { ValueTranslation::Cubic, 0, 2, "", 1.0f, "+2.0 " },
    });
}

TEST (ParameterTranslation, FrequencySwitchesBetweenPeriodDecimalsAndKilo)
{
    ExpectTexts ({
        { ValueTranslation::Frequency, 20, 20000, "", 0.0f, "20.0 Hz" },
        { ValueTranslation::Frequency, 20, 20000, "Hz", 0.3333f, "200 Hz" },
        { ValueTranslation::Frequency, 20, 20000, "Hz", 0.5f, "632 Hz" },
        { ValueTranslation::Frequency, 20, 20000, "Hz", 0.6667f, "2.0 kHz" },
        { ValueTranslation::Frequency, 20, 20000, "Hz", 0.9f, "10.0 kHz" },
        { ValueTranslation::Frequency, 20, 20000, "Hz", 1.0f, "20 kHz" },
        { ValueTranslation::Frequency, 100, 40000, "Hz", 1.0f, "40 kHz" },
        { ValueTranslation::Frequency, 1, 100, "Hz", 0.0f, "1.00 Hz" },
        { ValueTranslation::Frequency, 1, 100, "Hz", 0.25f, "3.2 Hz" },
        { ValueTranslation::Frequency, 1, 100, "Hz", 0.75f, "32 Hz" },
        { ValueTranslation::Frequency, 0.01f, 10, "Hz", 0.5f, "0.32 Hz" },
        { ValueTranslation::Frequency, 0.01f, 10, "Hz", 0.0f, "1 minute" },
        { ValueTranslation::Frequency, 0.01f, 10, "Hz", 0.2f, "25 sec" },
        { ValueTranslation::Frequency, 1, 1000, "Hz", -20.0f, "0 Hz" },
    });
}

TEST (ParameterTranslation, TimeAndDuration)
{
    ExpectTexts ({
        { ValueTranslation::Time, 0.03f, 1, "s", 0.0f, "0.03 s" },
        { ValueTranslation::Time, 0.03f, 1, "s", 0.3333f, "0.10 s" },
        { ValueTranslation::Time, 0.03f, 1, "s", 1.0f, "1.00 s" },
        { ValueTranslation::Time, 0.03f, 5, "s", 1.0f, "5.0 s" },
        { ValueTranslation::Time, 1, 100, "s", 0.75f, "32 s" },
        { ValueTranslation::Time, 1, 100, "s", 1.0f, "100 s" },
        { ValueTranslation::Time, 1, 1000, "s", -20.0f, "0 s" },
        { ValueTranslation::Time, 1, 100, "", 0.75f, "32 " },
        { ValueTranslation::Duration, 0.001f, 100000, "", 1.0f, "1 day" },
        { ValueTranslation::Duration, 0.001f, 100000, "", 0.6f, "1 minute" },
        { ValueTranslation::Duration, 0.001f, 100000, "", 0.1f, "6 ms" },
        { ValueTranslation::Duration, 1, 1000, "s", -20.0f, "0 s" },
    });
}

TEST (ParameterTranslation, SignedForms)
{
    ExpectTexts ({
        { ValueTranslation::SignedLinear, -100, 100, "%", 0.5f, "  0 %" },
        { ValueTranslation::SignedLinear, -100, 100, "%", 0.75f, "+50 %" },
        { ValueTranslation::SignedLinear, -100, 100, "%", 0.0f, "-100 %" },
        { ValueTranslation::SignedLinear, -100, 100, "%", 1.0f, "+100 %" },
        { ValueTranslation::SignedLinear, -16, 16, "%", 0.515625f, "+1 %" },
        { ValueTranslation::SignedLinear, -16, 16, "%", 0.484375f, "-1 %" },
        { ValueTranslation::SignedLinear, -1, 1, "st", 0.52f, "  0.0 st" },
        { ValueTranslation::SignedLinear, -1, 1, "st", 0.47f, "  0.0 st" },
        { ValueTranslation::SignedLinear, -1, 1, "st", 0.75f, "+0.5 st" },
        { ValueTranslation::SignedLinear, -1, 1, "st", 0.25f, "-0.5 st" },
        { ValueTranslation::SignedLinear, -5, 5, "", 1.0f, "+5.0 " },
        { ValueTranslation::SignedLinear, -6, 6, "", 1.0f, "+6 " },
        { ValueTranslation::SignedFifteen, 0, 1, "", 0.0f, "+0.0 " },
        { ValueTranslation::SignedFifteen, 0, 1, "", 0.5f, "+7.5 " },
        { ValueTranslation::SignedFifteen, 0, 1, "", -0.1f, "-1.5 " },
        { ValueTranslation::Octaves, 0, 1, "", 0.0f, "0.1 oct" },
        { ValueTranslation::Octaves, 0, 1, "", 0.5f, "1.3 oct" },
        { ValueTranslation::Octaves, 0, 1, "", 1.0f, "5.0 oct" },
    });
}

TEST (ParameterTranslation, ReciprocalAndLinearFamilies)
{
    const auto unknown = static_cast<ValueTranslation> (99);
    ExpectTexts ({
        { ValueTranslation::Reciprocal, 1, 100, "x", 0.0f, "1.0x" },
        { ValueTranslation::Reciprocal, 1, 100, "x", 0.25f, "2.0x" },
        { ValueTranslation::Reciprocal, 1, 100, "x", 1.0f, "100x" },
        { ValueTranslation::Reciprocal, 0, 20, "x", 0.0f, "0.0x" },
        { ValueTranslation::Reciprocal, 0, 20, "x", 1.0f, "20x" },
        { ValueTranslation::Linear, 0, 1, "", 0.5f, "0.5 " },
        { ValueTranslation::Linear, 0, 1, "", 2.0f, "1.0 " },
        { ValueTranslation::Linear, 0, 1, "", -1.0f, "0.0 " },
        { ValueTranslation::Linear, 0, 10, "Hz", 0.25f, "2.5 Hz" },
        { ValueTranslation::Linear, 0, 29, "", 1.0f, "29.0 " },
        { ValueTranslation::Linear, 0, 2, "", 0.25f, "0.50 " },
        { ValueTranslation::Linear, 0, 100, "", 0.5f, "50 " },
        { ValueTranslation::Linear, -1, 1, "", 0.75f, "+0.50 " },
        { ValueTranslation::Linear, -10, 10, "", 0.75f, "+5.0 " },
        { ValueTranslation::Linear, -50, 50, "", 0.25f, "-25 " },
        { ValueTranslation::LinearInteger, 0, 2, "", 0.5f, "1 " },
        { ValueTranslation::LinearInteger, -2, 2, "", 0.75f, "+1 " },
        { unknown, 0, 10, "", 0.25f, "2.5 " },
    });
}

TEST (ParameterTranslation, ChoicePositionsBeyondNamesAreEmpty)
{
    const auto waveform = MakeChoice (sixNames, 10);
    const auto fiveSteps = MakeChoice (sixNames, 5);
    struct Case { const AudioParameterFloatVelmora& Parameter; float Value; const char* Expected; };
    const Case cases[] = {
        { *waveform, 0.0f, "Saw1" },   { *waveform, 0.05f, "Saw1" },    { *waveform, 0.5f, "Sine2" },
        { *waveform, 0.7f, "" },       { *waveform, 1.0f, "" },         { *fiveSteps, 0.125f, "Saw2" },
        { *fiveSteps, 0.375f, "Square" }, { *fiveSteps, -0.1f, "Saw1" }, { *fiveSteps, -0.125f, "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ (c.Parameter.GetValueAsText (c.Value), c.Expected) << "v = " << c.Value;

    EXPECT_EQ (MakeChoice ({}, 10)->GetValueAsText (0.0f), "Modes not set!");
    EXPECT_EQ (MakeRange (ValueTranslation::Choice, 0, 1)->GetValueAsText (0.5f), "Modes not set!");
}

TEST (ParameterTranslation, ShowDurationGivesLargestWholeUnit)
{
    const std::pair<double, const char*> cases[] = {
        { 90.0, "1 minute" },     { 7200.0, "2 hours" },     { 0.25, "250 ms" },     { 3.7, "3 sec" },
        { 1.0, "1 sec" },         { 59.9, "59 sec" },         { 0.001, "1 ms" },       { 0.000001, "1 micros" },
        { 0.0000025, "2 micros" }, { 172800.0, "2 days" },   { 2592000.0, "1 month" }, { 31536000.0, "1 year" },
        { 63072000.0, "2 years" },
    };
    for (const auto& [seconds, expected] : cases)
        EXPECT_EQ (AudioParameterFloatVelmora::ShowDuration (seconds), expected) << seconds << " s";

    EXPECT_EQ (AudioParameterFloatVelmora::ShowDuration (90.0, 7u), "1 minute");
}

TEST (ParameterTranslation, DefaultUnitsApplyOnlyToAnEmptyUnit)
{
    const std::pair<ValueTranslation, const char*> defaults[] = {
        { ValueTranslation::Linear, "" },    { ValueTranslation::LinearInteger, "" }, { ValueTranslation::Percent, "%" },
        { ValueTranslation::Cubic, "" },     { ValueTranslation::DecibelsLow, "dB" }, { ValueTranslation::Decibels, "dB" },
        { ValueTranslation::Frequency, "Hz" }, { ValueTranslation::Time, "" },      { ValueTranslation::SignedFifteen, "" },
        { ValueTranslation::Octaves, "oct" }, { ValueTranslation::Choice, "" },     { ValueTranslation::SignedLinear, "" },
        { ValueTranslation::Reciprocal, "" }, { ValueTranslation::Duration, "" },
        { static_cast<ValueTranslation> (99), "" },
    };
    for (const auto& [translation, unit] : defaults)
    {
        EXPECT_EQ (MakeRange (translation, 1, 2)->GetUnit(), unit) << (int) translation;
        EXPECT_EQ (MakeRange (translation, 1, 2, "s")->GetUnit(), "s") << (int) translation;
    }
}

TEST (ParameterConstruction, RangeConstructorStoresFieldsAndDefault)
{
    const auto p = MakeRange (ValueTranslation::Time, 0.03f, 5.0f, "s", 0.3333f);
    EXPECT_EQ (p->GetTranslation(), ValueTranslation::Time);
    EXPECT_EQ (p->GetMinValue(), 0.03f);
    EXPECT_EQ (p->GetMaxValue(), 5.0f);
    EXPECT_EQ (p->GetSteps(), 0);
    EXPECT_TRUE (p->GetChoices().empty());
    EXPECT_EQ (p->getParameterID(), "p");
    EXPECT_EQ (p->getVersionHint(), 0);
    EXPECT_EQ (p->getNormalisableRange().start, 0.0f);
    EXPECT_EQ (p->getNormalisableRange().end, 1.0f);

    // Bad defaults are clamped so the value, the stored default and the host's default agree.
    const std::pair<float, float> defaults[] = { { 0.3333f, 0.3333f }, { 0.0f, 0.0f }, { 1.0f, 1.0f },
                                                 { 1.5f, 1.0f }, { -0.2f, 0.0f }, { notANumber, 0.0f } };
    for (const auto& [given, expected] : defaults)
    {
        const auto q = MakeRange (ValueTranslation::Percent, 0, 1, {}, given);
        const juce::AudioProcessorParameter& host = *q;
        EXPECT_EQ (q->get(), expected) << given;
        EXPECT_EQ (q->GetDefaultValue(), expected) << given;
        EXPECT_EQ (host.getDefaultValue(), expected) << given;
    }
}

TEST (ParameterConstruction, ChoiceDefaultsAndDegenerateStepCounts)
{
    struct Case { std::vector<std::string> Names; int Position, Steps; float Expected; const char* Text; };
    const Case cases[] = {
        { sixNames, 0, 10, 0.0f, "Saw1" },
        { sixNames, 1, 20, 1.0f / 19.0f, "Saw2" },
        { sixNames, 3, 1, 0.0f, "Saw1" },
        { sixNames, 3, 0, 0.0f, "Saw1" },
        { sixNames, 3, -4, 0.0f, "Saw1" },
        { {}, 2, 1, 0.0f, "Modes not set!" },
        { sixNames, -1, 10, 0.0f, "Saw1" },
        { sixNames, 25, 20, 1.0f, "" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (testing::Message() << "position " << c.Position << " of " << c.Steps << " steps");
        const auto p = MakeChoice (c.Names, c.Steps, c.Position);
        const juce::AudioProcessorParameter& host = *p;
        EXPECT_EQ (p->get(), c.Expected);
        EXPECT_EQ (p->GetDefaultValue(), c.Expected);
        EXPECT_EQ (host.getDefaultValue(), c.Expected);
        EXPECT_EQ (p->GetValueAsText (p->get()), c.Text);
        if (c.Steps < 2)
        {
            for (float v : { 0.0f, 0.5f, 1.0f })
                EXPECT_EQ (p->GetValueAsText (v), c.Names.empty() ? "Modes not set!" : c.Names.front());
        }
    }
    EXPECT_NEAR (MakeChoice (sixNames, 20, 1)->GetDefaultValue(), 0.05263f, 1e-5f);

    const auto p = std::make_unique<AudioParameterFloatVelmora> ("c", "C", 5.0f, 7.0f, 0, sixNames, 10);
    EXPECT_EQ (p->GetTranslation(), ValueTranslation::Choice);
    EXPECT_EQ (p->GetMinValue(), 0.0f);
    EXPECT_EQ (p->GetMaxValue(), 1.0f);
    EXPECT_EQ (p->GetSteps(), 10);
    EXPECT_EQ (p->GetChoices(), sixNames);
    EXPECT_TRUE (p->GetUnit().isEmpty());
}

TEST (ParameterRobustness, LongTextsAreTruncatedAtWholeCharacters)
{
    const std::string longUnit (30, 'u');
    EXPECT_EQ (MakeRange (ValueTranslation::Percent, 0, 1, longUnit)->GetValueAsText (0.2f), "20 " + longUnit.substr (0, 19));

    // 2^100 prints with 31 digits, which with a full unit passes the 49-byte limit.
    const auto huge = MakeRange (ValueTranslation::Linear, 0, std::ldexp (1.0f, 100), std::string (19, 'u'));
    const auto text = huge->GetValueAsText (1.0f);
    EXPECT_EQ (text, "1267650600228229401496703205376 " + std::string (17, 'u'));

    const std::string longName (80, 'n');
    EXPECT_EQ (MakeChoice ({ longName }, 2)->GetValueAsText (0.0f), longName.substr (0, 49));

    std::string degrees, accents;
    for (int i = 0; i < 10; ++i)
        degrees += "\xc2\xb0";
    for (int i = 0; i < 25; ++i)
        accents += "\xc3\xa9";
    const auto unitText = MakeRange (ValueTranslation::Percent, 0, 1, degrees)->GetValueAsText (0.2f);
    EXPECT_EQ (unitText, "20 " + degrees.substr (0, 18));
    const auto nameText = MakeChoice ({ accents }, 2)->GetValueAsText (0.0f);
    EXPECT_EQ (nameText, accents.substr (0, 48));
    EXPECT_TRUE (juce::CharPointer_UTF8::isValidString (nameText.c_str(), (int) nameText.size()));
}

TEST (ParameterRobustness, NonFiniteValuesShowAsTheNearestEnd)
{
    std::vector<std::unique_ptr<AudioParameterFloatVelmora>> parameters;
    for (int t = 0; t <= 13; ++t)
        parameters.push_back (MakeRange (static_cast<ValueTranslation> (t), 0.5f, 40.0f, "u"));
    parameters.push_back (MakeRange (ValueTranslation::SignedLinear, -100, 100, "%"));
    parameters.push_back (MakeChoice (sixNames, 10));

    for (const auto& p : parameters)
    {
        SCOPED_TRACE ((int) p->GetTranslation());
        EXPECT_EQ (p->GetValueAsText (notANumber), p->GetValueAsText (0.0f));
        EXPECT_EQ (p->GetValueAsText (-infinity), p->GetValueAsText (0.0f));
        EXPECT_EQ (p->GetValueAsText (infinity), p->GetValueAsText (1.0f));
        for (float huge : { 1e30f, -1e30f, std::numeric_limits<float>::max(), -std::numeric_limits<float>::max() })
            EXPECT_LE (p->GetValueAsText (huge).size(), 49u);
    }
}

TEST (ParameterRobustness, HugeValuesSaturateInsteadOfOverflowing)
{
    const auto percent = MakeRange (ValueTranslation::Percent, 0, 1);
    EXPECT_EQ (percent->GetValueAsText (1e30f), "2147483647 %");
    EXPECT_EQ (percent->GetValueAsText (-1e30f), "-2147483648 %");
    EXPECT_EQ (MakeRange (ValueTranslation::SignedLinear, -100, 100, "%")->GetValueAsText (1e30f), "+2147483647 %");
    EXPECT_EQ (MakeChoice (sixNames, 10)->GetValueAsText (1e30f), "");
    EXPECT_EQ (MakeChoice (sixNames, 10)->GetValueAsText (-1e30f), "");
    // A period of 1e30 seconds.
    EXPECT_EQ (MakeRange (ValueTranslation::Frequency, 1, 1000)->GetValueAsText (-10.0f), "2147483647 years");

    const std::pair<double, const char*> durations[] = {
        { 1e300, "2147483647 years" }, { std::numeric_limits<double>::infinity(), "2147483647 years" },
        { std::numeric_limits<double>::quiet_NaN(), "0 micros" }, { -5.0, "0 micros" },
        { 0.0, "0 micros" }, { 5e-7, "0 micros" },
    };
    for (const auto& [seconds, expected] : durations)
        EXPECT_EQ (AudioParameterFloatVelmora::ShowDuration (seconds), expected) << seconds;
}

TEST (ParameterEngineValues, TranslatedValueAndChoiceIndex)
{
    const auto length = MakeRange (ValueTranslation::Time, 0.03f, 5.0f, "s", 1.0f);
    EXPECT_NEAR (length->GetTranslatedValue(), 5.0f, 1e-5f);
    length->setValueNotifyingHost (0.0f);
    EXPECT_NEAR (length->GetTranslatedValue(), 0.03f, 1e-7f);

    EXPECT_NEAR (MakeRange (ValueTranslation::Frequency, 20, 20000, "", 0.5f)->GetTranslatedValue(), 632.456f, 1e-2f);
    EXPECT_EQ (MakeRange (ValueTranslation::SignedLinear, -100, 100, "", 0.75f)->GetTranslatedValue(), 50.0f);
    EXPECT_EQ (MakeRange (ValueTranslation::Decibels, 0, 1, "", 0.25f)->GetTranslatedValue(), 0.25f);
    EXPECT_EQ (MakeRange (ValueTranslation::Duration, 2, 4, "", 0.5f)->GetTranslatedValue(), 3.0f);
    EXPECT_EQ (MakeRange (ValueTranslation::Percent, 0, 1, "", 0.5f)->GetChoiceIndex(), 0);

    const auto waveform = MakeChoice (sixNames, 10);
    const std::pair<float, int> positions[] = { { 0.0f, 0 }, { 0.5f, 5 }, { 0.7f, 6 }, { 1.0f, 9 }, { 0.05f, 0 } };
    for (const auto& [value, index] : positions)
    {
        waveform->setValueNotifyingHost (value);
        EXPECT_EQ (waveform->GetChoiceIndex(), index) << value;
    }
    const auto single = MakeChoice (sixNames, 1);
    single->setValueNotifyingHost (1.0f);
    EXPECT_EQ (single->GetChoiceIndex(), 0);
}

TEST (ParameterEngineValues, NaNFromTheHostMapsAsZero)
{
    const auto time = MakeRange (ValueTranslation::Time, 0.03f, 5.0f, "s", 1.0f);
    const auto waveform = MakeChoice (sixNames, 10, 5);
    time->setValue (notANumber);
    waveform->setValue (notANumber);
    EXPECT_NEAR (time->GetTranslatedValue(), 0.03f, 1e-7f);
    EXPECT_EQ (waveform->GetChoiceIndex(), 0);
    EXPECT_EQ (MakeRange (ValueTranslation::Linear, 2, 4, "", 1.0f)->GetTranslatedValue(), 4.0f);
}

namespace
{

class BareProcessor : public juce::AudioProcessor
{
public:
    const juce::String getName() const override                       { return "Bare"; }
    void prepareToPlay (double, int) override                          {}
    void releaseResources() override                                   {}
    void processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&) override {}
    double getTailLengthSeconds() const override                       { return 0.0; }
    bool acceptsMidi() const override                                  { return true; }
    bool producesMidi() const override                                 { return false; }
    juce::AudioProcessorEditor* createEditor() override                { return nullptr; }
    bool hasEditor() const override                                    { return false; }
    int getNumPrograms() override                                      { return 1; }
    int getCurrentProgram() override                                   { return 0; }
    void setCurrentProgram (int) override                              {}
    const juce::String getProgramName (int) override                   { return {}; }
    void changeProgramName (int, const juce::String&) override         {}
    void getStateInformation (juce::MemoryBlock&) override             {}
    void setStateInformation (const void*, int) override               {}
};

struct Registered
{
    BareProcessor Processor;
    InstrumentParameterSet Set = AddInstrumentParameters (Processor, MakeWaveformNames(), MakeChordNames());

    juce::AudioProcessorParameter& At (int index) { return *Processor.getParameters()[index]; }
};

} // namespace

TEST (InstrumentParameters, RegisteredInHostOrderWithDefaultsAndTexts)
{
    Registered r;
    const auto& s = r.Set;
    struct Row { AudioParameterFloatVelmora* Member; const char* Id; const char* Name; float Default; const char* Text; };
    const Row rows[] = {
        { s.VolumeParameter, "volume", "Volume", 0.5f, "+0.0 dB" },
        { s.CutoffParameter, "cutoff", "Cutoff", 0.3333f, "200 Hz" },
        { s.ResonanceParameter, "reso", "Resonance", 0.2f, "20 %" },
        { s.DecayParameter, "decay", "Decay", 0.3333f, "0.10 s" },
        { s.LengthParameter, "length", "Length", 1.0f, "5.0 s" },
        { s.PulseWidthParameter, "pwidth", "Pulsewidth", 0.5f, "50 %" },
        { s.WaveformParameter, "waveform", "Waveform", 0.0f, "Saw1" },
        { s.ChordParameter, "chord", "Chord", 1.0f / 19.0f, "Poly" },
        { s.TuningParameter, "tuning", "Tuning", 0.5f, "  0 %" },
    };
    ASSERT_EQ (r.Processor.getParameters().size(), 9);

    for (int i = 0; i < 9; ++i)
    {
        const auto& row = rows[i];
        SCOPED_TRACE (row.Id);
        auto& host = r.At (i);
        auto* withId = dynamic_cast<juce::AudioProcessorParameterWithID*> (&host);
        ASSERT_NE (withId, nullptr);
        EXPECT_EQ (&host, static_cast<juce::AudioProcessorParameter*> (row.Member));
        EXPECT_EQ (host.getParameterIndex(), i);
        EXPECT_EQ (withId->getParameterID(), row.Id);
        EXPECT_EQ (withId->getVersionHint(), 0);
        EXPECT_EQ (host.getName (100), row.Name);
        EXPECT_EQ (host.getDefaultValue(), row.Default);
        EXPECT_EQ (row.Member->GetDefaultValue(), row.Default);
        EXPECT_EQ (host.getValue(), row.Default);
        EXPECT_EQ (host.getText (host.getValue(), 100), row.Text);
        EXPECT_EQ (host.getCurrentValueAsText(), row.Text);
        EXPECT_EQ (host.getText (host.getValue(), 2), row.Text);
        EXPECT_TRUE (host.getLabel().isEmpty());
        EXPECT_FLOAT_EQ (host.getValueForText ("0.25"), 0.25f);
    }
}

TEST (InstrumentParameters, HostTextOfChoicesAndOff)
{
    Registered r;
    auto& volume = r.At (0);
    auto& waveform = r.At (6);
    auto& chord = r.At (7);

    EXPECT_EQ (volume.getText (0.0f, 100), "OFF");
    EXPECT_EQ (waveform.getText (0.5f, 100), "Sine2");
    EXPECT_EQ (waveform.getText (0.7f, 100), "");
    EXPECT_EQ (chord.getText (1.0f, 100), "");
    EXPECT_EQ (chord.getText (16.0f / 19.0f, 100), "VengBoyz");

    const char* chordNames[] = { "Mono",     "Poly",     "Major4-7", "Minor3-7", "Minor4-8", "Major3-8",
                                 "Minor5-8", "Major5-9", "Min 5-10", "Ma4-7-11", "Mi3-7-10", "Min3-7-9",
                                 "Fat Moog", "Moog 5th", "Guru Ps1", "Guru Ps2", "VengBoyz", "", "", "" };
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ (chord.getText ((float) i / 19.0f, 100), chordNames[i]) << "chord position " << i;

    const char* waveformNames[] = { "Saw1", "Saw2", "Square", "Tri", "Sine1", "Sine2", "", "", "", "" };
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ (waveform.getText ((float) i / 9.0f, 100), waveformNames[i]) << "waveform position " << i;

    for (int i = 0; i < 9; ++i)
        EXPECT_EQ (r.At (i).getText (notANumber, 100), r.At (i).getText (0.0f, 100)) << i;
}
