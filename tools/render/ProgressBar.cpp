#include "ProgressBar.h"

#include <cstdio>
#include <unistd.h>

namespace gorlan::render
{
namespace
{
constexpr double shortestShownRender = 5.0; // seconds of audio
constexpr int barWidth = 32;
constexpr juce::uint32 redrawInterval = 100; // ms
} // namespace

ProgressBar::ProgressBar (double expectedSeconds)
    : expected (expectedSeconds),
      shown (::isatty (STDERR_FILENO) != 0 && expectedSeconds >= shortestShownRender)
{
}

ProgressBar::~ProgressBar()
{
    clear();
}

void ProgressBar::update (double renderedSeconds)
{
    const auto now = juce::Time::getMillisecondCounter();

    if (! shown || (drawnOnce && now - lastDrawn < redrawInterval))
        return;

    lastDrawn = now;
    drawnOnce = true;
    draw (renderedSeconds);
}

void ProgressBar::draw (double renderedSeconds)
{
    const double fraction = juce::jlimit (0.0, 1.0, renderedSeconds / expected);
    const int filled = juce::roundToInt (fraction * barWidth);
    const auto bar = juce::String::repeatedString ("#", filled) + juce::String::repeatedString ("-", barWidth - filled);
    const auto tail = renderedSeconds > expected ? "  release tail +" + juce::String (renderedSeconds - expected, 1) + " s"
                                                 : juce::String();

    std::fprintf (stderr, "\r[%s] %3d%%  %.1f / %.1f s%s   ", bar.toRawUTF8(), juce::roundToInt (fraction * 100.0),
                  renderedSeconds, expected, tail.toRawUTF8());
    std::fflush (stderr);
}

void ProgressBar::clear()
{
    if (! drawnOnce)
        return;

    std::fprintf (stderr, "\r%*s\r", barWidth + 60, "");
    std::fflush (stderr);
}
} // namespace gorlan::render
