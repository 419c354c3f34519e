// The common controls of the window system.
#pragma once
#include "prsht.h"
