#include "ParameterSlider.h"

#include <algorithm>

void ValueChangeListener::parameterValueChanged (int, float)
{
    Changed.store (true, std::memory_order_relaxed);
}

void ValueChangeListener::parameterGestureChanged (int, bool) {}

ParameterSlider::ParameterSlider()
{
    setSliderStyle (juce::Slider::RotaryVerticalDrag);
}

ParameterSlider::~ParameterSlider()
{
    if (Parameter != nullptr)
        Parameter->removeListener (&ValueListener);
}

void ParameterSlider::Assign (juce::AudioParameterFloatVelmora* parameter, juce::Slider::SliderStyle)
{
    Parameter = parameter;
    setSliderStyle (juce::Slider::RotaryVerticalDrag);

    textFromValueFunction = [this] (double value)
    {
        return juce::String::fromUTF8 (Parameter->GetValueAsText (static_cast<float> (value)).c_str());
    };

    SetRangeForParameter();
    setTextBoxStyle (juce::Slider::TextBoxBelow, true, 100, 20);
    setColour (juce::Slider::textBoxOutlineColourId, juce::Colours::transparentBlack);
    setColour (juce::Slider::textBoxTextColourId, juce::Colour (0xff909090));
    SetDragBehaviour();
    setDoubleClickReturnValue (true, static_cast<double> (Parameter->GetDefaultValue()), juce::ModifierKeys::ctrlModifier);
    Parameter->addListener (&ValueListener);
}

// Choice knobs stop at the last named position even when the parameter has more steps.
void ParameterSlider::SetRangeForParameter()
{
    const auto steps = Parameter->GetSteps();
    const auto choices = static_cast<int> (Parameter->GetChoices().size());

    if (Parameter->GetTranslation() == juce::ValueTranslation::Choice && steps >= 2 && choices >= 2)
    {
        const auto last = static_cast<double> (std::min (choices, steps) - 1);
        const auto interval = 1.0 / static_cast<double> (steps - 1);
        setRange (0.0, last * interval, interval);
    }
    else if (Parameter->GetTranslation() != juce::ValueTranslation::Choice && steps >= 2)
    {
        setRange (0.0, 1.0, 1.0 / static_cast<double> (steps - 1));
    }
    else
    {
        setRange (0.0, 1.0, 0.0);
    }
}

// Drags are always absolute; Alt at the start of a drag makes it ten times finer.
void ParameterSlider::SetDragBehaviour()
{
    setVelocityModeParameters (0.05, 1, 0.1, false, juce::ModifierKeys::ctrlAltCommandModifiers);
    setVelocityBasedMode (false);

    onDragStart = [this]
    {
        const auto fine = juce::ModifierKeys::currentModifiers.isAltDown();
        setMouseDragSensitivity (fine ? 2500 : 250);
    };
}

void ParameterSlider::EnableTitle()
{
    if (Parameter == nullptr)
        return;

    TitleEnabled = true;
    Title.setText (Parameter->getName (40), juce::dontSendNotification);
    Title.setFont (juce::Font (juce::FontOptions (16.0f)));
    Title.setColour (juce::Label::textColourId, juce::Colours::white);
    Title.setJustificationType (juce::Justification::centred);
    addAndMakeVisible (Title);
}

void ParameterSlider::resized()
{
    juce::Slider::resized();

    if (TitleEnabled)
        Title.setBounds (-10, -4, getWidth() + 20, 20);
}
