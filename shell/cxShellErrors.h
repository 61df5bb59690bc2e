// The editor error raised by shell settings that refuse a value. The editor layer
// raises the same class for its own failures; this definition does not depend on it.
#pragma once

#include "runtime/rtExceptions.h"

#ifndef CORVANE_ECXEDITERROR_DEFINED
#define CORVANE_ECXEDITERROR_DEFINED
class EcxEditError : public Exception {
public:
    using Exception::Exception;
};
#endif
