// Late-bound automation: objects of an outside application reached by name.
//
// An automation object sits in a Variant (varDispatch, Variant::FromDispatch)
// and is driven with three calls: OleGet reads a property (or calls a member
// that takes no arguments), OlePut writes one, OleCall calls a method; each
// takes positional arguments, and Variant::EmptyParam() leaves an optional
// one out. A chain reads as it would in a script:
//
//   Variant sheet = OleGet(xls, u"ActiveSheet");
//   OlePut(OleGet(sheet, u"PageSetup"), u"Zoom", 80);
//
// Servers are registered by program identifier. CreateOleObject starts a
// new instance of a registered server, GetActiveOleObject attaches to the
// one that runs; an identifier nobody registered raises EOleSysError
// "Invalid class string", as on a machine where the application is not
// installed. Only LibreOffice ("com.sun.star.ServiceManager") is known
// here, and only where soffice and Python's UNO bridge are installed
// (OfficeAutomation.h); tests register a recording server
// (RecordingAutomation.h) under any identifier.
#pragma once

#include <memory>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SharedObject.h"
#include "platform/rtl/Variant.h"

RTL_DECLARE_EXCEPTION(EOleError, Exception)
// A failure of the automation machinery: a server that is not registered,
// one that does not run, a member that does not exist.
RTL_DECLARE_EXCEPTION(EOleSysError, EOleError)
// A failure the server itself reports (its own message).
RTL_DECLARE_EXCEPTION(EOleException, EOleError)

using TOleArgs = std::vector<Variant>;

// One object of a server. Names are matched as the server matches them
// (the office suites ignore case).
class TAutomationObject : public TSharedObject {
 public:
  virtual Variant Get(const String& name, const TOleArgs& args) = 0;
  virtual void Put(const String& name, const Variant& value, const TOleArgs& args) = 0;
  virtual Variant Call(const String& name, const TOleArgs& args) = 0;
  const char* ClassName() const override { return "TAutomationObject"; }
};

// The automation object a variant holds. Raises EOleSysError for a variant
// that holds none (Empty, Null, a number ...): "Variant does not reference
// an automation object".
TAutomationObject& OleObjectOf(const Variant& object);

Variant OleGet(const Variant& object, const String& name, const TOleArgs& args = {});
void OlePut(const Variant& object, const String& name, const Variant& value, const TOleArgs& args = {});
Variant OleCall(const Variant& object, const String& name, const TOleArgs& args = {});

// A server: how its instances are started and found.
class IAutomationServer {
 public:
  virtual ~IAutomationServer() = default;
  // A new instance (its root object).
  virtual Variant CreateObject() = 0;
  // The instance that runs; Empty when none does.
  virtual Variant ActiveObject() { return Variant(); }
};

// Registers a server under an identifier (a later registration replaces an
// earlier one, and stands in front of the office suite found on the
// machine); none unregisters. Returns the registration it replaces, so
// that a test can put it back.
std::shared_ptr<IAutomationServer> RegisterAutomationServer(const String& progId,
                                                            std::shared_ptr<IAutomationServer> server);

// Whether the identifier names a registered server; nothing is started.
bool CLSIDFromProgID(const String& progId);
// A new instance: EOleSysError "Invalid class string" when the identifier
// is not registered.
Variant CreateOleObject(const String& progId);
// The running instance: EOleSysError "Invalid class string" when the
// identifier is not registered, "Operation unavailable" when none runs.
Variant GetActiveOleObject(const String& progId);

// The availability questions the export and import wizards ask.
bool AppIsInstalled(const String& progId);
bool MSExcelIsInstalled();   // "Excel.Application"
bool MSWordIsInstalled();    // "Word.Application"
bool MSAccessIsInstalled();  // "DAO.DBEngine.35", ".36" or ".120"
bool MSJETIsInstalled();     // "ADODB.Connection"
bool OpenOfficeIsInstalled();  // "com.sun.star.ServiceManager"

inline constexpr char16_t OpenOfficeProgID[] = u"com.sun.star.ServiceManager";
