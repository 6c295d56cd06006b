#pragma once
// The menu's servers live with the portable code, which the clock service shares.
#include "core/TimeServers.h"
