#include "PluginEditor.h"

GorlanAudioProcessorEditor::GorlanAudioProcessorEditor (GorlanAudioProcessor& owner)
    : juce::AudioProcessorEditor (owner),
      Processor (&owner)
{
    // The chord knob is bound before the waveform knob.
    for (const auto index : { 0, 1, 2, 3, 4, 5, 7, 6, 8 })
        BindKnob (index);

    setLookAndFeel (&EditorLookAndFeel);
    setSize (Columns * KnobSize + 2 * MarginX + GapX * (Columns - 1),
             Rows * KnobSize + 2 * MarginY + GapY * (Rows - 1) + HeaderHeight);
    startTimer (33);
}

GorlanAudioProcessorEditor::~GorlanAudioProcessorEditor()
{
    stopTimer();
    setLookAndFeel (nullptr);
}

std::array<juce::AudioParameterFloatVelmora*, GorlanAudioProcessorEditor::NumKnobs>
GorlanAudioProcessorEditor::GetParameters() const
{
    return { Processor->VolumeParameter, Processor->CutoffParameter,     Processor->ResonanceParameter,
             Processor->DecayParameter,  Processor->LengthParameter,     Processor->PulseWidthParameter,
             Processor->WaveformParameter, Processor->ChordParameter,    Processor->TuningParameter };
}

void GorlanAudioProcessorEditor::BindKnob (int index)
{
    auto& knob = GetKnob (index);
    knob.Assign (GetParameters()[static_cast<size_t> (index)], juce::Slider::RotaryVerticalDrag);
    knob.addListener (this);
    knob.EnableTitle();
    addAndMakeVisible (knob);
}

void GorlanAudioProcessorEditor::paint (juce::Graphics& g)
{
    const auto width = getWidth();
    g.fillAll (getLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId));

    g.setColour (juce::Colours::white);
    g.setFont (juce::Font (juce::FontOptions (25.0f, juce::Font::plain)));
    g.drawFittedText ("Gorlan", 20, 0, width - 40, HeaderHeight, juce::Justification::centredLeft, 1);

    g.setColour (juce::Colours::grey);
    g.setFont (juce::Font (juce::FontOptions (10.5f, juce::Font::plain)));
    g.drawFittedText ("v61.284 by Velmora", 20, 7, width - 40, HeaderHeight - 14, juce::Justification::topRight, 1);
    g.drawFittedText ("Based on Dessel KR2002 for Halvo", 20, 7, width - 40, HeaderHeight - 14,
                      juce::Justification::bottomRight, 1);
}

void GorlanAudioProcessorEditor::resized()
{
    for (int index = 0; index < NumKnobs; ++index)
    {
        const auto column = index % Columns, row = index / Columns;
        GetKnob (index).setBounds (MarginX + (GapX + KnobSize) * column,
                                   MarginY + HeaderHeight + (GapY + KnobSize) * row,
                                   KnobSize, KnobSize);
    }
}

void GorlanAudioProcessorEditor::timerCallback()
{
    updateAllParameters();
    TickCount = (TickCount + 1) % 2048;

    if (TickCount == 1)
        repaint();
}

void GorlanAudioProcessorEditor::updateAllParameters()
{
    const auto parameters = GetParameters();

    for (int index = 0; index < NumKnobs; ++index)
        GetKnob (index).setValue (parameters[static_cast<size_t> (index)]->get(), juce::dontSendNotification);
}

void GorlanAudioProcessorEditor::sliderValueChanged (juce::Slider* slider)
{
    auto* knob = dynamic_cast<ParameterSlider*> (slider);

    if (knob != nullptr && knob->Parameter != nullptr)
        knob->Parameter->setValueNotifyingHost (static_cast<float> (knob->getValue()));
}
