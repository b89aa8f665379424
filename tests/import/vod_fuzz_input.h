// One fuzz input for the import specification files: the bytes read for
// the list's caption and loaded into a wizard as a .vod file, then saved and
// loaded again. A clean exception is a correct outcome; anything else
// escapes and counts as a fault. The fuzz target and the corpus replay test
// share this path.
#pragma once

#include <string_view>

#include "import/ImportWizard.h"
#include "import/SpecificationFiles.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

inline void LoadVodInput(std::string_view bytes) {
  TMemoryStream stream;
  stream.Write(bytes.data(), static_cast<Int64>(bytes.size()));
  try {
    stream.SetPosition(0);
    String caption;
    ReadSpecificationCaption(stream, caption);
  } catch (const Exception&) {
  }
  try {
    stream.SetPosition(0);
    TSMIWizardDlg wizard;
    wizard.LoadSpecificationFromStream(stream);
    TWideStrings lines;
    wizard.SaveSpecificationToStringList(lines, u"fuzz");
    TSMIWizardDlg copy;
    copy.LoadSpecificationFromStrings(lines);
  } catch (const Exception&) {
  }
}
