// Errors of the editor framework: a refused editor or settings value, and a failed
// validation of an editor's value.
#pragma once

#include "runtime/rtExceptions.h"

class EcxEditError : public Exception {
public:
    using Exception::Exception;
};

class EcxEditValidationError : public EcxEditError {
public:
    using EcxEditError::EcxEditError;
};
