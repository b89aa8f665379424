#include "platform/win/Automation.h"

#include <map>
#include <mutex>

#include "platform/win/OfficeAutomation.h"

namespace {

struct TServerRegistry {
  std::mutex Lock;
  std::map<String, std::shared_ptr<IAutomationServer>> Servers;  // registered by callers
  // The office suite, looked for the first time anyone asks, so that
  // looking for its programs costs nothing to a process that never does.
  // A registration under its identifier stands in front of it.
  std::shared_ptr<IAutomationServer> Office;
  bool OfficeLookedFor = false;
};

TServerRegistry& Registry() {
  static TServerRegistry registry;
  return registry;
}

std::shared_ptr<IAutomationServer> FindServer(const String& progId) {
  TServerRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.Lock);
  auto found = registry.Servers.find(progId);
  if (found != registry.Servers.end()) return found->second;
  if (progId != OpenOfficeProgID) return nullptr;
  if (!registry.OfficeLookedFor) {
    registry.OfficeLookedFor = true;
    registry.Office = CreateLibreOfficeServer();
  }
  return registry.Office;
}

std::shared_ptr<IAutomationServer> RequireServer(const String& progId) {
  auto server = FindServer(progId);
  if (!server) throw EOleSysError(u"Invalid class string");
  return server;
}

}  // namespace

TAutomationObject& OleObjectOf(const Variant& object) {
  if (object.VarType() == varDispatch) {
    if (auto* obj = dynamic_cast<TAutomationObject*>(object.AsSharedObject())) return *obj;
  }
  throw EOleSysError(u"Variant does not reference an automation object");
}

Variant OleGet(const Variant& object, const String& name, const TOleArgs& args) {
  return OleObjectOf(object).Get(name, args);
}

void OlePut(const Variant& object, const String& name, const Variant& value, const TOleArgs& args) {
  OleObjectOf(object).Put(name, value, args);
}

Variant OleCall(const Variant& object, const String& name, const TOleArgs& args) {
  return OleObjectOf(object).Call(name, args);
}

std::shared_ptr<IAutomationServer> RegisterAutomationServer(const String& progId,
                                                            std::shared_ptr<IAutomationServer> server) {
  TServerRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.Lock);
  std::shared_ptr<IAutomationServer> previous;
  auto found = registry.Servers.find(progId);
  if (found != registry.Servers.end()) {
    previous = std::move(found->second);
    registry.Servers.erase(found);
  }
  if (server) registry.Servers[progId] = std::move(server);
  return previous;
}

bool CLSIDFromProgID(const String& progId) { return FindServer(progId) != nullptr; }

Variant CreateOleObject(const String& progId) { return RequireServer(progId)->CreateObject(); }

Variant GetActiveOleObject(const String& progId) {
  Variant active = RequireServer(progId)->ActiveObject();
  if (active.IsEmpty() || active.IsNull()) throw EOleSysError(u"Operation unavailable");
  return active;
}

bool AppIsInstalled(const String& progId) { return CLSIDFromProgID(progId); }
bool MSExcelIsInstalled() { return AppIsInstalled(u"Excel.Application"); }
bool MSWordIsInstalled() { return AppIsInstalled(u"Word.Application"); }

bool MSAccessIsInstalled() {
  return AppIsInstalled(u"DAO.DBEngine.35") || AppIsInstalled(u"DAO.DBEngine.36") ||
         AppIsInstalled(u"DAO.DBEngine.120");
}

bool MSJETIsInstalled() { return AppIsInstalled(u"ADODB.Connection"); }
bool OpenOfficeIsInstalled() { return AppIsInstalled(OpenOfficeProgID); }
