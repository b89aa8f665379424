// Basic scalar and string types shared by every layer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

using Byte = std::uint8_t;
using ShortInt = std::int8_t;
using Word = std::uint16_t;
using SmallInt = std::int16_t;
using Integer = std::int32_t;
using Cardinal = std::uint32_t;
using LongWord = std::uint32_t;
using Int64 = std::int64_t;
using UInt64 = std::uint64_t;
using NativeInt = std::intptr_t;
using NativeUInt = std::uintptr_t;
using Single = float;
using Double = double;

// Text in memory is UTF-16.
using String = std::u16string;
using StringView = std::u16string_view;
using WideChar = char16_t;

// Bytes of 8-bit text in some code page (by default the system ANSI code page).
using AnsiString = std::string;
using RawByteString = std::string;
using AnsiChar = char;

// Days since 30 December 1899; the fraction is the time of day.
using TDateTime = double;

// Literal helper: u"..." already gives String; this turns ASCII std::string
// (for example a message built with snprintf) into String.
String StrFromAscii(std::string_view s);
