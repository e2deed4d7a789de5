#pragma once
#include "UT/UT_Error.h"

/// Severity returned by node operations: ABORT and worse mean failure.
typedef UT_ErrorSeverity OP_ERROR;
