#pragma once

#include "ParameterSlider.h"
#include "PluginProcessor.h"
#include "VelmoraLookAndFeel.h"

#include <array>

// The plug-in window: a header and a 3 x 3 grid of knobs, kept in step with the parameters by polling.
class GorlanAudioProcessorEditor : public juce::AudioProcessorEditor,
                                   public juce::Slider::Listener,
                                   public juce::Timer
{
public:
    explicit GorlanAudioProcessorEditor (GorlanAudioProcessor&);
    ~GorlanAudioProcessorEditor() override;

    void paint (juce::Graphics&) override;
    void resized() override;
    void timerCallback() override;
    void sliderValueChanged (juce::Slider*) override;

    void updateAllParameters();

    static constexpr int NumKnobs = 9;

    const ParameterSlider& GetKnob (int index) const { return Knobs[static_cast<size_t> (index)]; }
    ParameterSlider& GetKnob (int index)             { return Knobs[static_cast<size_t> (index)]; }
    int GetTickCount() const noexcept                { return TickCount; }

private:
    std::array<juce::AudioParameterFloatVelmora*, NumKnobs> GetParameters() const;
    void BindKnob (int index);

    std::array<ParameterSlider, NumKnobs> Knobs;
    GorlanAudioProcessor* Processor;
    VelmoraLookAndFeel EditorLookAndFeel;
    int Columns = 3;
    int Rows = 3;
    int HeaderHeight = 40;
    int MarginX = 12;
    int MarginY = 12;
    int KnobSize = 110;
    int GapX = 2;
    int GapY = 40;
    int TickCount = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GorlanAudioProcessorEditor)
};
