#include "VelmoraLookAndFeel.h"

#include <cmath>

namespace
{
int Truncated (double v) noexcept { return static_cast<int> (v); }

int BlurRadius (double v) noexcept { return std::max (1, Truncated (v)); }

juce::Path CircleAround (double centreX, double centreY, double radius)
{
    juce::Path path;
    path.addEllipse (static_cast<float> (centreX - radius), static_cast<float> (centreY - radius),
                     static_cast<float> (2.0 * radius), static_cast<float> (2.0 * radius));
    return path;
}

juce::AffineTransform RotatedAbout (float angle, double centreX, double centreY) noexcept
{
    return juce::AffineTransform::rotation (angle).translated (static_cast<float> (centreX), static_cast<float> (centreY));
}

void FillEllipse (juce::Graphics& g, juce::Colour colour, double x, double y, double size)
{
    g.setColour (colour);
    g.fillEllipse (static_cast<float> (x), static_cast<float> (y), static_cast<float> (size), static_cast<float> (size));
}

void DrawRing (juce::Graphics& g, double r, double t, double centreX, double centreY)
{
    const auto ring = CircleAround (centreX, centreY, 1.02 * r);
    g.setColour (juce::Colour (0xff000000));
    g.strokePath (ring, juce::PathStrokeType (static_cast<float> (0.5 * t), juce::PathStrokeType::mitered,
                                              juce::PathStrokeType::butt));
    juce::DropShadow (juce::Colour (0x50000000), BlurRadius (0.5 * t), { 0, -Truncated (t) }).drawForPath (g, ring);
}

void DrawBody (juce::Graphics& g, double r, double t, double centreX, double centreY)
{
    const auto bodyRadius = 0.8 * r;
    juce::DropShadow (juce::Colours::black, BlurRadius (t), { 0, Truncated (t) })
        .drawForPath (g, CircleAround (centreX, centreY, bodyRadius));

    const auto left = centreX - bodyRadius, top = centreY - bodyRadius, size = 2.0 * bodyRadius;
    FillEllipse (g, juce::Colour (0xffffffff), left, top - 1.0, size);
    FillEllipse (g, juce::Colour (0xff000000), left, top + 1.0, size);

    g.setGradientFill (juce::ColourGradient (juce::Colour (0xffa0a0a0), static_cast<float> (centreX),
                                             static_cast<float> (centreY - 0.6 * r), juce::Colour (0xff707070),
                                             static_cast<float> (centreX), static_cast<float> (centreY + r + 0.1), true));
    g.fillEllipse (static_cast<float> (left), static_cast<float> (top), static_cast<float> (size), static_cast<float> (size));
}

void DrawPointer (juce::Graphics& g, float angle, double r, double t, double centreX, double centreY)
{
    juce::Path pointer;
    pointer.addRectangle (static_cast<float> (-1.5 * t), static_cast<float> (2.0 * t - 0.8 * r),
                          static_cast<float> (3.0 * t), static_cast<float> (0.4 * r));
    pointer.applyTransform (RotatedAbout (angle, centreX, centreY));

    juce::DropShadow (juce::Colours::black, BlurRadius (0.5 * t), { 0, Truncated (t) }).drawForPath (g, pointer);
    g.setColour (juce::Colour (0xfff0f0f0));
    g.fillPath (pointer);
}

// Steps that are too coarse or too fine to read get ticks at every tenth instead.
float TickSpacing (const juce::Slider& slider) noexcept
{
    const auto fraction = static_cast<float> (slider.getInterval() / (slider.getMaximum() - slider.getMinimum()));
    return (std::isnan (fraction) || fraction > 0.79f || fraction < 0.019f) ? 0.1f : fraction;
}

bool HasSystemTypeface (const juce::String& name)
{
    return juce::Typeface::createSystemTypefaceFor (juce::Font (juce::FontOptions (name, 12.0f, juce::Font::plain))) != nullptr;
}
} // namespace

VelmoraLookAndFeel::VelmoraLookAndFeel()
{
    setColour (juce::Slider::textBoxTextColourId, juce::Colour (0xffa0a0a0));

    // Naming a typeface the system lacks would leave every default-font text blank on Linux.
    if (HasSystemTypeface (PreferredSansSerif))
        juce::LookAndFeel::getDefaultLookAndFeel().setDefaultSansSerifTypefaceName (PreferredSansSerif);
}

void VelmoraLookAndFeel::drawButtonBackground (juce::Graphics& g, juce::Button& button, const juce::Colour&,
                                               bool, bool isButtonDown)
{
    const auto width = button.getWidth(), height = button.getHeight();
    const auto m = std::min (width, 2), n = std::min (height, 2);
    g.setColour (juce::Colours::black);
    g.fillRect (m, n, width - m, height - n);

    const auto shift = isButtonDown ? 1 : 2;
    g.setColour (juce::Colour (0xff505050));
    g.fillRect (m - shift, n - shift, width - m, height - n);
}

juce::Font VelmoraLookAndFeel::getTextButtonFont (juce::TextButton&, int)
{
    return juce::Font (juce::FontOptions (FontSize));
}

void VelmoraLookAndFeel::drawButtonText (juce::Graphics& g, juce::TextButton& button, bool, bool isButtonDown)
{
    const auto font = getTextButtonFont (button, button.getHeight());
    g.setFont (font);
    g.setColour (button.isEnabled() ? juce::Colour (0xffa0a0a0) : juce::Colours::white);

    const auto width = button.getWidth(), height = button.getHeight();
    const auto cornerSize = std::min (width, height) / 2;
    const auto fontHeight = juce::roundToInt (font.getHeight() * 0.6f);
    const auto leftIndent = std::min (fontHeight, 2 + cornerSize / (button.isConnectedOnLeft() ? 4 : 2));
    const auto rightIndent = std::min (fontHeight, 2 + cornerSize / (button.isConnectedOnRight() ? 4 : 2));
    const auto textWidth = width - leftIndent - rightIndent;

    if (textWidth <= 0)
        return;

    const auto yIndent = std::min (4, juce::roundToInt (height * 0.3));
    const auto offset = isButtonDown ? 3 : 1;
    g.drawFittedText (button.getButtonText(), leftIndent + offset, yIndent + offset, textWidth,
                      height - 2 * yIndent - 4, juce::Justification::centred, 2);
}

juce::Font VelmoraLookAndFeel::getLabelFont (juce::Label& label)
{
    return label.getFont().withHeight (0.8f * FontSize);
}

void VelmoraLookAndFeel::drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height,
                                           float sliderPosProportional, float rotaryStartAngle,
                                           float rotaryEndAngle, juce::Slider& slider)
{
    const auto r = 0.4 * std::min (width, height);
    const auto t = 0.04 * r;
    const auto centreX = x + 0.5 * width;
    const auto centreY = y + 0.5 * height + 6.0;
    const auto tickLength = static_cast<double> (static_cast<float> (0.1 * r));
    const auto angle = rotaryStartAngle + sliderPosProportional * (rotaryEndAngle - rotaryStartAngle);

    AddSteps (g, slider, rotaryStartAngle, rotaryEndAngle, r, t, centreX, centreY, tickLength, true);
    AddSteps (g, slider, rotaryStartAngle, rotaryEndAngle, r, t, centreX, centreY, tickLength, false);
    DrawRing (g, r, t, centreX, centreY);
    DrawBody (g, r, t, centreX, centreY);
    DrawPointer (g, angle, r, t, centreX, centreY);
}

void VelmoraLookAndFeel::AddSteps (juce::Graphics& g, juce::Slider& slider, float startAngle, float endAngle,
                                   double radius, double lineWidth, double centreX, double centreY,
                                   double tickLength, bool shadowPass)
{
    const auto spacing = TickSpacing (slider);
    const auto tickWidth = (shadowPass ? 0.707f : 0.4f) * lineWidth;
    const juce::DropShadow glow (juce::Colour (0x40ffffff), BlurRadius (0.1 * lineWidth), { 0, Truncated (0.25 * lineWidth) });

    for (float position = 0.0f; position <= 1.01f; position += spacing)
    {
        juce::Path tick;
        tick.addRectangle (static_cast<float> (-tickWidth), static_cast<float> (-(radius - lineWidth)),
                           static_cast<float> (tickWidth), static_cast<float> (tickLength));
        tick.applyTransform (RotatedAbout (startAngle + position * (endAngle - startAngle), centreX, centreY));

        if (shadowPass)
        {
            glow.drawForPath (g, tick);
            g.setColour (juce::Colour (0xff000000));
        }
        else
        {
            g.setColour (juce::Colour (0x50000000));
        }

        g.fillPath (tick);
    }
}
