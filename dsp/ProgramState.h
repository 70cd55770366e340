#pragma once

#include "dsp/RampedValue.h"

/**
    One complete set of settings: the live settings of the processor and each factory program.

    Ramped fields are in internal units (gain factors, fractions, 0/1 switches); readers of a
    setting read the target, only the audio path reads the present value.
*/
struct ProgramState
{
    /** Input gain factor of the compressor stage. */
    RampedValue input;
    /** Output gain factor of the compressor stage. */
    RampedValue output;
    /** Attack choice: 0 "Fast", 1 "Medium", 2 "Slow". */
    int attack = 2;
    /** Release choice: 0 "Fast", 1 "Medium", 2 "Slow". */
    int release = 0;
    /** Wet fraction of the compressor stage, 0 ... 1. */
    RampedValue mix;
    /** Ratio choice: 0 "4:1", 1 "12:1", 2 "100:1". */
    int ratio = 0;
    /** Side-chain high-pass choice: 0 "OFF", 1 "100Hz", 2 "300Hz". */
    int hpf = 0;
    /** Continuous attack setting, 0 ... 1. */
    double contAttack = 0.5;
    /** Continuous release setting, 0 ... 1. */
    double contRelease = 0.5;
    /** Amount of channel linking, 0 ... 1. */
    RampedValue stereoLink;
    /** 0 processed, 1 bypassed; crossfaded. */
    RampedValue bypass;
    /** True: the continuous attack and release settings are in force. */
    bool contOn = false;
    /** Channel-link switch, 0 or 1; crossfaded. */
    RampedValue linkOn;
    /** Analog colour (noise, hum, clip, transformer) switch, 0 or 1; crossfaded. */
    RampedValue analogOn;
    /** Scale of the compressor's threshold and bias voltages (no parameter). */
    double thresholdScale = 0.544;
    /** Gain applied before the chain and divided out after it (no parameter). */
    double drive = 7.65;
    /** Gain-reduction meter value in dB, 0 down to -100. */
    double gainReductionDb = 0.0;

    /** Every ramped value starts at 0 and is sent toward its default, so the ramped defaults
        start with a 100-sample ramp; preparation snaps them before any audio is processed. */
    ProgramState() noexcept
    {
        input.setTarget (0.075);
        output.setTarget (0.075);
        mix.setTarget (1.0);
        stereoLink.setTarget (0.5);
        bypass.setTarget (0.0);
        linkOn.setTarget (0.0);
        analogOn.setTarget (1.0);
    }

    /** Calls fn on each ramped value, in field order. */
    template <typename Fn>
    void forEachRamp (Fn&& fn)
    {
        fn (input);
        fn (output);
        fn (mix);
        fn (stereoLink);
        fn (bypass);
        fn (linkOn);
        fn (analogOn);
    }
};
