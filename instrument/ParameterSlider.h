#pragma once

#include "AudioParameterFloatVelmora.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>

// Notes that the parameter moved; the editor polls instead of reading this.
class ValueChangeListener : public juce::AudioProcessorParameter::Listener
{
public:
    ~ValueChangeListener() override = default;

    void parameterValueChanged (int parameterIndex, float newValue) override;
    void parameterGestureChanged (int parameterIndex, bool gestureIsStarting) override;

    std::atomic<bool> Changed { true };
};

// A rotary knob showing one parameter's normalised value, its text and its name.
class ParameterSlider : public juce::Slider
{
public:
    ParameterSlider();
    ~ParameterSlider() override;

    void Assign (juce::AudioParameterFloatVelmora* parameter, juce::Slider::SliderStyle style);
    void EnableTitle();
    void resized() override;

    juce::AudioParameterFloatVelmora* Parameter = nullptr;
    ValueChangeListener ValueListener;
    juce::Label Title;
    bool TitleEnabled = false;

private:
    void SetRangeForParameter();
    void SetDragBehaviour();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ParameterSlider)
};
