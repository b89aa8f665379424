// The expression language's built-in functions (GETDATE aside, which the
// tree answers itself with or without arguments).
#pragma once

#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

class TExpNode;

// Evaluates the node as a call of the built-in function its token names
// (any letter case); false when the name is no built-in function. A call
// with fewer arguments than the function reads raises EListError.
bool CalculateBuiltInFunction(TExpNode& node, Variant& value);
// True when the name (any letter case) is a built-in function.
bool IsBuiltInFunction(StringView name);
