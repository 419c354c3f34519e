// The common controls library (comctl32): its controls and the property sheets.
#pragma once
#include "comctl_controls.h"
#include "prsht.h"
