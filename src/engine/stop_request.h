#pragma once
// The stop request lives beside the clock, whose waits honour it; the engine's users include it
// from here as before.
#include "platform/stop_request.h"
