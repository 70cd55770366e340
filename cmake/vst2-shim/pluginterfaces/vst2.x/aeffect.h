// VST 2.4 interface declarations for the framework's VST wrapper and host, taken from
// Debian's free FST headers.
//
// FST declares the speaker arrangement with a flexible array of speakers. The framework
// (both its plug-in wrapper and its VST host) assumes the classic layout with room for
// eight speakers inside the struct and allocates it with sizeof(), so the flexible form
// would overflow the heap. The struct is therefore re-declared here with eight speakers.
#pragma once

#ifndef FST2VST
 #define FST2VST 1
#endif

#define t_fstSpeakerArrangement orvik_fstSpeakerArrangementFlexible
#define VstSpeakerArrangement   orvik_VstSpeakerArrangementFlexible
#include <pluginterfaces/fst/fst.h>
#undef VstSpeakerArrangement
#undef t_fstSpeakerArrangement

typedef struct orvik_fstSpeakerArrangement8
{
    int type;
    int numChannels;
    t_fstSpeakerProperties speakers[8];
} t_fstSpeakerArrangement;

typedef t_fstSpeakerArrangement VstSpeakerArrangement;
