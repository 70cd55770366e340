#pragma once

#include "dsp/NRVHum.h"
#include "dsp/OrvikQ4Compression.h"
#include "dsp/OrvikQ4Transfo.h"
#include "processor/NoiseSource.h"
#include "dsp/ProgramState.h"
#include "processor/SettingsQueue.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <atomic>

namespace OrvikQ4
{

/** Parameter indices, shared by the processor, the saved state and the editor. */
enum ParameterIndex
{
    kInput = 0,
    kOutput,
    kAttack,
    kRelease,
    kMix,
    kRatio,
    kHPF,
    kContAttack,
    kContRelease,
    kStereoLink,
    kBypass,
    kContOn,
    kLinkOn,
    kAnalogOn,
    kNumParameters
};

/** Number of factory programs. */
constexpr int kNumPrograms = 11;

/** Normalised default of every parameter, in index order. */
extern const float cDefaultValues[kNumParameters];

/**
    The plug-in instance: owns the live settings, the factory programs and the three effects,
    exposes the 14 parameters, programs and saved state, and runs the signal chain.

    Threads: parameter, program and state calls may arrive on any thread while a block is being
    processed. They never touch the audio-side settings themselves: each call publishes its new
    value for readers (parameters, saved state, editor) at once and hands the change to the
    audio side through a lock-free queue, which the next block (or preparation) applies in the
    order the calls were made. A program selection or a state load is handed over as one change
    and applied at one block boundary. Every published setting carries a version that counts
    its writes; the audio side applies a setting only if it is newer than the one it has, so
    once the queue has been applied the audio side uses exactly the published settings, however
    the calls of different threads interleaved. The audio thread therefore never waits, and the
    settings it works on only ever change between blocks.
*/
class TarskAudioProcessor : public juce::AudioProcessor,
                            private juce::Timer
{
public:
    /** One automatable parameter; holds no value of its own but reads and writes its owner's. */
    class OrvikQ4Parameter : public juce::AudioProcessorParameter
    {
    public:
        OrvikQ4Parameter (TarskAudioProcessor& owner, int index);

        float getValue() const override;
        void setValue (float newValue) override;
        float getDefaultValue() const override;
        juce::String getName (int maximumStringLength) const override;
        juce::String getLabel() const override;
        int getNumSteps() const override;
        juce::String getText (float value, int maximumStringLength) const override;
        float getValueForText (const juce::String& text) const override;
        bool isMetaParameter() const override;

        /** The parameter's index, 0 ... 13. */
        int getIndex() const noexcept { return index; }

    private:
        TarskAudioProcessor& owner;
        const int index;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OrvikQ4Parameter)
    };

    TarskAudioProcessor();
    ~TarskAudioProcessor() override;

    //==============================================================================
    const juce::String getName() const override;
    const juce::String getInputChannelName (int channelIndex) const override;
    const juce::String getOutputChannelName (int channelIndex) const override;
    bool isInputChannelStereoPair (int index) const override;
    bool isOutputChannelStereoPair (int index) const override;
    bool silenceInProducesSilenceOut() const override;
    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;

    //==============================================================================
    void prepareToPlay (double sampleRate, int estimatedSamplesPerBlock) override;
    void releaseResources() override;
    void processBlock (juce::AudioSampleBuffer& buffer, juce::MidiBuffer& midi) override;
    void processBlockBypassed (juce::AudioSampleBuffer& buffer, juce::MidiBuffer& midi) override;
    using juce::AudioProcessor::processBlock;
    using juce::AudioProcessor::processBlockBypassed;

    //==============================================================================
    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    //==============================================================================
    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;

    //==============================================================================
    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    //==============================================================================
    /** Short name of a parameter (its saved-state attribute); empty outside 0 ... 13. */
    static juce::String getParameterShortName (int index);

    /** Step count of a parameter as its objects report it. */
    int parameterGetNumSteps (int index) const;

    /** Display text of a normalised value of a parameter. */
    juce::String parameterGetText (int index, float value, int maximumStringLength) const;

    /** Normalised value that a display text stands for. */
    float parameterGetValueForText (int index, const juce::String& text) const;

    /** Re-derives the compressor's resistances, ratio, side-chain filter and threshold scale
        from the live settings. Audio side only (see the class notes). */
    void updateCompression() noexcept;

    //==============================================================================
    /** A parameter's setting in internal form (gain, choice index, fraction or 0/1) as last set
        by a parameter, program or state call: what the parameters, the saved state and the
        editor read. Any thread. */
    double getSetting (int index) const noexcept;

    /** The gain-reduction meter value in dB (0 down to -100) after the last block. Any thread. */
    double getGainReductionDb() const noexcept;

    /** Applies the setting changes handed over since the last block. Called by the audio
        thread at the start of every block and by preparation; also by a caller that knows no
        block is being processed (tests, offline use). */
    void applyPendingSettings() noexcept;

    /** The audio-side live settings (read them only while no block is processed). */
    const ProgramState& getLiveState() const noexcept { return liveState; }

    /** A factory program's settings. */
    const ProgramState& getProgramState (int index) const noexcept { return programStates[juce::jlimit (0, kNumPrograms - 1, index)]; }

    /** The compressor (read it only while no block is processed). */
    const OrvikQ4Compression& getCompressor() const noexcept { return compressor; }

    /** The transformer (read it only while no block is processed). */
    const OrvikQ4Transfo& getTransformer() const noexcept { return transfo; }

    /** The hum generator (read it only while no block is processed). */
    const NRVHum& getHum() const noexcept { return hum; }

    /** Per-block meter decay coefficient. */
    double getMeterCoefficient() const noexcept { return meterCoeff; }

    /** Millisecond counter used for the program hold after a state load; replaceable so the
        hold can be tested without waiting. */
    using MillisecondClock = juce::uint32 (*)();
    void setMillisecondClock (MillisecondClock clock) noexcept { millisecondClock.store (clock); }

    /** True once this process has decided, from the first processor asked for a step count,
        whether continuous parameters report the low-resolution step count. */
    static bool isStepResolutionDecided() noexcept;

private:
    //==============================================================================
    void writeFactoryPrograms();
    void publishProgram (int index, SettingChange& change) noexcept;
    juce::uint32 publish (int index, juce::uint64 setting) noexcept;
    double settingFrom (int index, juce::uint64 published) const noexcept;
    bool takeIfNewer (const SettingChange& change, int index) noexcept;
    void handOver (const SettingChange& change) noexcept;
    void applySetting (const SettingChange& change) noexcept;
    void applyProgram (const SettingChange& change) noexcept;
    void takeProgram (int index, std::uint32_t settings) noexcept;
    void resynchroniseFromPublished() noexcept;
    void setParameterValue (int index, float value) noexcept;
    void updateMeter() noexcept;
    float getParameterValue (int index) const noexcept;
    juce::uint32 now() const noexcept;
    void timerCallback() override;

    //==============================================================================
    ProgramState liveState;
    juce::String programNames[kNumPrograms];
    ProgramState programStates[kNumPrograms];
    std::atomic<int> currentProgram { 0 };
    std::atomic<juce::uint32> lastStateLoadMs { 0 };
    OrvikQ4Compression compressor { &liveState };
    OrvikQ4Transfo transfo;
    NRVHum hum;
    juce::AudioSampleBuffer scratchBuffer;
    double meterCoeff = 0.0;

    // Hand-over between the callers and the audio side. A published setting is one word: the
    // version of the parameter's setting (31 bits, counting its writes), whether it came from a
    // factory program, and the normalised value set (float bits) or the program's number. One
    // word, so that a value and its version are always published together.
    std::array<std::atomic<juce::uint64>, kNumParameters> publishedSettings;
    std::atomic<double> publishedGainReductionDb { 0.0 };
    std::atomic<bool> stateLoaded { false };
    std::atomic<bool> resynchronise { false };
    std::atomic<bool> programValuesToAnnounce { false };
    std::atomic<MillisecondClock> millisecondClock;
    SettingsQueue pendingSettings;

    /** A state load in progress on this thread: the parameters it sets are published one by
        one but handed to the audio side together, as one change. */
    struct StateLoad
    {
        TarskAudioProcessor* owner = nullptr;
        SettingChange change;
    };
    static thread_local StateLoad* stateLoadOnThisThread;

    // Audio side: the version of each setting it applied last.
    std::array<juce::uint32, kNumParameters> appliedVersions {};

    // Audio side: what the last preparation set up, and the analog noise generator.
    bool prepared = false;
    int preparedChannels = 0;
    double preparedSampleRate = 44100.0;
    NoiseSource noise;

    friend class OrvikQ4Parameter;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TarskAudioProcessor)
};

} // namespace OrvikQ4
