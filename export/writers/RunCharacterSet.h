// For formats whose encoding the format itself fixes (LDIF is UTF-8, JSON
// is Unicode): the writer runs in the set it needs and the caller's setting
// is given back after the run, whatever the run's outcome.
#pragma once

#include <optional>

#include "export/ExportTypes.h"

class TRunCharacterSet {
 public:
  void Apply(TCharacterSet& setting, TCharacterSet runSet) {
    if (!FSaved) FSaved = setting;
    setting = runSet;
  }
  void Restore(TCharacterSet& setting) {
    if (FSaved) setting = *FSaved;
    FSaved.reset();
  }
  // The caller's setting while the run's replaces it.
  std::optional<TCharacterSet> Saved() const { return FSaved; }

 private:
  std::optional<TCharacterSet> FSaved;
};
