// Everything is declared by aeffect.h (FST keeps the whole interface in one header).
#pragma once
#include "aeffect.h"
