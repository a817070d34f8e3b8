#include "numeric/vecmat.h"
