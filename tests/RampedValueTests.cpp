#include "dsp/RampedValue.h"
#include <gtest/gtest.h>
TEST (RampedValue, Placeholder) { RampedValue r; EXPECT_EQ (r.steps, 100); }
