// The exports are declared once, for hosts and for the library alike.
#pragma once

#include "quillon.h"
