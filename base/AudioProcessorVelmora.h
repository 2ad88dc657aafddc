#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_dsp/juce_dsp.h>

#include <map>
#include <memory>
#include <vector>

namespace juce
{

struct StereoSample
{
    float Left = 0, Right = 0;
};

// The maker's processor base: an oversampling stage, programs and the saved state.
class AudioProcessorVelmora : public AudioProcessor
{
public:
    // Stereo "Input" (inactive; not declared at all in the LV2 build) and stereo "Output" (active).
    AudioProcessorVelmora();
    ~AudioProcessorVelmora() override;

    virtual void PreCalculate() = 0;
    virtual StereoSample ProcessPerSample (StereoSample) = 0;
    virtual void ProcessPerBuffer (AudioBuffer<float>&, int) {}

    void InitOversampling (int numChannels);
    void AddPreset (const char* name, const char* settings);
    static String DawFromPath (const String& executablePath);
    static String CurrentUserName();
    static BusesProperties DeclaredBuses();

    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;
    using AudioProcessor::processBlock;
    void processBlock (AudioBuffer<float>&, MidiBuffer&) override;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const String getProgramName (int index) override;
    void changeProgramName (int index, const String& newName) override;
    void getStateInformation (MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    dsp::Oversampling<float>* GetOversampler() const noexcept { return Oversampler.get(); }
    int GetOversamplerChannels() const noexcept { return OversamplerChannels; }
    int64 GetOversamplerBlockSize() const noexcept { return OversamplerBlockSize; }
    int32 GetOversamplingFactor() const noexcept { return OversamplingFactor; }
    float GetActiveOversamplingFactor() const noexcept { return ActiveOversamplingFactor; }
    int64 GetMaxOversamplingBlock() const noexcept { return MaxOversamplingBlock; }
    double GetLastSampleRate() const noexcept { return LastSampleRate; }
    const std::map<String, String>& GetStateAttributes() const noexcept { return StateAttributes; }

protected:
    struct Preset
    {
        String Name;
        String Settings;
    };

    double LastSampleRate = 96000.0;
    std::map<String, String> StateAttributes;
    std::vector<Preset> Presets;
    int CurrentProgram = 0;
    float ActiveOversamplingFactor = 1.0f;
    int64 MaxOversamplingBlock = 32768;
    std::unique_ptr<dsp::Oversampling<float>> Oversampler;
    int32 OversamplingFactor = 1;

private:
    void BuildOversampler (int numChannels);
    void AddDefaultPresetIfEmpty();
    void RefreshInformationalAttributes();
    std::unique_ptr<XmlElement> CreateStateElement();
    void KeepDateWhenUnchanged (XmlElement& state);
    void ApplyParameterValues (const XmlElement& state);
    void StoreAttributes (const XmlElement& state);

    int OversamplerChannels = 0;
    int64 OversamplerBlockSize = 0;
    // The last state written or loaded, to keep "date_modified" while nothing changed.
    std::unique_ptr<XmlElement> LastState;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AudioProcessorVelmora)
};

} // namespace juce
