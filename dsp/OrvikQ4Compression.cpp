#include "dsp/OrvikQ4Compression.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace
{
    //==============================================================================
    // Circuit constants.

    /** Nominal attack resistance, ohms, and nominal (series) release resistance, ohms. */
    constexpr double kNominalAttackResistance = 467.73;
    constexpr double kNominalReleaseResistance = 4.4e6;

    /** Capacitance of both networks, farads. */
    constexpr double kNetworkCapacitance = 2.2e-7;

    /** Coupling resistance between the two networks, ohms. */
    constexpr double kCouplingResistance = 2.2e6;

    /** Added to the release resistance for the release network's discharge path, ohms. */
    constexpr double kReleaseSeriesResistance = 4.4e6;

    /** Scale of the input into the circuit, and of the two capacitor voltages into their mean. */
    constexpr double kHalf = 0.5;

    /** Detector drive in volts per volt of level and unit of the ratio divider. */
    constexpr double kDrivePerVolt = 6.464480874;

    /** The detector drive saturates here inside the solver (volts). */
    constexpr double kMaxSolverDrive = 16.0;

    /** Widening of the solver's gain limits, and the bracket width at which it stops (volts). */
    constexpr double kSolverWidth = 5.0e-6;

    /** Most solver rounds per sample. */
    constexpr int kMaxSolverRounds = 20;

    /** Share of the level that feeds through to the control voltage. */
    constexpr double kLevelFeedthrough = 0.02;

    /** Gain from the gain element into the output stage. */
    constexpr double kOutputStageDrive = 5.3;

    /** Fastest fall and rise of the solved gain, decibels per second (divided by the sample
        rate: decibels per sample). */
    constexpr double kGainFallDbPerSecond = 200000.0;
    constexpr double kGainRiseDbPerSecond = 400.0;

    /** Last entry of the gain table. */
    constexpr double kLastTableIndex = OrvikQ4Compression::kGainTableSize - 1;

    /** Ratio rows: divider, threshold = ((offset + x) / (x + load)) * -10 with
        x = 2000 * threshold scale, bias = biasPerScale * threshold scale. */
    struct RatioRow
    {
        double divider, thresholdOffset, thresholdLoad, biasPerScale;
    };

    constexpr RatioRow kRatioRows[] = {
        { 0.348717949, 150.0, 4401.0, -3.04735 },  // 4:1
        { 0.364102564, 201.0, 4401.0, -3.04735 },  // 12:1
        { 0.548387097, 150.0, 2350.0, -4.16949 },  // 100:1
    };

    constexpr double kThresholdScaleFactor = 2000.0;
    constexpr double kThresholdVolts = -10.0;

    //==============================================================================
    /** Where the model rounds a double quantity to single precision. */
    inline float toFloat (double x) noexcept { return static_cast<float> (x); }

    /** A voltage rounded to single precision and widened again, as the model does for the
        control voltage. */
    inline double roundedToFloat (double x) noexcept { return static_cast<double> (static_cast<float> (x)); }

    /** Gain-table index for a scaled control voltage: truncated toward zero and limited to the
        table. Written so that no out-of-range or not-a-number value is converted to int. */
    inline int tableIndexFor (double x) noexcept
    {
        // The larger of 0 and x, with not-a-number giving 0; then the smaller of that and the
        // last index. Below 1 the truncation gives 0 as well.
        x = 0.0 < x ? x : 0.0;
        x = x < kLastTableIndex ? x : kLastTableIndex;
        return static_cast<int> (x);
    }

    /** An input sample as the circuit sees it: a sample that is not finite counts as silence. */
    inline double sanitised (float sample) noexcept
    {
        return std::isfinite (sample) ? static_cast<double> (sample) : 0.0;
    }

    /** The detector level of a side-chain sample. A level that overflowed float counts as the
        largest float level; one that is not a number as silence. */
    inline double detectorLevelOf (float sideChain) noexcept
    {
        const double s = std::abs (static_cast<double> (sideChain));

        if (s <= static_cast<double> (FLT_MAX))
            return s;

        return s > static_cast<double> (FLT_MAX) ? static_cast<double> (FLT_MAX) : 0.0;
    }

    //==============================================================================
    /** One channel's part in the per-sample solution of the feedback loop. */
    struct SolverLane
    {
        double detectorLevel;  // s
        double feedthrough;    // the share of s subtracted from the control voltage
        double attackVolts;    // attack capacitor before this sample
        double releaseVolts;   // release capacitor before this sample
        double lo, hi;         // bracket of the level
        double restingGain;    // gain with the capacitors as they stand
        double restingLevel;   // detectorLevel * restingGain
        double level, gain;    // the last round's level and gain
        int rounds;            // rounds taken
    };

    /** The values every channel of one sample shares. */
    struct Settings
    {
        // The five compressor settings of this sample, and the charge coefficients they give.
        double divider, threshold, bias;
        double attackCharge, attackDischarge, coupling, releaseDischarge;
        // True when a higher level can only lower the gain (see the solver below).
        bool gainFallsWithLevel;
        // Per-block constants: the gain table, its range and the per-sample gain limits.
        const float* gainTable;
        double minTableGain, maxTableGain, maxGainFall, maxGainRise;
    };
}

//==============================================================================
// The solver. The level m is balanced against the detector level s times the gain g(m) that
// the control voltage reached at m gives: a round halves the bracket [lo, hi], keeping the
// lower half when s * g(m) < m (the level is too high) and the upper half otherwise. The first
// round always runs; later ones only while the bracket is wider than the stopping width, and
// never more than the round limit. The result is the level and gain of the last round.
//
// While a level's charge target stays below the attack capacitor, the capacitor is not charged
// and g(m) is the resting gain (the capacitors as they stand), known before the first round.
// Other levels read g(m) through a long chain: charge, control voltage rounded to float, table
// index, table read.
//
// g never rises with m (a higher level charges the capacitor further, a higher control voltage
// reads a lower table entry, and each rounding on the way keeps that order), so when the
// resting level T = s * resting gain itself leaves the capacitor uncharged, every level up to T
// is resting and not too high, and every level above T is too high (its gain is at most the
// resting gain). The rounds then only compare m with T, and g is read once, for the last level.
// When T charges the capacitor, every gain read still bounds g on one side of it, and most
// rounds decide from the bounds (see solveLane). The order holds unless a charge coefficient or
// ratio divider is below 0 (absurd settings); then every round decides as described first.
namespace
{
    /** The gain with the attack capacitor at attackVolts: the control voltage (the mean of the
        two capacitors, rounded to float) less the detector level's share, read from the table. */
    inline double gainAtControlVoltage (double attackVolts, const SolverLane& lane, const Settings& k) noexcept
    {
        const double control = roundedToFloat ((attackVolts + lane.releaseVolts) * kHalf);
        return static_cast<double> (k.gainTable[tableIndexFor ((control - lane.feedthrough) * OrvikQ4Compression::indexScale)]);
    }

    /** The solver's charge target at level m: the threshold plus the drive, which saturates. */
    inline double chargeTargetAt (double m, const Settings& k) noexcept
    {
        return k.threshold + std::min (k.divider * m * kDrivePerVolt, kMaxSolverDrive);
    }

    /** g(m) at any level: the resting gain when the target leaves the attack capacitor
        uncharged, otherwise the gain with the capacitor charged toward the target. The networks
        are read, not changed. */
    inline double gainAtLevel (double m, const SolverLane& lane, const Settings& k) noexcept
    {
        const double target = chargeTargetAt (m, k);

        if (lane.attackVolts >= target)
            return lane.restingGain;

        return gainAtControlVoltage ((target - lane.attackVolts) * k.attackCharge + lane.attackVolts, lane, k);
    }

    /** Whether another round runs after `rounds` rounds with the bracket [lo, hi]. */
    inline bool anotherRound (int rounds, double lo, double hi) noexcept
    {
        return rounds < kMaxSolverRounds && hi - lo > kSolverWidth;
    }

    /** Solves one channel's level and gain. */
    inline void solveLane (SolverLane& lane, const Settings& k) noexcept
    {
        const double s = lane.detectorLevel;
        const double restingLevel = lane.restingLevel;
        double lo = lane.lo, hi = lane.hi, m, g;
        int rounds = 0;

        if (k.gainFallsWithLevel && lane.attackVolts >= chargeTargetAt (restingLevel, k))
        {
            // The outcome is a branch, not a selection of values: it is mostly predicted, and
            // the next round need not wait for the comparison.
            for (;;)
            {
                m = (lo + hi) * kHalf;
                ++rounds;

                if (restingLevel < m)
                {
                    hi = m;

                    if (! anotherRound (rounds, lo, hi))
                        break;
                }
                else
                {
                    lo = m;

                    if (! anotherRound (rounds, lo, hi))
                        break;
                }
            }

            g = gainAtLevel (m, lane, k);
        }
        else
        {
            // While the order holds, the gains read so far bound g inside the bracket: an upper
            // bound from its low side (the resting gain to start with) and a lower bound from
            // its high side (read at the upper end to start with). When s times the upper bound
            // is below m, m is too high whatever g(m) is; when s times the lower bound is not
            // below m, it is not; only otherwise is g(m) read.
            const bool bounded = k.gainFallsWithLevel;
            double upper = lane.restingGain;
            double lower = bounded ? gainAtLevel (hi, lane, k) : 0.0;
            bool known = true;

            do
            {
                m = (lo + hi) * kHalf;
                const double target = chargeTargetAt (m, k);
                bool tooHigh;

                if (lane.attackVolts >= target)
                {
                    g = lane.restingGain;
                    known = true;
                    tooHigh = restingLevel < m;
                }
                else if (bounded && s * upper < m)
                {
                    g = upper;
                    known = upper == lower;
                    tooHigh = true;
                }
                else if (bounded && ! (s * lower < m))
                {
                    g = lower;
                    known = upper == lower;
                    tooHigh = false;
                }
                else
                {
                    g = gainAtControlVoltage ((target - lane.attackVolts) * k.attackCharge + lane.attackVolts, lane, k);
                    known = true;
                    tooHigh = s * g < m;
                }

                // A gain read bounds the rest of the bracket from the side it was read on.
                if (bounded && known)
                {
                    if (tooHigh)
                        lower = g;
                    else
                        upper = g;
                }

                hi = tooHigh ? m : hi;
                lo = tooHigh ? lo : m;
            }
            while (anotherRound (++rounds, lo, hi));

            // Decided by the bounds alone: the last level's gain is read now.
            if (! known)
                g = gainAtLevel (m, lane, k);
        }

        lane.level = m;
        lane.gain = g;
        lane.rounds = rounds;
    }

    /** Commits the networks of a channel to the solved level and returns the gain that their
        control voltage gives. a is the channel's own signal into the circuit. */
    inline double commitNetworks (CompressorChannel& channel, double level, double a, const Settings& k) noexcept
    {
        auto& attackNetwork = channel.attackNetwork;
        auto& releaseNetwork = channel.releaseNetwork;
        const double attackVolts = attackNetwork.voltage;
        const double releaseVolts = releaseNetwork.voltage;

        // Unlike in the solver, the drive is not saturated here.
        const double target = k.threshold + std::abs (k.divider * level) * kDrivePerVolt;
        const double charged = target >= attackVolts
                                 ? (target - attackVolts) * k.attackCharge + attackVolts
                                 : attackVolts;
        const double exchange = (releaseVolts - attackVolts) * k.coupling;

        double newAttack = (charged + exchange) + (k.bias - attackVolts) * k.attackDischarge;
        double newRelease = (releaseVolts - exchange) + (k.bias - releaseVolts) * k.releaseDischarge;

        // Finite levels keep the voltages finite unless a resistance setting is absurd (zero or
        // negative); capacitors that ran away restart at the bias voltage.
        if (! (std::isfinite (newAttack) && std::isfinite (newRelease)))
            newAttack = newRelease = std::isfinite (k.bias) ? k.bias : 0.0;

        attackNetwork.voltage = newAttack;
        releaseNetwork.voltage = newRelease;

        const double control = roundedToFloat ((newRelease + newAttack) * kHalf);
        return static_cast<double> (k.gainTable[tableIndexFor ((a * -kLevelFeedthrough + control) * OrvikQ4Compression::indexScale)]);
    }

    //==============================================================================
    // The sample loop runs in chunks of samples, in four passes per chunk: the live settings,
    // then per pair of channels the detector, the solver with the commit, and the output stage
    // with the Mix. Each pass carries a different state from sample to sample (ramps, side-chain
    // filter, networks, output stage), and no pass reads a state that a later one changes, so the
    // samples come out as they would sample by sample, while the solver's loop holds only the
    // solver and the commit.

    /** Samples per chunk: the chunk's values stay in the first-level cache. */
    constexpr int kChunkSize = 64;

    /** What every channel shares, per sample of a chunk. */
    struct ChunkSettings
    {
        double inputGain[kChunkSize], outputGain[kChunkSize], link[kChunkSize], wet[kChunkSize];
        double mean[kChunkSize];
        double attackCharge[kChunkSize], attackDischarge[kChunkSize], releaseDischarge[kChunkSize];
    };

    /** The next values of a live setting, one per sample: a steady one needs no stepping. */
    void nextValues (RampedValue& ramp, double* destination, int count) noexcept
    {
        if (! ramp.isRamping())
        {
            std::fill (destination, destination + count, ramp.current);
            return;
        }

        for (int j = 0; j < count; ++j)
            destination[j] = ramp.next();
    }

    /** What each channel of a pair carries from one pass to the next, per sample of a chunk. */
    struct ChunkPair
    {
        double detectorLevel[2][kChunkSize];  // s
        double ownSignal[2][kChunkSize];      // a: the channel's own signal into the circuit
        double gain[2][kChunkSize];           // G: the committed gain
    };

    /** Detector pass: the channel's own signal and the detector level of every sample. */
    void detectorPass (CompressorChannel& ch, const float* data, int count, const ChunkSettings& cs,
                       double* ownSignal, double* detectorLevel) noexcept
    {
        for (int j = 0; j < count; ++j)
        {
            const double x = sanitised (data[j]);
            const double inputGain = cs.inputGain[j];
            const double link = cs.link[j];
            ownSignal[j] = x * kHalf * inputGain;

            // The detector blends the channel's own signal with the mean by the link amount.
            const float detector = toFloat (((1.0 - link) * x + cs.mean[j] * link) * kHalf * inputGain);
            detectorLevel[j] = detectorLevelOf (ch.sidechainFilter.processSample (detector));
        }
    }

    /** Output pass: the output stage on the committed gain, then the Mix with the dry signal. */
    void outputPass (CompressorChannel& ch, float* data, int count, const ChunkSettings& cs,
                     const double* ownSignal, const double* gain) noexcept
    {
        auto& stage = ch.outputStage;

        for (int j = 0; j < count; ++j)
        {
            const double y = stage.process ((cs.outputGain[j] * (ownSignal[j] * gain[j])) * kOutputStageDrive);
            const double wet = cs.wet[j];
            data[j] = toFloat (sanitised (data[j]) * (1.0 - wet) + y * wet);
        }
    }

    /** Solver pass of one or two channels: for every sample the solver, then the commit. */
    void solverPass (CompressorChannel* const* channel, int count, int numSamples, int offset,
                     const ChunkSettings& cs, const float* const* settingRamps, ChunkPair& pair,
                     Settings& k) noexcept
    {
        using R = OrvikQ4Compression::SettingRamp;

        for (int j = 0; j < numSamples; ++j)
        {
            const int i = offset + j;
            k.divider = static_cast<double> (settingRamps[R::kRatioDividerRamp][i]);
            k.threshold = static_cast<double> (settingRamps[R::kThresholdVoltageRamp][i]);
            k.bias = static_cast<double> (settingRamps[R::kBiasVoltageRamp][i]);
            k.attackCharge = cs.attackCharge[j];
            k.attackDischarge = cs.attackDischarge[j];
            k.releaseDischarge = cs.releaseDischarge[j];
            k.gainFallsWithLevel = k.attackCharge >= 0.0 && k.divider >= 0.0;

            SolverLane lanes[2];

            for (int n = 0; n < count; ++n)
            {
                const auto& ch = *channel[n];
                const double s = pair.detectorLevel[n][j];
                auto& lane = lanes[n];
                lane.detectorLevel = s;
                lane.feedthrough = kLevelFeedthrough * s;
                lane.attackVolts = ch.attackNetwork.voltage;
                lane.releaseVolts = ch.releaseNetwork.voltage;

                // The gain may move from the last sample's by the per-sample limits only, and
                // never leaves the table's range.
                lane.lo = std::max (ch.lastGain / k.maxGainFall - kSolverWidth, k.minTableGain) * s;
                lane.hi = std::min (ch.lastGain * k.maxGainRise + kSolverWidth, k.maxTableGain) * s;
                lane.restingGain = gainAtControlVoltage (lane.attackVolts, lane, k);
                lane.restingLevel = s * lane.restingGain;
                lane.rounds = 0;
            }

            for (int n = 0; n < count; ++n)
                solveLane (lanes[n], k);

            for (int n = 0; n < count; ++n)
            {
                auto& ch = *channel[n];
                const auto& lane = lanes[n];

                ch.lastGain = lane.gain;
                ch.lastLevel = lane.level;
                ch.lastDetectorLevel = lane.detectorLevel;
                ch.lastSolverRounds = lane.rounds;
                ch.solverRounds += (std::uint64_t) lane.rounds;

                const double gain = commitNetworks (ch, lane.level, pair.ownSignal[n][j], k);
                ch.minGain = std::min (ch.minGain, gain);
                pair.gain[n][j] = gain;
            }
        }
    }
}

//==============================================================================
OrvikQ4Compression::OrvikQ4Compression (ProgramState* live)
    : liveState (live)
{
    jassert (liveState != nullptr);

    fillGainTable();

    ratioDivider.current = ratioDivider.target = 0.0;
    thresholdVoltage.current = thresholdVoltage.target = 0.0;
    biasVoltage.current = biasVoltage.target = 0.0;
    attackResistance.current = attackResistance.target = kNominalAttackResistance;
    releaseResistance.current = releaseResistance.target = 255000.0;

    // Row 0 for the construction scale; the ramps run from 0 until the first preparation.
    setRatio (0, true);

    minTableGain = static_cast<double> (gainTable.front());
    maxTableGain = static_cast<double> (gainTable.back());
}

void OrvikQ4Compression::fillGainTable() noexcept
{
    // Index i stands for a control voltage of about -i / 16383.5 V; the curve is a soft knee
    // between full reduction and none, in parallel with the element's 22.25 ceiling.
    constexpr double indexStep = 1.0 / kGainTableSize;
    constexpr double kneeSharpness = 30.0;
    constexpr double voltageSpan = -1.1;
    constexpr double gainNumerator = 0.6;

    for (int i = 0; i < kGainTableSize; ++i)
    {
        const double x = (static_cast<double> (i) * -2.0 * indexStep) / voltageSpan;
        const double y = x > 0.0 ? kneeSharpness * (1.0 - x) : kneeSharpness;
        const double s = std::log (std::exp (y) + 1.0) / kneeSharpness;
        const double u = 1.0 - ((1.0 - s) * voltageSpan) / voltageSpan;
        const double r = gainNumerator / u;
        gainTable[(size_t) i] = toFloat (1.0 / (1.0 / r + 1.0 / kNoReductionGain));
    }
}

//==============================================================================
void OrvikQ4Compression::setRatio (int newRatioIndex, bool force) noexcept
{
    // Every settings update passes here: the compressor leaves its rest and looks again.
    settled = false;

    if (newRatioIndex == ratioIndex && ! force)
        return;

    if (juce::isPositiveAndBelow (newRatioIndex, (int) std::size (kRatioRows)))
    {
        const auto& row = kRatioRows[newRatioIndex];
        const double x = kThresholdScaleFactor * thresholdScale;

        ratioDivider.setTarget (row.divider);
        thresholdVoltage.setTarget (((row.thresholdOffset + x) / (x + row.thresholdLoad)) * kThresholdVolts);
        biasVoltage.setTarget (row.biasPerScale * thresholdScale);
    }

    ratioIndex = newRatioIndex;
}

//==============================================================================
void OrvikQ4Compression::prepareToPlay (double newSampleRate, int newNumChannels)
{
    sampleRate = newSampleRate;
    numChannels = newNumChannels;
    settled = false;

    channels.clear();

    const int rampLength = RampedValue::rampLengthFor (sampleRate);
    const double samplePeriod = 1.0 / sampleRate;

    for (int c = 0; c < newNumChannels; ++c)
    {
        auto* channel = new CompressorChannel();

        channel->sidechainFilter.morph.setRampLength (rampLength);
        channel->sidechainFilter.mix.setRampLength (rampLength);

        channel->attackNetwork = { kNetworkCapacitance, kNominalAttackResistance, samplePeriod, biasVoltage.target };
        channel->releaseNetwork = { kNetworkCapacitance, kNominalReleaseResistance, samplePeriod, biasVoltage.target };
        channel->outputStage.prepare (sampleRate);

        channels.add (channel);
    }

    // The identity filter fades out: the side chain starts unfiltered unless the HPF is
    // switched on, which the next settings update then does afresh.
    for (auto* channel : channels)
        channel->sidechainFilter.mix.setTarget (0.0);

    hpfIndex = 0;

    maxGainFallPerSample = juce::Decibels::decibelsToGain (kGainFallDbPerSecond / sampleRate);
    maxGainRisePerSample = juce::Decibels::decibelsToGain (kGainRiseDbPerSecond / sampleRate);

    for (auto* ramp : { &ratioDivider, &thresholdVoltage, &biasVoltage, &attackResistance, &releaseResistance })
    {
        ramp->setRampLength (rampLength);
        ramp->snapToTarget();
    }

    attackCharge.prepare (kNetworkCapacitance, samplePeriod, kNominalAttackResistance);
    attackDischarge.prepare (kNetworkCapacitance, samplePeriod, releaseResistance.target);
    networkCoupling.prepare (kNetworkCapacitance, samplePeriod, kCouplingResistance);
    releaseDischarge.prepare (kNetworkCapacitance, samplePeriod, kNominalReleaseResistance);
}

void OrvikQ4Compression::releaseResources()
{
    settled = false;
    channels.clear();
}

void OrvikQ4Compression::reserveBlockSize (int maxSamples)
{
    settingRamps.setSize (kNumSettingRamps, juce::jmax (0, maxSamples), false, false, true);
}

void OrvikQ4Compression::processSamples (float*, int, int)
{
}

//==============================================================================
void OrvikQ4Compression::processSamples (float** data, int numSamples)
{
    juce::ScopedNoDenormals noDenormals;

    // The channel states decide how many channels run; they equal the prepared channel count
    // from preparation until the states are released.
    const int numStates = juce::jmin (numChannels, channels.size());

    for (auto* channel : channels)
        channel->minGain = kNoReductionGain;

    if (numSamples <= 0)
        return;

    // Taken before the settings below advance: a block in which one of them still ramps is not
    // quiet.
    const bool quiet = isQuietBlock (data, numSamples, numStates);

    // Lay out the five settings for the whole block; grows only for a block longer than any
    // before (a shorter one keeps the allocation).
    settingRamps.setSize (kNumSettingRamps, numSamples, false, false, true);

    ratioDivider.fillBlock (settingRamps.getWritePointer (kRatioDividerRamp), numSamples);
    thresholdVoltage.fillBlock (settingRamps.getWritePointer (kThresholdVoltageRamp), numSamples);
    biasVoltage.fillBlock (settingRamps.getWritePointer (kBiasVoltageRamp), numSamples);
    attackResistance.fillBlock (settingRamps.getWritePointer (kAttackResistanceRamp), numSamples);
    releaseResistance.fillBlock (settingRamps.getWritePointer (kReleaseResistanceRamp), numSamples);

    if (settled && quiet && stateMatches (restingSettings.data(), true))
    {
        // At rest in silence: every sample would leave every state as it is and give the same
        // output and gain again. The live settings are steady, so they need no stepping.
        for (int c = 0; c < numStates; ++c)
        {
            auto& channel = *channels.getUnchecked (c);
            std::fill (data[c], data[c] + numSamples, channel.restingOutput);
            channel.minGain = channel.restingCommittedGain;
            channel.solverRounds += (std::uint64_t) channel.lastSolverRounds * (std::uint64_t) numSamples;
        }

        return;
    }

    settled = false;

    if (! quiet)
    {
        runSamples (data, 0, numSamples, numStates);
        return;
    }

    // A block of zeros with nothing ramping: if its last sample leaves every state as it found
    // it, the compressor has come to rest.
    runSamples (data, 0, numSamples - 1, numStates);
    recordState (restingSettings.data());

    for (int c = 0; c < numStates; ++c)
    {
        auto& channel = *channels.getUnchecked (c);
        channel.restingCommittedGain = channel.minGain;
        channel.minGain = kNoReductionGain;
    }

    runSamples (data, numSamples - 1, numSamples, numStates);

    for (int c = 0; c < numStates; ++c)
    {
        auto& channel = *channels.getUnchecked (c);
        std::swap (channel.restingCommittedGain, channel.minGain);   // the last sample's gain
        channel.minGain = std::min (channel.minGain, channel.restingCommittedGain);
        channel.restingOutput = data[c][numSamples - 1];
    }

    settled = stateMatches (restingSettings.data(), true);
}

void OrvikQ4Compression::runSamples (float** data, int begin, int end, int numStates) noexcept
{
    const float* const dividers = settingRamps.getReadPointer (kRatioDividerRamp);
    const float* const thresholds = settingRamps.getReadPointer (kThresholdVoltageRamp);
    const float* const biases = settingRamps.getReadPointer (kBiasVoltageRamp);
    const float* const attackOhms = settingRamps.getReadPointer (kAttackResistanceRamp);
    const float* const releaseOhms = settingRamps.getReadPointer (kReleaseResistanceRamp);

    auto& live = *liveState;
    Settings k;
    k.gainTable = gainTable.data();
    k.minTableGain = minTableGain;
    k.maxTableGain = maxTableGain;
    k.maxGainFall = maxGainFallPerSample;
    k.maxGainRise = maxGainRisePerSample;
    k.coupling = networkCoupling.coefficientFor (kCouplingResistance);

    const float* const ramps[kNumSettingRamps] = { dividers, thresholds, biases, attackOhms, releaseOhms };
    ChunkSettings cs;
    ChunkPair pair;

    for (int offset = begin; offset < end; offset += kChunkSize)
    {
        const int count = juce::jmin (kChunkSize, end - offset);

        // The live settings advance once per sample whatever the channel count; each ramp on
        // its own, so a whole chunk of one follows another.
        double stereoLink[kChunkSize];
        nextValues (live.input, cs.inputGain, count);
        nextValues (live.output, cs.outputGain, count);
        nextValues (live.linkOn, cs.link, count);
        nextValues (live.stereoLink, stereoLink, count);
        nextValues (live.mix, cs.wet, count);

        for (int j = 0; j < count; ++j)
            cs.link[j] *= stereoLink[j];

        if (numStates < 1)
            continue;

        // The charge coefficients for the resistances of every sample.
        for (int j = 0; j < count; ++j)
        {
            const auto attackR = static_cast<double> (attackOhms[offset + j]);
            const auto releaseR = static_cast<double> (releaseOhms[offset + j]);
            cs.attackCharge[j] = attackCharge.coefficientFor (attackR);
            cs.attackDischarge[j] = attackDischarge.coefficientFor (releaseR);
            cs.releaseDischarge[j] = releaseDischarge.coefficientFor (releaseR + kReleaseSeriesResistance);
        }

        // The mean of the samples as they came in, before any channel is written.
        for (int j = 0; j < count; ++j)
        {
            double sum = 0.0;

            for (int c = 0; c < numStates; ++c)
                sum += sanitised (data[c][offset + j]);

            cs.mean[j] = sum;
        }

        // Divided in a loop of its own, so that the divisions run side by side.
        for (int j = 0; j < count; ++j)
            cs.mean[j] /= numStates;

        // Channels are independent given the mean: they are solved in pairs, side by side.
        for (int c = 0; c < numStates; c += 2)
        {
            const int pairSize = juce::jmin (2, numStates - c);
            CompressorChannel* const pairChannels[2] = { channels[c], pairSize > 1 ? channels[c + 1] : nullptr };

            for (int n = 0; n < pairSize; ++n)
                detectorPass (*pairChannels[n], data[c + n] + offset, count, cs, pair.ownSignal[n], pair.detectorLevel[n]);

            solverPass (pairChannels, pairSize, count, offset, cs, ramps, pair, k);

            for (int n = 0; n < pairSize; ++n)
                outputPass (*pairChannels[n], data[c + n] + offset, count, cs, pair.ownSignal[n], pair.gain[n]);
        }
    }
}

//==============================================================================
bool OrvikQ4Compression::isQuietBlock (const float* const* data, int numSamples, int numStates) const noexcept
{
    if (numSamples < 1 || numStates < 1)
        return false;

    const auto& live = *liveState;

    for (const auto* ramp : { &live.input, &live.output, &live.linkOn, &live.stereoLink, &live.mix,
                              &ratioDivider, &thresholdVoltage, &biasVoltage, &attackResistance, &releaseResistance })
        if (ramp->isRamping())
            return false;

    for (int c = 0; c < numStates; ++c)
    {
        const auto& filter = channels.getUnchecked (c)->sidechainFilter;

        if (filter.morph.isRamping() || filter.mix.isRamping())
            return false;

        // Every sample exactly +0 (all bits clear).
        std::uint32_t bits = 0;

        for (int i = 0; i < numSamples; ++i)
        {
            std::uint32_t sampleBits;
            std::memcpy (&sampleBits, data[c] + i, sizeof (sampleBits));
            bits |= sampleBits;
        }

        if (bits != 0)
            return false;
    }

    return true;
}

namespace
{
    /** Every value of a channel that the sample loop reads or changes, in a fixed order. */
    void channelStateValues (const CompressorChannel& ch, double* v) noexcept
    {
        const auto& f = ch.sidechainFilter;
        const float* coefficients = f.filter.coefficientData();
        int n = 0;

        for (int i = 0; i < 5; ++i)
            v[n++] = coefficients[i];

        v[n++] = f.filter.state1();
        v[n++] = f.filter.state2();

        for (int i = 0; i < 5; ++i)
            v[n++] = f.base[i];

        for (int i = 0; i < 5; ++i)
            v[n++] = f.delta[i];

        v[n++] = f.lastMorph;

        for (const auto* ramp : { &f.morph, &f.mix })
        {
            v[n++] = ramp->current;
            v[n++] = ramp->target;
            v[n++] = ramp->step;
            v[n++] = ramp->countdown;
            v[n++] = ramp->steps;
        }

        v[n++] = ch.attackNetwork.voltage;
        v[n++] = ch.releaseNetwork.voltage;

        const auto& o = ch.outputStage;

        for (double x : { o.rail, o.slewRate, o.maxStep, o.feedbackResistance, o.groundResistance, o.gain, o.lastOutput })
            v[n++] = x;

        v[n++] = ch.lastGain;
        jassert (n == CompressorChannel::kNumStateValues);
    }

    /** The ten ramps the sample loop reads, in a fixed order. */
    void sharedStateValues (const ProgramState& live, const RampedValue* const* settings, double* v) noexcept
    {
        int n = 0;

        for (const auto* ramp : { &live.input, &live.output, &live.linkOn, &live.stereoLink, &live.mix })
            v[n++] = ramp->current;

        for (int i = 0; i < 5; ++i)
            v[n++] = settings[i]->current;
    }
}

void OrvikQ4Compression::recordState (double* sharedValues) const noexcept
{
    const RampedValue* const settings[] = { &ratioDivider, &thresholdVoltage, &biasVoltage, &attackResistance, &releaseResistance };
    sharedStateValues (*liveState, settings, sharedValues);

    for (auto* channel : channels)
        channelStateValues (*channel, channel->restingState.data());
}

bool OrvikQ4Compression::stateMatches (const double* sharedValues, bool perChannel) const noexcept
{
    // Compared bit for bit: a sign of zero or a not-a-number counts as a difference.
    const RampedValue* const settings[] = { &ratioDivider, &thresholdVoltage, &biasVoltage, &attackResistance, &releaseResistance };
    double now[CompressorChannel::kNumStateValues];
    sharedStateValues (*liveState, settings, now);

    if (std::memcmp (now, sharedValues, kNumSharedStateValues * sizeof (double)) != 0)
        return false;

    if (perChannel)
    {
        for (auto* channel : channels)
        {
            channelStateValues (*channel, now);

            if (std::memcmp (now, channel->restingState.data(), sizeof (now)) != 0)
                return false;
        }
    }

    return true;
}
