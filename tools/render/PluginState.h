#pragma once

#include "PluginLoader.h"

namespace gorlan::render
{
// State files hold the plug-in's own state: JUCE's XML-in-binary blob of one "settings"
// element. Hosts wrap that blob in their own formats; these functions wrap and unwrap it.

// Accepts a state blob, a "settings" XML document, or a blob a VST3 host saved.
// Throws RenderError when the file is unreadable or holds anything else.
juce::MemoryBlock readStateFile (const juce::File& file);

// Throws RenderError when the hosted format's state cannot be built.
void applyState (HostedPlugin& plugin, const juce::MemoryBlock& pluginState);

// The plug-in's own blob, unwrapped from what the host-side wrapper hands out.
juce::MemoryBlock captureState (HostedPlugin& plugin);
} // namespace gorlan::render
