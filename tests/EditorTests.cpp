#include "PluginEditor.h"

#include <gtest/gtest.h>

#include <juce_graphics/juce_graphics.h>

#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <vector>

namespace
{
constexpr int NumKnobs = GorlanAudioProcessorEditor::NumKnobs;
constexpr int WaveformKnob = 6;
constexpr int ChordKnob = 7;
constexpr double Pi = juce::MathConstants<double>::pi;

juce::AudioParameterFloatVelmora& ParameterAt (GorlanAudioProcessor& processor, int index)
{
    return *dynamic_cast<juce::AudioParameterFloatVelmora*> (processor.getParameters()[index]);
}

// What a host does: set the value without echoing it back to itself.
void SetFromHost (juce::AudioProcessorParameter& parameter, float value)
{
    parameter.setValue (value);
}

juce::MouseEvent MouseEventAt (juce::Component& component, juce::Point<float> position, juce::ModifierKeys mods,
                               juce::Point<float> downPosition, int clicks)
{
    const auto now = juce::Time::getCurrentTime();
    return { juce::Desktop::getInstance().getMainMouseSource(), position, mods,
             juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
             juce::MouseInputSource::defaultRotation, juce::MouseInputSource::defaultTiltX,
             juce::MouseInputSource::defaultTiltY, &component, &component, now, downPosition, now, clicks,
             position != downPosition };
}

// Presses, drags vertically and releases; modifiersDuringDrag lets a key change after the press.
void DragVertically (juce::Slider& knob, float pixelsUp, juce::ModifierKeys modifiersAtPress,
                     juce::ModifierKeys modifiersDuringDrag)
{
    const juce::Point<float> start { 55.0f, 45.0f };
    const auto end = start - juce::Point<float> { 0.0f, pixelsUp };

    juce::ModifierKeys::currentModifiers = modifiersAtPress.withFlags (juce::ModifierKeys::leftButtonModifier);
    knob.mouseDown (MouseEventAt (knob, start, juce::ModifierKeys::currentModifiers, start, 1));

    juce::ModifierKeys::currentModifiers = modifiersDuringDrag.withFlags (juce::ModifierKeys::leftButtonModifier);
    knob.mouseDrag (MouseEventAt (knob, end, juce::ModifierKeys::currentModifiers, start, 1));
    knob.mouseUp (MouseEventAt (knob, end, modifiersDuringDrag, start, 1));
    juce::ModifierKeys::currentModifiers = juce::ModifierKeys();
}

void ClickWith (juce::Slider& knob, juce::ModifierKeys modifiers)
{
    const juce::Point<float> position { 55.0f, 45.0f };
    juce::ModifierKeys::currentModifiers = modifiers.withFlags (juce::ModifierKeys::leftButtonModifier);
    knob.mouseDown (MouseEventAt (knob, position, juce::ModifierKeys::currentModifiers, position, 1));
    knob.mouseUp (MouseEventAt (knob, position, modifiers, position, 1));
    juce::ModifierKeys::currentModifiers = juce::ModifierKeys();
}

juce::Label* ValueBoxOf (ParameterSlider& knob)
{
    for (auto* child : knob.getChildren())
        if (auto* label = dynamic_cast<juce::Label*> (child); label != nullptr && label != &knob.Title)
            return label;

    return nullptr;
}

struct RecordingParameterListener : juce::AudioProcessorParameter::Listener
{
    void parameterValueChanged (int, float newValue) override { Values.push_back (newValue); }
    void parameterGestureChanged (int, bool) override { ++Gestures; }

    std::vector<float> Values;
    int Gestures = 0;
};

struct RecordingProcessorListener : juce::AudioProcessorListener
{
    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float value) override
    {
        Changes.emplace_back (index, value);
    }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int) override { ++Gestures; }
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int) override { ++Gestures; }

    std::vector<std::pair<int, float>> Changes;
    int Gestures = 0;
};

struct CountingSliderListener : juce::Slider::Listener
{
    void sliderValueChanged (juce::Slider*) override { ++Calls; }
    int Calls = 0;
};

// Stands in for the window's backing store so that repaint requests can be counted.
struct RepaintRecorder : juce::CachedComponentImage
{
    void paint (juce::Graphics&) override {}
    bool invalidateAll() override { ++FullRepaints; return true; }
    bool invalidate (const juce::Rectangle<int>&) override { return true; }
    void releaseResources() override {}

    int FullRepaints = 0;
};

class EditorTest : public testing::Test
{
protected:
    GorlanAudioProcessor Processor;
    std::unique_ptr<GorlanAudioProcessorEditor> Editor = std::make_unique<GorlanAudioProcessorEditor> (Processor);

    ParameterSlider& Knob (int index) { return Editor->GetKnob (index); }
    juce::AudioParameterFloatVelmora& Parameter (int index) { return ParameterAt (Processor, index); }
};

//==============================================================================
TEST_F (EditorTest, HasFixedSizeAndKnobGridBoundToHostOrder)
{
    EXPECT_EQ (Editor->getWidth(), 358);
    EXPECT_EQ (Editor->getHeight(), 474);
    EXPECT_FALSE (Editor->isResizable());

    const std::array<juce::Rectangle<int>, NumKnobs> expected { {
        { 12, 52, 110, 110 },  { 124, 52, 110, 110 },  { 236, 52, 110, 110 },
        { 12, 202, 110, 110 }, { 124, 202, 110, 110 }, { 236, 202, 110, 110 },
        { 12, 352, 110, 110 }, { 124, 352, 110, 110 }, { 236, 352, 110, 110 } } };

    for (int index = 0; index < NumKnobs; ++index)
    {
        SCOPED_TRACE (index);
        EXPECT_EQ (Knob (index).getBounds(), expected[(size_t) index]);
        EXPECT_EQ (Knob (index).Parameter, &Parameter (index));
        EXPECT_TRUE (Knob (index).isVisible());
        EXPECT_EQ (Knob (index).getParentComponent(), Editor.get());
        EXPECT_EQ (Knob (index).getSliderStyle(), juce::Slider::RotaryVerticalDrag);
        EXPECT_EQ (Knob (index).Title.getText(), Parameter (index).getName (40));
        EXPECT_EQ (Knob (index).Title.getBounds(), juce::Rectangle<int> (-10, -4, 130, 20));
        EXPECT_EQ (&Knob (index).getLookAndFeel(), &Editor->getLookAndFeel());
    }

    EXPECT_NE (dynamic_cast<VelmoraLookAndFeel*> (&Editor->getLookAndFeel()), nullptr);
    EXPECT_TRUE (Editor->isTimerRunning());
    EXPECT_EQ (Editor->getTimerInterval(), 33);
}

TEST_F (EditorTest, KnobRangesCoverOnlyNamedChoicesOrTheWholeRange)
{
    struct Case { int Knob; double Maximum; double Interval; };
    const Case cases[] = { { 0, 1.0, 0.0 }, { 1, 1.0, 0.0 }, { 2, 1.0, 0.0 }, { 3, 1.0, 0.0 }, { 4, 1.0, 0.0 },
                           { 5, 1.0, 0.0 }, { WaveformKnob, 5.0 / 9.0, 1.0 / 9.0 },
                           { ChordKnob, 16.0 / 19.0, 1.0 / 19.0 }, { 8, 1.0, 0.0 } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.Knob);
        EXPECT_EQ (Knob (c.Knob).getMinimum(), 0.0);
        EXPECT_DOUBLE_EQ (Knob (c.Knob).getMaximum(), c.Maximum);
        EXPECT_DOUBLE_EQ (Knob (c.Knob).getInterval(), c.Interval);
        EXPECT_DOUBLE_EQ (Knob (c.Knob).getSkewFactor(), 1.0);

        const auto rotary = Knob (c.Knob).getRotaryParameters();
        EXPECT_FLOAT_EQ (rotary.startAngleRadians, (float) (1.2 * Pi));
        EXPECT_FLOAT_EQ (rotary.endAngleRadians, (float) (2.8 * Pi));
        EXPECT_TRUE (rotary.stopAtEnd);
    }
}

TEST_F (EditorTest, ChoiceKnobsShowEveryNamedPositionAndClampBeyondThem)
{
    const auto& waveformNames = Processor.GetWaveformNames();
    for (size_t position = 0; position < waveformNames.size(); ++position)
        EXPECT_EQ (Knob (WaveformKnob).getTextFromValue ((double) position / 9.0), juce::String (waveformNames[position]));

    const auto& chordNames = Processor.GetChordNames();
    for (size_t position = 0; position < chordNames.size(); ++position)
        EXPECT_EQ (Knob (ChordKnob).getTextFromValue ((double) position / 19.0), juce::String (chordNames[position]));

    // Host values past the named positions show the last name; the parameter keeps its value.
    SetFromHost (Parameter (WaveformKnob), 0.7f);
    SetFromHost (Parameter (ChordKnob), 1.0f);
    Editor->timerCallback();

    EXPECT_DOUBLE_EQ (Knob (WaveformKnob).getValue(), 5.0 / 9.0);
    EXPECT_EQ (ValueBoxOf (Knob (WaveformKnob))->getText(), "Sine2");
    EXPECT_FLOAT_EQ (Parameter (WaveformKnob).get(), 0.7f);
    EXPECT_DOUBLE_EQ (Knob (ChordKnob).getValue(), 16.0 / 19.0);
    EXPECT_EQ (ValueBoxOf (Knob (ChordKnob))->getText(), "VengBoyz");
    EXPECT_FLOAT_EQ (Parameter (ChordKnob).get(), 1.0f);
}

TEST_F (EditorTest, TextBoxShowsTheParametersOwnTextAndIsReadOnly)
{
    const float hostValues[NumKnobs] = { 0.0f, 0.5f, 0.125f, 1.0f, 0.0f, 0.75f, 2.0f / 9.0f, 12.0f / 19.0f, 0.75f };
    for (int index = 0; index < NumKnobs; ++index)
        SetFromHost (Parameter (index), hostValues[index]);

    Editor->timerCallback();

    for (int index = 0; index < NumKnobs; ++index)
    {
        SCOPED_TRACE (index);
        auto* box = ValueBoxOf (Knob (index));
        ASSERT_NE (box, nullptr);
        EXPECT_EQ (box->getText(), Parameter (index).getCurrentValueAsText());
        EXPECT_EQ (box->getBounds(), juce::Rectangle<int> (5, 90, 100, 20));
        EXPECT_FALSE (box->isEditableOnSingleClick() || box->isEditableOnDoubleClick());
        EXPECT_FALSE (Knob (index).isTextBoxEditable());
        EXPECT_EQ (Knob (index).getTextBoxPosition(), juce::Slider::TextBoxBelow);
    }

    EXPECT_EQ (ValueBoxOf (Knob (0))->getText(), "OFF");
    EXPECT_EQ (ValueBoxOf (Knob (1))->getText(), "632 Hz");
    EXPECT_EQ (ValueBoxOf (Knob (8))->getText(), "+50 %");
}

TEST_F (EditorTest, DoubleClickAndCtrlClickReturnEveryKnobToItsDefault)
{
    const float offDefault[NumKnobs] = { 0.9f, 0.9f, 0.9f, 0.9f, 0.1f, 0.9f, 4.0f / 9.0f, 10.0f / 19.0f, 0.9f };
    const auto centre = juce::Point<float> { 55.0f, 45.0f };

    for (int index = 0; index < NumKnobs; ++index)
    {
        SCOPED_TRACE (index);
        auto& knob = Knob (index);
        auto& parameter = Parameter (index);

        SetFromHost (parameter, offDefault[index]);
        Editor->timerCallback();
        knob.mouseDoubleClick (MouseEventAt (knob, centre, juce::ModifierKeys::leftButtonModifier, centre, 2));
        EXPECT_FLOAT_EQ (parameter.get(), parameter.GetDefaultValue());

        SetFromHost (parameter, offDefault[index]);
        Editor->timerCallback();
        ClickWith (knob, juce::ModifierKeys::altModifier);
        ClickWith (knob, juce::ModifierKeys());
        EXPECT_FLOAT_EQ (parameter.get(), offDefault[index]) << "only Ctrl resets on a single click";

        ClickWith (knob, juce::ModifierKeys::ctrlModifier);
        EXPECT_FLOAT_EQ (parameter.get(), parameter.GetDefaultValue());
    }
}

TEST_F (EditorTest, AltAtTheStartOfADragMakesItTenTimesFiner)
{
    struct Case { const char* Name; juce::ModifierKeys AtPress, DuringDrag; int Sensitivity; };
    const juce::ModifierKeys none, alt { juce::ModifierKeys::altModifier };
    const Case cases[] = { { "plain", none, none, 250 },
                           { "alt", alt, alt, 2500 },
                           { "alt released after the press", alt, none, 2500 },
                           { "alt pressed after the press", none, alt, 250 } };

    auto& cutoff = Parameter (1);
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.Name);
        SetFromHost (cutoff, 0.25f);
        Editor->timerCallback();

        DragVertically (Knob (1), 125.0f, c.AtPress, c.DuringDrag);

        EXPECT_EQ (Knob (1).getMouseDragSensitivity(), c.Sensitivity);
        EXPECT_NEAR (cutoff.get(), 0.25f + 125.0f / (float) c.Sensitivity, 1.0e-5f);
    }

    // Dragging down lowers the value.
    SetFromHost (cutoff, 0.5f);
    Editor->timerCallback();
    DragVertically (Knob (1), -50.0f, none, none);
    EXPECT_NEAR (cutoff.get(), 0.3f, 1.0e-5f);
}

TEST_F (EditorTest, HostChangesReachTheKnobsAtTheNextTickWithoutEchoing)
{
    Editor->timerCallback();

    struct Case { int Knob; float HostValue; double KnobValue; };
    const Case cases[] = { { 0, 0.1f, 0.1f }, { 1, 0.9f, 0.9f }, { 2, 0.75f, 0.75f }, { 3, 0.6f, 0.6f },
                           { 4, 0.2f, 0.2f }, { 5, 0.35f, 0.35f }, { WaveformKnob, 3.0f / 9.0f, 3.0 / 9.0 },
                           { ChordKnob, 0.3f, 6.0 / 19.0 }, { 8, 0.05f, 0.05f } };

    std::array<CountingSliderListener, NumKnobs> sliderListeners;
    std::array<RecordingParameterListener, NumKnobs> parameterListeners;
    for (int index = 0; index < NumKnobs; ++index)
    {
        Knob (index).addListener (&sliderListeners[(size_t) index]);
        Parameter (index).addListener (&parameterListeners[(size_t) index]);
    }

    for (const auto& c : cases)
        SetFromHost (Parameter (c.Knob), c.HostValue);

    for (const auto& c : cases)
        EXPECT_NE (Knob (c.Knob).getValue(), c.KnobValue) << "knob " << c.Knob << " moved before the tick";

    Editor->timerCallback();

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.Knob);
        EXPECT_DOUBLE_EQ (Knob (c.Knob).getValue(), c.KnobValue);
        EXPECT_EQ (sliderListeners[(size_t) c.Knob].Calls, 0);
        EXPECT_TRUE (parameterListeners[(size_t) c.Knob].Values.empty());
        EXPECT_FLOAT_EQ (Parameter (c.Knob).get(), c.HostValue);
    }

    for (int index = 0; index < NumKnobs; ++index)
    {
        Knob (index).removeListener (&sliderListeners[(size_t) index]);
        Parameter (index).removeListener (&parameterListeners[(size_t) index]);
    }
}

TEST_F (EditorTest, UserDragReachesTheHostWithoutAGesture)
{
    Editor->timerCallback();

    RecordingParameterListener parameterListener;
    RecordingProcessorListener hostListener;
    Parameter (1).addListener (&parameterListener);
    Processor.addListener (&hostListener);

    DragVertically (Knob (1), 40.0f, {}, {});

    Processor.removeListener (&hostListener);
    Parameter (1).removeListener (&parameterListener);

    const auto expected = (float) Knob (1).getValue();
    EXPECT_NEAR (expected, 0.3333f + 40.0f / 250.0f, 1.0e-5f);
    ASSERT_FALSE (parameterListener.Values.empty());
    EXPECT_EQ (parameterListener.Values.back(), expected);
    EXPECT_EQ (parameterListener.Gestures, 0);
    ASSERT_FALSE (hostListener.Changes.empty());
    EXPECT_EQ (hostListener.Changes.back(), std::make_pair (1, expected));
    EXPECT_EQ (hostListener.Gestures, 0);
    EXPECT_EQ (Parameter (1).get(), expected);
}

TEST_F (EditorTest, RepaintsWholeWindowAtFirstTickAndEvery2048Ticks)
{
    Editor->setVisible (true);
    auto* recorder = new RepaintRecorder();
    Editor->setCachedComponentImage (recorder);
    const auto before = recorder->FullRepaints;

    Editor->timerCallback();
    EXPECT_EQ (recorder->FullRepaints, before + 1);
    EXPECT_EQ (Editor->GetTickCount(), 1);

    for (int tick = 2; tick <= 2048; ++tick)
        Editor->timerCallback();
    EXPECT_EQ (recorder->FullRepaints, before + 1);
    EXPECT_EQ (Editor->GetTickCount(), 0);

    Editor->timerCallback();
    EXPECT_EQ (recorder->FullRepaints, before + 2);
    EXPECT_EQ (Editor->GetTickCount(), 1);

    Editor->setCachedComponentImage (nullptr);
}

TEST_F (EditorTest, IgnoresSliderCallbacksFromNothingOrUnboundKnobs)
{
    std::array<RecordingParameterListener, NumKnobs> listeners;
    for (int index = 0; index < NumKnobs; ++index)
        Parameter (index).addListener (&listeners[(size_t) index]);

    ParameterSlider unbound;
    unbound.setValue (0.75, juce::dontSendNotification);
    Editor->sliderValueChanged (nullptr);
    Editor->sliderValueChanged (&unbound);

    for (int index = 0; index < NumKnobs; ++index)
    {
        EXPECT_TRUE (listeners[(size_t) index].Values.empty());
        Parameter (index).removeListener (&listeners[(size_t) index]);
    }
}

TEST (EditorLifetime, DestructionLeavesNoParameterListener)
{
    GorlanAudioProcessor processor;
    std::optional<GorlanAudioProcessorEditor> editor;
    editor.emplace (processor);

    std::array<void*, NumKnobs> listenerStorage {};
    for (int index = 0; index < NumKnobs; ++index)
    {
        auto& listener = editor->GetKnob (index).ValueListener;
        listener.Changed = false;
        ParameterAt (processor, index).setValueNotifyingHost (0.25f);
        EXPECT_TRUE (listener.Changed) << "knob " << index << " is not listening while bound";
        listenerStorage[(size_t) index] = &listener;
    }

    editor.reset();

    // New listeners where the knobs' listeners lived: a registration left behind would reach them.
    std::array<ValueChangeListener*, NumKnobs> standIns {};
    for (size_t index = 0; index < standIns.size(); ++index)
    {
        standIns[index] = new (listenerStorage[index]) ValueChangeListener();
        standIns[index]->Changed = false;
    }

    for (int index = 0; index < NumKnobs; ++index)
        ParameterAt (processor, index).setValueNotifyingHost (0.75f);

    for (auto* standIn : standIns)
    {
        EXPECT_FALSE (standIn->Changed);
        standIn->~ValueChangeListener();
    }
}

TEST (ParameterSliderTest, UnboundKnobHasNoTitle)
{
    ParameterSlider knob;
    knob.EnableTitle();
    knob.setBounds (0, 0, 110, 110);

    EXPECT_EQ (knob.Parameter, nullptr);
    EXPECT_FALSE (knob.TitleEnabled);
    EXPECT_EQ (knob.getIndexOfChildComponent (&knob.Title), -1);
    EXPECT_TRUE (knob.Title.getBounds().isEmpty());
    EXPECT_EQ (knob.getSliderStyle(), juce::Slider::RotaryVerticalDrag);
}

TEST (ParameterSliderTest, ChoiceParametersWithoutTwoNamesFallBackToAContinuousKnob)
{
    juce::AudioParameterFloatVelmora single ("one", "One", 0.0f, 1.0f, 0, { "Only" }, 4);
    juce::AudioParameterFloatVelmora unnamed ("none", "None", 0.0f, 1.0f, 0, {}, 4);
    juce::AudioParameterFloatVelmora moreNamesThanSteps ("many", "Many", 0.0f, 1.0f, 0, { "A", "B", "C", "D" }, 3);

    for (auto* parameter : { &single, &unnamed })
    {
        ParameterSlider knob;
        knob.Assign (parameter, juce::Slider::LinearHorizontal);
        EXPECT_EQ (knob.getSliderStyle(), juce::Slider::RotaryVerticalDrag);
        EXPECT_EQ (knob.getMaximum(), 1.0);
        EXPECT_EQ (knob.getInterval(), 0.0);
    }

    ParameterSlider knob;
    knob.Assign (&moreNamesThanSteps, juce::Slider::RotaryVerticalDrag);
    EXPECT_DOUBLE_EQ (knob.getMaximum(), 1.0);
    EXPECT_DOUBLE_EQ (knob.getInterval(), 0.5);
}

//==============================================================================
// Drawing: everything below paints into software images and needs no display.

float Brightness (juce::Colour colour)
{
    return (float) std::max ({ colour.getRed(), colour.getGreen(), colour.getBlue() });
}

juce::Colour PixelAt (const juce::Image& image, double x, double y)
{
    return image.getPixelAt ((int) std::floor (x), (int) std::floor (y));
}

// Angles clockwise from 12 o'clock, as the knobs use them.
juce::Point<double> OnDial (juce::Point<double> centre, double radius, double angle)
{
    return { centre.x + radius * std::sin (angle), centre.y - radius * std::cos (angle) };
}

// Walks once round the dial through the tick band and counts the dark marks.
int CountTicks (const juce::Image& image, juce::Point<double> centre)
{
    int ticks = 0;
    bool inTick = false;

    for (double degrees = 180.0; degrees <= 540.0; degrees += 0.25)
    {
        float darkest = 255.0f;
        for (double radius = 31.5; radius <= 34.0; radius += 0.25)
        {
            const auto point = OnDial (centre, radius, degrees * Pi / 180.0);
            darkest = std::min (darkest, Brightness (PixelAt (image, point.x, point.y)));
        }

        const bool dark = darkest < 30.0f;
        ticks += (dark && ! inTick) ? 1 : 0;
        inTick = dark;
    }

    return ticks;
}

int CountPixels (const juce::Image& image, juce::Rectangle<int> area, std::function<bool (juce::Colour)> matches)
{
    int count = 0;
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            count += matches (image.getPixelAt (x, y)) ? 1 : 0;
    return count;
}

bool IsWhite (juce::Colour c) { return c.getRed() > 200 && c.getGreen() > 200 && c.getBlue() > 200; }

bool IsGreyText (juce::Colour c)
{
    return Brightness (c) > 90.0f && std::abs ((int) c.getRed() - (int) c.getBlue()) < 12;
}

void SaveArtefact (const juce::Image& image, const juce::String& name)
{
    const juce::File folder (GORLAN_TEST_ARTEFACTS);
    ASSERT_TRUE (folder.createDirectory());
    const auto file = folder.getChildFile (name);
    file.deleteFile();
    juce::FileOutputStream stream (file);
    ASSERT_TRUE (stream.openedOk());
    ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (image, stream));
}

class EditorDrawingTest : public EditorTest
{
protected:
    juce::Image Paint()
    {
        Editor->timerCallback();
        return Editor->createComponentSnapshot (Editor->getLocalBounds(), true, 1.0f);
    }

    juce::Point<double> DialCentre (int index) const
    {
        const auto bounds = Editor->GetKnob (index).getBounds();
        return { bounds.getX() + 55.0, bounds.getY() + 51.0 };
    }

    void SetAllFromHost (float value)
    {
        for (int index = 0; index < NumKnobs; ++index)
            SetFromHost (Parameter (index), value);
    }
};

TEST_F (EditorDrawingTest, PaintsHeaderBackgroundAndKnobTexts)
{
    const auto image = Paint();
    SaveArtefact (image, "editor.png");

    ASSERT_EQ (image.getWidth(), 358);
    ASSERT_EQ (image.getHeight(), 474);

    const auto background = juce::LookAndFeel_V4().findColour (juce::ResizableWindow::backgroundColourId);
    for (auto point : { juce::Point<int> { 2, 2 }, { 5, 300 }, { 355, 470 }, { 179, 185 } })
        EXPECT_EQ (image.getPixelAt (point.x, point.y), background) << point.toString();

    EXPECT_GT (CountPixels (image, { 20, 0, 120, 40 }, IsWhite), 40) << "title";
    EXPECT_EQ (CountPixels (image, { 180, 0, 178, 40 }, IsWhite), 0);
    EXPECT_GT (CountPixels (image, { 200, 7, 138, 12 }, IsGreyText), 15) << "version line";
    EXPECT_GT (CountPixels (image, { 150, 21, 188, 12 }, IsGreyText), 15) << "credit line";

    for (int index = 0; index < NumKnobs; ++index)
    {
        SCOPED_TRACE (index);
        const auto knob = Editor->GetKnob (index).getBounds();
        EXPECT_GT (CountPixels (image, { knob.getX() + 20, knob.getY(), 70, 16 }, IsWhite), 10) << "title";
        EXPECT_EQ (CountPixels (image, { knob.getX() - 10, knob.getY() - 4, 130, 4 }, IsWhite), 0)
            << "the title is clipped to the knob";

        const auto valueBox = juce::Rectangle<int> (knob.getX() + 5, knob.getY() + 90, 100, 20);
        float brightest = 0.0f;
        for (int y = valueBox.getY(); y < valueBox.getBottom(); ++y)
            for (int x = valueBox.getX(); x < valueBox.getRight(); ++x)
                brightest = std::max (brightest, Brightness (image.getPixelAt (x, y)));
        EXPECT_GT (brightest, 120.0f) << "value text";
        EXPECT_LE (brightest, 146.0f) << "value text no brighter than 0xff909090";
    }
}

TEST_F (EditorDrawingTest, PointerFollowsTheValueFromStartToEndAngle)
{
    const auto startAngle = 1.2 * Pi, endAngle = 2.8 * Pi;
    const auto pointerMiddle = (25.92 + 11.52) / 2.0;

    for (const float value : { 0.0f, 1.0f })
    {
        SCOPED_TRACE (value);
        SetAllFromHost (value);
        const auto image = Paint();
        SaveArtefact (image, value == 0.0f ? "editor-all-0.png" : "editor-all-1.png");

        const auto pointed = value == 0.0f ? startAngle : endAngle;
        const auto other = value == 0.0f ? endAngle : startAngle;

        for (int index = 0; index < NumKnobs; ++index)
        {
            SCOPED_TRACE (index);
            const auto centre = DialCentre (index);
            const auto tip = OnDial (centre, pointerMiddle, pointed);
            const auto away = OnDial (centre, pointerMiddle, other);
            EXPECT_GT (Brightness (PixelAt (image, tip.x, tip.y)), 225.0f);
            EXPECT_LT (Brightness (PixelAt (image, away.x, away.y)), 170.0f);
        }
    }
}

TEST_F (EditorDrawingTest, RingAndBodySitSixPixelsBelowTheMiddleOfTheDial)
{
    const auto image = Paint();
    const auto background = Brightness (juce::LookAndFeel_V4().findColour (juce::ResizableWindow::backgroundColourId));

    for (int index = 0; index < NumKnobs; ++index)
    {
        SCOPED_TRACE (index);
        const auto centre = DialCentre (index);

        for (const double angle : { 0.5 * Pi, 0.75 * Pi, 1.25 * Pi, 1.5 * Pi })
        {
            SCOPED_TRACE (angle);
            float ringDarkest = 255.0f;
            for (double radius = 36.3; radius <= 37.15; radius += 0.05)
            {
                const auto ring = OnDial (centre, radius, angle);
                ringDarkest = std::min (ringDarkest, Brightness (PixelAt (image, ring.x, ring.y)));
            }

            const auto outside = OnDial (centre, 40.5, angle);
            EXPECT_LT (ringDarkest, background - 12.0f);
            EXPECT_NEAR (Brightness (PixelAt (image, outside.x, outside.y)), background, 3.0f);
        }

        // The body: lighter towards the top, a light bevel edge at its top and a dark one at its bottom.
        const auto upper = Brightness (PixelAt (image, centre.x + 8.0, centre.y - 20.0));
        const auto lower = Brightness (PixelAt (image, centre.x + 8.0, centre.y + 20.0));
        EXPECT_GT (upper, lower);
        EXPECT_GT (Brightness (PixelAt (image, centre.x, centre.y - 29.3)), 150.0f);
        EXPECT_LT (Brightness (PixelAt (image, centre.x, centre.y + 29.3)), 40.0f);
    }
}

TEST_F (EditorDrawingTest, TickCountFollowsTheKnobsSteps)
{
    const auto image = Paint();

    for (int index = 0; index < NumKnobs; ++index)
    {
        SCOPED_TRACE (index);
        const int expected = index == WaveformKnob ? 6 : (index == ChordKnob ? 17 : 11);
        EXPECT_EQ (CountTicks (image, DialCentre (index)), expected);
    }
}

//==============================================================================
juce::Image DrawDial (VelmoraLookAndFeel& style, juce::Slider& slider, float position)
{
    juce::Image image (juce::Image::ARGB, 110, 90, true);
    juce::Graphics g (image);
    g.fillAll (juce::Colour (0xff323e44));
    style.drawRotarySlider (g, 0, 0, 110, 90, position, (float) (1.2 * Pi), (float) (2.8 * Pi), slider);
    return image;
}

TEST (VelmoraLookAndFeelTest, TicksFollowTheIntervalUnlessTooCoarseOrTooFine)
{
    struct Case { double Maximum, Interval; int Ticks; };
    const Case cases[] = { { 1.0, 0.0, 11 },           { 5.0 / 9.0, 1.0 / 9.0, 6 }, { 16.0 / 19.0, 1.0 / 19.0, 17 },
                           { 1.0, 0.25, 5 },           { 1.0, 0.5, 3 },            { 1.0, 0.8, 11 },
                           { 1.0, 0.75, 2 },           { 1.0, 0.018, 11 },         { 1.0, 0.05, 21 },
                           { 10.0, 2.5, 5 } };

    VelmoraLookAndFeel style;
    for (const auto& c : cases)
    {
        SCOPED_TRACE (testing::Message() << c.Maximum << " / " << c.Interval);
        juce::Slider slider (juce::Slider::RotaryVerticalDrag, juce::Slider::NoTextBox);
        slider.setRange (0.0, c.Maximum, c.Interval);
        EXPECT_EQ (CountTicks (DrawDial (style, slider, 0.5f), { 55.0, 51.0 }), c.Ticks);
    }
}

TEST (VelmoraLookAndFeelTest, LabelsAreDrawnAtFourFifthsOfTheBaseSize)
{
    VelmoraLookAndFeel style;
    juce::Label label;

    for (const float height : { 16.0f, 40.0f, 9.0f })
    {
        label.setFont (juce::Font (juce::FontOptions (height)));
        EXPECT_FLOAT_EQ (style.getLabelFont (label).getHeight(), 12.8f);
    }

    juce::TextButton button ("Press");
    EXPECT_FLOAT_EQ (style.getTextButtonFont (button, 80).getHeight(), 16.0f);
    EXPECT_EQ (style.findColour (juce::Slider::textBoxTextColourId), juce::Colour (0xffa0a0a0));
}

TEST (VelmoraLookAndFeelTest, DefaultFontTextStaysVisibleWhereHelveticaNeueIsMissing)
{
    VelmoraLookAndFeel style;

    juce::Image image (juce::Image::ARGB, 120, 40, true);
    {
        juce::Graphics g (image);
        g.fillAll (juce::Colours::black);
        g.setColour (juce::Colours::white);
        g.setFont (juce::Font (juce::FontOptions (25.0f)));
        g.drawText ("Gorlan", image.getBounds(), juce::Justification::centredLeft);
    }

    EXPECT_GT (CountPixels (image, image.getBounds(), IsWhite), 40);
}

juce::Image DrawButton (VelmoraLookAndFeel& style, juce::TextButton& button, bool down)
{
    juce::Image image (juce::Image::ARGB, button.getWidth(), button.getHeight(), true);
    juce::Graphics g (image);
    g.fillAll (juce::Colours::red);
    style.drawButtonBackground (g, button, juce::Colours::green, false, down);
    style.drawButtonText (g, button, false, down);
    return image;
}

juce::Rectangle<int> BoundsOfColour (const juce::Image& image, juce::Colour colour)
{
    juce::Rectangle<int> bounds;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (image.getPixelAt (x, y) == colour)
                bounds = bounds.isEmpty() ? juce::Rectangle<int> (x, y, 1, 1)
                                          : bounds.getUnion ({ x, y, 1, 1 });
    return bounds;
}

TEST (VelmoraLookAndFeelTest, PressedButtonShiftsTowardsItsShadow)
{
    VelmoraLookAndFeel style;
    juce::TextButton button ("Go");
    button.setSize (80, 30);

    const auto up = DrawButton (style, button, false);
    const auto down = DrawButton (style, button, true);

    EXPECT_EQ (up.getPixelAt (0, 0), juce::Colour (0xff505050));
    EXPECT_EQ (up.getPixelAt (79, 29), juce::Colours::black);
    EXPECT_EQ (up.getPixelAt (79, 0), juce::Colours::red);
    EXPECT_EQ (down.getPixelAt (0, 0), juce::Colours::red);
    EXPECT_EQ (down.getPixelAt (1, 1), juce::Colour (0xff505050));
    EXPECT_EQ (down.getPixelAt (79, 29), juce::Colours::black);

    const auto upCaption = BoundsOfColour (up, juce::Colour (0xffa0a0a0));
    const auto downCaption = BoundsOfColour (down, juce::Colour (0xffa0a0a0));
    ASSERT_FALSE (upCaption.isEmpty());
    EXPECT_EQ (downCaption.getPosition(), upCaption.getPosition() + juce::Point<int> (2, 2));

    button.setEnabled (false);
    EXPECT_FALSE (BoundsOfColour (DrawButton (style, button, false), juce::Colours::white).isEmpty());
}
} // namespace
