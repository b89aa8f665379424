// Variant arithmetic, logic and ordering as the expression language uses
// them. Numbers combine as numbers: whole numbers stay whole (in 64 bits;
// beyond that the result is a double, never wrapped), a float makes the
// result a float, currency stays currency with whole numbers, a date moved
// by a number stays a date. A text meeting a number is read as a number (a
// text that is none raises EVariantTypeCastError); two texts added are
// joined. Null propagates. Floating-point overflow, invalid operations and
// division by zero raise the platform's math errors.
#pragma once

#include "platform/rtl/Variant.h"

Variant VarAdd(const Variant& a, const Variant& b);
Variant VarSub(const Variant& a, const Variant& b);
Variant VarMul(const Variant& a, const Variant& b);
// Real division.
Variant VarDiv(const Variant& a, const Variant& b);
// Whole-number division and remainder; a zero divisor raises EZeroDivide.
Variant VarIntDiv(const Variant& a, const Variant& b);
Variant VarMod(const Variant& a, const Variant& b);
// Logical for booleans (and the texts "True" and "False"), bitwise for
// whole numbers.
Variant VarAnd(const Variant& a, const Variant& b);
Variant VarOr(const Variant& a, const Variant& b);
Variant VarNot(const Variant& a);

// The relationship of two values where null equals only null and orders
// below every other value; the rest as VarCompareValue.
TVariantRelationship VarCompareOrdered(const Variant& a, const Variant& b);

// A whole number as the narrowest of varInteger and varInt64 that holds it,
// else as a double.
Variant MakeWholeVariant(__int128 value);
// The value rounded to a whole number (ties to even) in that form; a value
// beyond 64 bits raises EVariantOverflowError.
Variant RoundToWholeVariant(const Variant& value);
// A float result checked as the platform's floating-point unit would:
// NaN raises EInvalidOp, an infinity EOverflow.
double CheckFloatResult(double value);
