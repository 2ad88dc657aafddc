#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// Velmora's drawing style: bevelled grey knobs with ticks, flat grey buttons.
class VelmoraLookAndFeel : public juce::LookAndFeel_V4
{
public:
    VelmoraLookAndFeel();

    void drawButtonBackground (juce::Graphics&, juce::Button&, const juce::Colour& backgroundColour,
                               bool isMouseOver, bool isButtonDown) override;
    juce::Font getTextButtonFont (juce::TextButton&, int buttonHeight) override;
    void drawButtonText (juce::Graphics&, juce::TextButton&, bool isMouseOver, bool isButtonDown) override;
    juce::Font getLabelFont (juce::Label&) override;
    void drawRotarySlider (juce::Graphics&, int x, int y, int width, int height, float sliderPosProportional,
                           float rotaryStartAngle, float rotaryEndAngle, juce::Slider&) override;

    void AddSteps (juce::Graphics&, juce::Slider&, float startAngle, float endAngle, double radius, double lineWidth,
                   double centreX, double centreY, double tickLength, bool shadowPass);

    float FontSize = 16.0f;
    static constexpr const char* PreferredSansSerif = "Helvetica Neue";

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VelmoraLookAndFeel)
};
