// Placeholder until the interface toolkit lands.
#include "ui/metrics.h"
