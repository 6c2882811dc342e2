#include "platform/geom/curves.h"
