#pragma once

// The settings record lives with the effects that read it (the compressor advances its live
// ramps); this path stays valid for code that still includes it from here.
#include "dsp/ProgramState.h"
