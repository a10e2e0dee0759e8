// The fakes are header-only; this file gives the support library a translation unit.
#include "kadrelle_test/Fakes.h"
