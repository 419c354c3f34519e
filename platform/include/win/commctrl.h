// The common controls library (comctl32).
#pragma once
#include "comctl_controls.h"
