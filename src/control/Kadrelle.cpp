#include "control/Kadrelle.h"
