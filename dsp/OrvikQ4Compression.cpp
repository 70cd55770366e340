#include "dsp/OrvikQ4Compression.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

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
        // Live settings of this sample.
        double inputGain, outputGain, link, mean, wet, dry;
        // The five compressor settings of this sample, and the charge coefficients they give.
        double divider, threshold, bias;
        double attackCharge, attackDischarge, coupling, releaseDischarge;
        // Per-block constants: the gain table, its range and the per-sample gain limits.
        const float* gainTable;
        double minTableGain, maxTableGain, maxGainFall, maxGainRise;
    };
}

//==============================================================================
// The solver. The level m is balanced against the detector level s times the gain g(m) that
// the control voltage reached at m gives: a round halves the bracket [lo, hi], keeping the
// lower half when s * g(m) < m (the level is too high) and the upper half otherwise.
//
// At most of the levels a round tries, the charge target stays below the attack capacitor, so
// the capacitor is not charged and the gain is that of the capacitors as they stand: known
// before the first round, which turns such a round into one comparison and one halving. Only
// the other rounds run the long chain (charge, control voltage rounded to float, table index,
// table read). The results are the same either way; the branch between the two cases is well
// predicted. Solving the two channels of a stereo pair in alternate rounds gives the processor
// two independent chains to overlap.
namespace
{
    /** The progress of one channel's bisection: its bracket, and the level and gain of the
        last round taken. */
    struct Bisection
    {
        double lo, hi, level, gain;
        int round;
    };

    /** The gain with the attack capacitor at attackVolts: the control voltage (the mean of the
        two capacitors, rounded to float) less the detector level's share, read from the table. */
    inline double gainAtControlVoltage (double attackVolts, const SolverLane& lane, const Settings& k) noexcept
    {
        const double control = roundedToFloat ((attackVolts + lane.releaseVolts) * kHalf);
        return static_cast<double> (k.gainTable[tableIndexFor ((control - lane.feedthrough) * OrvikQ4Compression::indexScale)]);
    }

    /** Runs the next round unless the lane has stopped; returns whether a further round may
        follow. The first round always runs; later ones only while the bracket is wider than
        the stopping width, and never more than the round limit. */
    inline bool solveRound (Bisection& b, const SolverLane& lane, const Settings& k) noexcept
    {
        if (b.round > 0 && ! (b.hi - b.lo > kSolverWidth))
            return false;

        const double m = (b.lo + b.hi) * kHalf;
        const double drive = std::min (k.divider * m * kDrivePerVolt, kMaxSolverDrive);
        const double target = k.threshold + drive;
        double g;
        bool tooHigh;

        // The networks are read, not changed: the attack capacitor is taken as it would stand
        // after charging toward the target, if the target is above it. Mostly it is not, and
        // the gain is then the one of the capacitors as they stand, known before the rounds.
        if (lane.attackVolts >= target)
        {
            g = lane.restingGain;
            tooHigh = lane.restingLevel < m;
        }
        else
        {
            g = gainAtControlVoltage ((target - lane.attackVolts) * k.attackCharge + lane.attackVolts, lane, k);
            tooHigh = lane.detectorLevel * g < m;
        }

        // Written as two selections of values (not one store to either end), so that the
        // bracket stays in registers whatever the compiler makes of it.
        b.hi = tooHigh ? m : b.hi;
        b.lo = tooHigh ? b.lo : m;
        b.level = m;
        b.gain = g;
        return ++b.round < kMaxSolverRounds;
    }

    inline void finishLane (SolverLane& lane, const Bisection& b) noexcept
    {
        lane.level = b.level;
        lane.gain = b.gain;
        lane.rounds = b.round;
    }

    /** Solves one lane, or two in alternate rounds. */
    inline void solveLanes (SolverLane (&lanes)[2], int count, const Settings& k) noexcept
    {
        Bisection first { lanes[0].lo, lanes[0].hi, 0.0, 0.0, 0 };

        if (count > 1)
        {
            Bisection second { lanes[1].lo, lanes[1].hi, 0.0, 0.0, 0 };

            for (;;)
            {
                const bool firstGoesOn = solveRound (first, lanes[0], k);
                const bool secondGoesOn = solveRound (second, lanes[1], k);

                if (! firstGoesOn)
                {
                    if (secondGoesOn)
                        while (solveRound (second, lanes[1], k)) {}

                    break;
                }

                if (! secondGoesOn)
                {
                    while (solveRound (first, lanes[0], k)) {}
                    break;
                }
            }

            finishLane (lanes[0], first);
            finishLane (lanes[1], second);
            return;
        }

        while (solveRound (first, lanes[0], k)) {}
        finishLane (lanes[0], first);
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

    /** One sample of one or two channels: detector, solver, commit, output stage and Mix. */
    void processChannels (CompressorChannel* const* channels, float** data, int i,
                          int firstChannel, int count, const Settings& k) noexcept
    {
        CompressorChannel* channel[2];
        double x[2], a[2];
        SolverLane lanes[2];

        for (int n = 0; n < count; ++n)
        {
            auto& ch = *channels[firstChannel + n];
            channel[n] = &ch;

            x[n] = sanitised (data[firstChannel + n][i]);
            a[n] = x[n] * kHalf * k.inputGain;

            // The detector blends the channel's own signal with the mean by the link amount.
            const float detector = toFloat (((1.0 - k.link) * x[n] + k.mean * k.link) * kHalf * k.inputGain);
            const double s = detectorLevelOf (ch.sidechainFilter.processSample (detector));

            auto& lane = lanes[n];
            lane.detectorLevel = s;
            lane.feedthrough = kLevelFeedthrough * s;
            lane.attackVolts = ch.attackNetwork.voltage;
            lane.releaseVolts = ch.releaseNetwork.voltage;

            // The gain may move from the last sample's by the per-sample limits only, and never
            // leaves the table's range.
            lane.lo = std::max (ch.lastGain / k.maxGainFall - kSolverWidth, k.minTableGain) * s;
            lane.hi = std::min (ch.lastGain * k.maxGainRise + kSolverWidth, k.maxTableGain) * s;
            lane.restingGain = gainAtControlVoltage (lane.attackVolts, lane, k);
            lane.restingLevel = s * lane.restingGain;
            lane.rounds = 0;
        }

        solveLanes (lanes, count, k);

        for (int n = 0; n < count; ++n)
        {
            auto& ch = *channel[n];
            const auto& lane = lanes[n];

            ch.lastGain = lane.gain;
            ch.lastLevel = lane.level;
            ch.lastDetectorLevel = lane.detectorLevel;
            ch.lastSolverRounds = lane.rounds;
            ch.solverRounds += (std::uint64_t) lane.rounds;

            const double gain = commitNetworks (ch, lane.level, a[n], k);
            ch.minGain = std::min (ch.minGain, gain);

            const double y = ch.outputStage.process ((k.outputGain * (a[n] * gain)) * kOutputStageDrive);
            data[firstChannel + n][i] = toFloat (x[n] * k.dry + y * k.wet);
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

    // Lay out the five settings for the whole block; grows only for a block longer than any
    // before (a shorter one keeps the allocation).
    settingRamps.setSize (kNumSettingRamps, numSamples, false, false, true);

    ratioDivider.fillBlock (settingRamps.getWritePointer (kRatioDividerRamp), numSamples);
    thresholdVoltage.fillBlock (settingRamps.getWritePointer (kThresholdVoltageRamp), numSamples);
    biasVoltage.fillBlock (settingRamps.getWritePointer (kBiasVoltageRamp), numSamples);
    attackResistance.fillBlock (settingRamps.getWritePointer (kAttackResistanceRamp), numSamples);
    releaseResistance.fillBlock (settingRamps.getWritePointer (kReleaseResistanceRamp), numSamples);

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

    for (int i = 0; i < numSamples; ++i)
    {
        // The live settings advance once per sample, in this order, whatever the channel count.
        k.inputGain = live.input.next();
        k.outputGain = live.output.next();
        const double linkOn = live.linkOn.next();
        const double link = live.stereoLink.next();
        k.wet = live.mix.next();

        if (numStates < 1)
            continue;

        // The mean of the samples as they came in, before any channel is written.
        double sum = 0.0;

        for (int c = 0; c < numStates; ++c)
            sum += sanitised (data[c][i]);

        k.mean = sum / numStates;
        k.link = linkOn * link;
        k.dry = 1.0 - k.wet;

        k.divider = static_cast<double> (dividers[i]);
        k.threshold = static_cast<double> (thresholds[i]);
        k.bias = static_cast<double> (biases[i]);

        const auto attackR = static_cast<double> (attackOhms[i]);
        const auto releaseR = static_cast<double> (releaseOhms[i]);
        k.attackCharge = attackCharge.coefficientFor (attackR);
        k.attackDischarge = attackDischarge.coefficientFor (releaseR);
        k.releaseDischarge = releaseDischarge.coefficientFor (releaseR + kReleaseSeriesResistance);

        // Channels are independent within a sample: they are solved in pairs, side by side.
        for (int c = 0; c < numStates; c += 2)
            processChannels (channels.begin(), data, i, c, juce::jmin (2, numStates - c), k);
    }
}
