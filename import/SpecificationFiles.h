// Hooks of the import specification files (.vod) that the GUI and the host
// fill: the dialog that asks for a specification's name and file, and the
// application's title written into each file. The reading and writing
// themselves are operations of TRADerevuBaseComponent (SpecificationFiles.cpp).
#pragma once

#include <functional>

#include "platform/rtl/Types.h"

// What the save dialog shows and, once confirmed, what the user chose.
struct TSaveSpecRequest {
  String Caption;    // also the name label
  String SpecName;   // proposed name in, chosen name out
  String FileLabel;
  String FileName;   // proposed file in, chosen file out
  String Filter;     // for the dialog's file button
};

// Shows the dialog; true when the user confirmed.
using TSaveSpecDialogHandler = std::function<bool(TSaveSpecRequest& request)>;
// Installs the GUI's form; without one, the save dialog is the plain file
// dialog (the name stays the proposed one).
void SetSaveSpecDialogHandler(TSaveSpecDialogHandler handler);

// The title written as App into each file; empty without a provider.
using TApplicationTitleProc = std::function<String()>;
void SetSpecificationAppTitleProc(TApplicationTitleProc proc);

// The folder of the program file with a trailing "/"; empty when unknown.
String SpecificationProgramFolder();
// The name a specification file gives itself: "Specification" of section
// "Common", or the file name when the key is missing or the file cannot be
// read.
String ReadSpecificationCaption(const String& fileName);
// The same from a specification's bytes: false when the key is missing;
// raises ESMIFileFormatException for a value that cannot be decoded.
class TStream;
bool ReadSpecificationCaption(TStream& stream, String& caption);
