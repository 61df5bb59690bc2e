#include "LafTestSupport.h"
