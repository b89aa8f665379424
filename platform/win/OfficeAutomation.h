// LibreOffice as the automation server "com.sun.star.ServiceManager".
//
// The suite is driven through its UNO API by a small helper process of
// Debian's Python (python3-uno) that this library starts and talks to over
// a pipe; the helper starts LibreOffice headless with a profile folder of
// its own, so runs never share one with a desktop session or each other.
// Keeping the UNO runtime in the helper keeps it out of our process (and
// our sanitizer builds) and needs no SDK to build.
//
// The root object answers as the suite's service manager does to a
// script: CreateInstance (a service, such as "com.sun.star.frame.Desktop")
// and Bridge_GetStruct (a UNO struct, such as
// "com.sun.star.beans.PropertyValue"). Members are matched without regard
// to case; a member that takes no arguments may be read like a property
// (OleGet(document, u"GetText")). Arrays of variants arrive as UNO
// sequences. While a root object (or any object reached from it) is held,
// the instance runs and GetActiveOleObject attaches to it; when the last
// one goes, the helper closes the suite if it still runs.
#pragma once

#include <memory>

#include "platform/win/Automation.h"

// The server, or none when soffice or Python's UNO bridge is not installed.
std::shared_ptr<IAutomationServer> CreateLibreOfficeServer();

// The file URL of a local file name: made absolute against the current
// folder, "file://" and the path's UTF-8 bytes with every byte outside
// the unreserved characters and "/" percent-encoded.
String FileNameToURL(const String& fileName);
