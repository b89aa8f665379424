// The messages between our automation layer and the LibreOffice helper
// process (UnoHelperScript.cpp). Every message is a 32-bit little-endian
// length and that many bytes.
//
// A request is an operation byte: "G" get, "P" put, "C" call (each with the
// object's number, the member's name and the arguments as an array; a put
// sends its value as the first argument), "R" release an object (its number,
// no answer), "Q" quit. An answer is "K" and a value, or "X" and a message.
//
// Values: "E" empty, "N" null, "M" an argument left out, "T" and "F",
// "I" a 64-bit integer, "D" a double, "S" a 32-bit byte count and UTF-8,
// "O" a 32-bit object number, "A" a 32-bit count and that many values.
// Texts and counts are all little-endian.
#pragma once

#include <functional>
#include <span>
#include <string>

#include "platform/rtl/ByteReader.h"
#include "platform/win/Automation.h"

// The number of the helper's object an argument stands for; raises when the
// variant holds an object the helper does not know.
using TUnoObjectNumber = std::function<Cardinal(const Variant& object)>;
// The variant for an object number of an answer.
using TUnoObjectOf = std::function<Variant(Cardinal number)>;

void AppendUnoText(std::string& out, const String& text);
void AppendUnoValue(std::string& out, const Variant& value, const TUnoObjectNumber& numberOf);
std::string UnoRequest(char operation, Cardinal object, const String& name, const TOleArgs& args,
                       const TUnoObjectNumber& numberOf);

// An answer's value; "X" raises EOleException with the helper's message. A
// malformed answer raises EOleSysError "Malformed answer from the office
// suite" (arrays nest at most 64 deep).
Variant ReadUnoAnswer(std::span<const Byte> answer, const TUnoObjectOf& objectOf);

// The Python program of the helper.
const char* UnoHelperScript();
