#include "dsp/RampedValue.h"

#include <benchmark/benchmark.h>

#include <vector>

// Per-sample cost of a running ramp, the smoother behind every live setting.
static void BM_RampedValueNext (benchmark::State& state)
{
    RampedValue ramp;
    ramp.setRampLength (4800);
    double sum = 0.0;

    for (auto _ : state)
    {
        ramp.setTarget (ramp.target == 1.0 ? 0.0 : 1.0);

        for (int i = 0; i < 4800; ++i)
            sum += ramp.next();
    }

    benchmark::DoNotOptimize (sum);
    state.SetItemsProcessed (state.iterations() * 4800);
}
BENCHMARK (BM_RampedValueNext);

static void BM_RampedValueFillBlock (benchmark::State& state)
{
    RampedValue ramp;
    ramp.setRampLength (4800);
    std::vector<float> block (512);

    for (auto _ : state)
    {
        if (! ramp.isRamping())
            ramp.setTarget (ramp.target == 1.0 ? 0.0 : 1.0);

        ramp.fillBlock (block.data(), 512);
        benchmark::DoNotOptimize (block.data());
    }

    state.SetItemsProcessed (state.iterations() * 512);
}
BENCHMARK (BM_RampedValueFillBlock);
