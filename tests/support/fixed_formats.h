// The process-wide format settings fixed for the length of a test (Slovene
// unless given), and put back as they were afterwards.
#pragma once

#include "platform/rtl/FormatSettings.h"

class FixedFormats {
 public:
  explicit FixedFormats(const TFormatSettings& settings = TFormatSettings::Slovene()) : FSaved(FormatSettings) {
    FormatSettings = settings;
  }
  ~FixedFormats() { FormatSettings = FSaved; }
  FixedFormats(const FixedFormats&) = delete;
  FixedFormats& operator=(const FixedFormats&) = delete;

 private:
  TFormatSettings FSaved;
};
