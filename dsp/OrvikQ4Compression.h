#pragma once

#include "dsp/NRVEffect.h"
#include "dsp/RampedValue.h"
#include "dsp/SmoothedFilter.h"
#include "dsp/ProgramState.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <cmath>
#include <cstdint>

//==============================================================================
/**
    A capacitor charged and discharged through resistors: one of the two networks that build
    the gain element's control voltage. Quantities in SI units.
*/
struct RCNetwork
{
    /** Capacitance in farads. */
    double capacitance = 0.0;

    /** Nominal resistance in ohms. */
    double resistance = 0.0;

    /** Sample period in seconds. */
    double samplePeriod = 0.0;

    /** Capacitor voltage in volts. */
    double voltage = 0.0;

    /** Charge coefficient through R ohms: the fraction of the way to its target voltage that
        the capacitor covers in one sample, 1 - e^(-T / (R C)). The exponent is rounded to float
        and the exponential taken in single precision; the result is widened again. */
    static double chargeCoefficient (double resistanceOhms, double samplePeriodSeconds,
                                     double capacitanceFarads) noexcept
    {
        const auto exponent = static_cast<float> (-samplePeriodSeconds / (resistanceOhms * capacitanceFarads));
        return 1.0 - static_cast<double> (std::exp (exponent));
    }

    /** This network's charge coefficient through R ohms (see chargeCoefficient()). */
    double coefficientFor (double resistanceOhms) const noexcept
    {
        return chargeCoefficient (resistanceOhms, samplePeriod, capacitance);
    }
};

//==============================================================================
/**
    One remembered charge coefficient, so that the exponential runs only when the resistance it
    serves actually changes. The coefficient depends on the resistance alone (every network of
    the compressor has the same capacitance and sample period), so one entry per resistance role
    gives exactly the values a per-network cache would.
*/
struct CachedChargeCoefficient
{
    /** Capacitance in farads and sample period in seconds of the networks served. */
    double capacitance = 0.0, samplePeriod = 0.0;

    /** Resistance in ohms of the remembered coefficient. */
    double resistance = 0.0;

    /** Charge coefficient for that resistance. */
    double coefficient = 0.0;

    /** Sets the network constants and remembers the coefficient of a first resistance. */
    void prepare (double capacitanceFarads, double samplePeriodSeconds, double resistanceOhms) noexcept
    {
        capacitance = capacitanceFarads;
        samplePeriod = samplePeriodSeconds;
        resistance = resistanceOhms;
        coefficient = RCNetwork::chargeCoefficient (resistance, samplePeriod, capacitance);
    }

    /** The charge coefficient through R ohms, recomputed only when R differs from the last. */
    double coefficientFor (double resistanceOhms) noexcept
    {
        if (resistanceOhms != resistance)
        {
            resistance = resistanceOhms;
            coefficient = RCNetwork::chargeCoefficient (resistance, samplePeriod, capacitance);
        }

        return coefficient;
    }
};

//==============================================================================
/**
    The op-amp output amplifier: non-inverting gain 1 + Rf / Rg, slew-rate limited, clipped at
    its supply rails.
*/
struct OpAmpStage
{
    /** Output limit, volts (both polarities). */
    double rail = 15.0;

    /** Slew rate, volts per microsecond. */
    double slewRate = 3.0;

    /** Largest change of the output in one sample, volts. */
    double maxStep = 0.0;

    /** Feedback resistance Rf, ohms. */
    double feedbackResistance = 4300.0;

    /** Resistance to ground Rg, ohms. */
    double groundResistance = 1692.3;

    /** Voltage gain 1 + Rf / Rg. */
    double gain = feedbackResistance / groundResistance + 1.0;

    /** Previous output, volts. */
    double lastOutput = 0.0;

    /** Sets the slew limit for a sample rate and puts the output at rest. */
    void prepare (double sampleRate) noexcept
    {
        maxStep = slewRate * 1.0e6 / sampleRate;
        lastOutput = 0.0;
    }

    /** One output sample, volts, for an input of v volts. The comparisons are written so that
        a value that is not a number takes a limit, so the output always stays finite. */
    double process (double v) noexcept
    {
        double step = v * gain - lastOutput;
        step = step < maxStep ? step : maxStep;
        step = step > -maxStep ? step : -maxStep;

        double y = step + lastOutput;
        y = y > -rail ? y : -rail;
        y = y < rail ? y : rail;

        lastOutput = y;
        return y;
    }
};

//==============================================================================
/**
    The circuit state of one audio channel of the compressor.
*/
struct CompressorChannel
{
    /** High-pass on the detector path (the HPF setting). */
    SmoothedFilter<juce::SingleThreadedIIRFilter> sidechainFilter;

    /** Charged through the attack resistance, discharged through the release resistance,
        coupled to releaseNetwork. */
    RCNetwork attackNetwork;

    /** Discharged through the release resistance plus 4.4 MOhm, coupled to attackNetwork. */
    RCNetwork releaseNetwork;

    /** The output amplifier. */
    OpAmpStage outputStage;

    /** Smallest gain committed in the present block (22.25 = no reduction); read by the meter. */
    double minGain = 22.25;

    /** Gain found for the previous sample: the next sample's gain limits are taken from it. */
    double lastGain = 1.0;

    /** Detector level of the last sample (what the solver balanced against), volts. */
    double lastDetectorLevel = 0.0;

    /** Level the solver found for the last sample, volts. */
    double lastLevel = 0.0;

    /** Solver rounds taken for the last sample. */
    int lastSolverRounds = 0;

    /** Solver rounds taken since preparation (for measuring the solver's cost). */
    std::uint64_t solverRounds = 0;

    /** Values of every state the sample loop reads or changes for this channel (see
        OrvikQ4Compression::isSettled()), as recorded when the channel came to rest. */
    static constexpr int kNumStateValues = 38;
    std::array<double, kNumStateValues> restingState {};

    /** The output sample and the committed gain of every sample once the compressor is at rest
        in silence. */
    float restingOutput = 0.0f;
    double restingCommittedGain = 0.0;

    JUCE_LEAK_DETECTOR (CompressorChannel)
};

//==============================================================================
/**
    The compressor: a gain element in a feedback loop whose gain follows a control voltage,
    built by an attack and a release RC network from the detector level; a high-pass on the
    detector path, a stereo link that blends the channels' detector signals, an op-amp output
    stage and a dry/wet Mix.

    Every sample the loop solves the feedback by bisection (the output level must equal the
    detector level times the gain that the resulting control voltage gives), commits the
    networks to the solved level and drives the output stage.

    Bad input never leaves the state non-finite: an input sample that is not finite counts as
    silence, for the circuit and the dry path alike; a side-chain level that overflows float
    counts as the largest float level (and the side-chain filter restarts from rest); capacitor
    voltages that an absurd resistance setting (zero or negative) lets run away restart at the
    bias voltage; the output stage always stays within its rails.

    Not synchronised: settings changes, preparation and processing must come from one thread at
    a time (the processor hands setting changes to the audio thread). The audio path neither
    locks nor allocates, except to grow the per-block setting buffer for a block longer than any
    reserved.
*/
class OrvikQ4Compression : public NRVEffect
{
public:
    /** Entries of the gain table. */
    static constexpr int kGainTableSize = 32768;

    /** Gain of the gain element without reduction (the last table entry). */
    static constexpr double kNoReductionGain = 22.25;

    /** Control voltage to table index: index i stands for about -i / 16383.5 volts. */
    static constexpr double indexScale = -16383.5;

    /** Channels of settingRamps, in this order. */
    enum SettingRamp
    {
        kRatioDividerRamp = 0,
        kThresholdVoltageRamp,
        kBiasVoltageRamp,
        kAttackResistanceRamp,
        kReleaseResistanceRamp,
        kNumSettingRamps
    };

    /** Creates the compressor and its gain table; liveState supplies the input, output, Mix,
        stereo-link and link-switch ramps, which the sample loop advances. Not owned. */
    explicit OrvikQ4Compression (ProgramState* liveState);

    using NRVEffect::processSamples;

    /** Rebuilds every channel state from scratch for a sample rate and channel count. */
    void prepareToPlay (double newSampleRate, int newNumChannels) override;

    /** Deletes the channel states; the settings are kept. */
    void releaseResources() override;

    /** Does nothing: the stereo link needs every channel of a sample at once. */
    void processSamples (float* data, int numSamples, int channel) override;

    /** Processes channels 0 ... getNumChannels() - 1 of a block in place. */
    void processSamples (float** data, int numSamples) override;

    /** Sets the ratio row (0 "4:1", 1 "12:1", 2 "100:1") with the present threshold scale.
        Nothing happens when the row is already set, unless force is true; an index outside
        0 ... 2 is remembered but changes no setting. */
    void setRatio (int newRatioIndex, bool force) noexcept;

    /** Sizes the per-block setting buffer so that blocks of up to maxSamples never allocate. */
    void reserveBlockSize (int maxSamples);

    /** True while the compressor is at rest in silence: the last block was exactly zero on
        every channel, no setting was ramping, and its last sample left every state as it was.
        Each further block of zeros then gives the same samples again and is written without
        running the circuit. Any non-zero (or negative zero) sample, running ramp, changed
        state or setting, setRatio() (which every settings update calls) or preparation ends
        it. */
    bool isSettled() const noexcept { return settled; }

    /** The gain of the gain element against control voltage (see indexScale). */
    const std::array<float, kGainTableSize>& getGainTable() const noexcept { return gainTable; }

    /** Factor by which the solved gain may fall from one sample to the next. */
    double getMaxGainFallPerSample() const noexcept { return maxGainFallPerSample; }

    /** Factor by which the solved gain may rise from one sample to the next. */
    double getMaxGainRisePerSample() const noexcept { return maxGainRisePerSample; }

    //==============================================================================
    /** The processor's live settings (not owned). */
    ProgramState* liveState;

    /** One circuit state per prepared channel. */
    juce::OwnedArray<CompressorChannel> channels;

    /** Ratio row last passed to setRatio(). */
    int ratioIndex = 0;

    /** Side-chain HPF choice last applied (0 off, 1 100 Hz, 2 300 Hz); 0 after preparation. */
    int hpfIndex = 0;

    /** Scale of the threshold and bias voltages. */
    double thresholdScale = 0.6;

    /** Feedback divider of the ratio row. */
    RampedValue ratioDivider;

    /** Threshold voltage, volts (negative). */
    RampedValue thresholdVoltage;

    /** Bias voltage toward which both networks discharge, volts (negative). */
    RampedValue biasVoltage;

    /** Attack resistance, ohms. */
    RampedValue attackResistance;

    /** Release resistance, ohms. */
    RampedValue releaseResistance;

    /** Per-sample values of the five settings over the present block (see SettingRamp). */
    juce::AudioSampleBuffer settingRamps;

private:
    void fillGainTable() noexcept;
    void runSamples (float** data, int begin, int end, int numStates) noexcept;
    bool isQuietBlock (const float* const* data, int numSamples, int numStates) const noexcept;
    void recordState (double* sharedValues) const noexcept;
    bool stateMatches (const double* sharedValues, bool perChannel) const noexcept;

    /** Number of shared values in the resting state (the ten ramps the loop reads). */
    static constexpr int kNumSharedStateValues = 10;
    std::array<double, kNumSharedStateValues> restingSettings {};
    bool settled = false;

    std::array<float, kGainTableSize> gainTable;
    double minTableGain = 0.0, maxTableGain = 0.0;
    double maxGainRisePerSample = 1.0, maxGainFallPerSample = 1.0;

    // Charge coefficients by resistance role, shared by every channel.
    CachedChargeCoefficient attackCharge, attackDischarge, networkCoupling, releaseDischarge;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OrvikQ4Compression)
};
