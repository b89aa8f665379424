#include "platform/win/RecordingAutomation.h"

#include <charconv>

#include "platform/rtl/Strings.h"

namespace {

// One object of the recording server; it knows its path and reports every
// call to the server.
class TRecordingObject : public TAutomationObject {
 public:
  TRecordingObject(std::weak_ptr<TRecordingServer> server, String path)
      : FServer(std::move(server)), FPath(std::move(path)) {}

  const String& Path() const { return FPath; }

  Variant Get(const String& name, const TOleArgs& args) override {
    return Send(TAutomationCall::acGet, name, args, Variant());
  }
  void Put(const String& name, const Variant& value, const TOleArgs& args) override {
    Send(TAutomationCall::acPut, name, args, value);
  }
  Variant Call(const String& name, const TOleArgs& args) override {
    return Send(TAutomationCall::acCall, name, args, Variant());
  }
  const char* ClassName() const override { return "TRecordingObject"; }

 private:
  Variant Send(TAutomationCall::TKind kind, const String& name, const TOleArgs& args, const Variant& value) {
    auto server = FServer.lock();
    if (!server) throw EOleSysError(u"The automation server has gone away");
    TAutomationCall call;
    call.Kind = kind;
    call.Object = FPath;
    call.Name = name;
    call.Args = args;
    call.Value = value;
    return server->Answer(std::move(call));
  }

  std::weak_ptr<TRecordingServer> FServer;
  String FPath;
};

String NumberText(double value) {
  char text[32];
  auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return StrFromAscii(std::string_view(text, end - text));
}

String ArgsText(const TOleArgs& args) {
  String text = u"(";
  for (size_t i = 0; i < args.size(); ++i) {
    if (i > 0) text += u", ";
    text += AutomationValueText(args[i]);
  }
  return text + u")";
}

}  // namespace

String AutomationValueText(const Variant& value) {
  if (value.IsEmptyParam()) return u"<omitted>";
  switch (value.VarType()) {
    case varEmpty: return u"Empty";
    case varNull: return u"Null";
    case varBoolean: return value.AsBoolean() ? u"True" : u"False";
    case varSingle: case varDouble: case varDate: case varCurrency: return NumberText(value.AsDouble());
    case varDispatch:
      if (auto* obj = dynamic_cast<TRecordingObject*>(value.AsSharedObject())) return obj->Path();
      return u"<object>";
    default: break;
  }
  if (VarIsStr(value)) return u"\"" + value.AsString() + u"\"";
  if (const auto* items = value.ArrayItems()) {
    String text = u"[";
    for (size_t i = 0; i < items->size(); ++i) {
      if (i > 0) text += u", ";
      text += AutomationValueText((*items)[i]);
    }
    return text + u"]";
  }
  if (const auto* bytes = value.ByteArray()) return Format(u"<%d bytes>", {Int64(bytes->size())});
  if (VarIsNumeric(value)) return value.AsString();
  return u"<" + VarTypeAsText(value.VarType()) + u">";
}

String TAutomationCall::Target() const {
  String target = Object;
  if (Kind == acCreate || Kind == acAttach) return target;
  target += u"." + Name;
  if (!Args.empty() || Kind == acCall) target += ArgsText(Args);
  return target;
}

String TAutomationCall::Text() const {
  switch (Kind) {
    case acCreate: return u"create " + Object;
    case acAttach: return u"attach " + Object;
    case acGet: return u"get " + Target();
    case acPut: return u"put " + Target() + u" = " + AutomationValueText(Value);
    case acCall: return u"call " + Target();
  }
  return String();
}

TRecordingServer::TRecordingServer(String rootName) : FRootName(std::move(rootName)) {}

Variant TRecordingServer::Object(const String& path) {
  auto* obj = new TRecordingObject(weak_from_this(), path);
  Variant result = Variant::FromDispatch(obj);
  obj->Release();  // the variant holds the one reference
  return result;
}

Variant TRecordingServer::CreateObject() {
  TAutomationCall call;
  call.Kind = TAutomationCall::acCreate;
  call.Object = FRootName;
  FCalls.push_back(call);
  if (!Creatable) throw EOleSysError(u"Server execution failed");
  return Object(FRootName);
}

Variant TRecordingServer::ActiveObject() {
  if (!Running) return Variant();
  TAutomationCall call;
  call.Kind = TAutomationCall::acAttach;
  call.Object = FRootName;
  FCalls.push_back(call);
  return Object(FRootName);
}

void TRecordingServer::Script(const String& target, const Variant& value) { FAnswers[target] = {value}; }

void TRecordingServer::ScriptInTurn(const String& target, const std::vector<Variant>& values) {
  FAnswers[target].assign(values.begin(), values.end());
}

void TRecordingServer::Fail(const String& target, const String& message) { FFailures[target] = message; }

Variant TRecordingServer::Answer(TAutomationCall call) {
  FCalls.push_back(call);
  const String target = call.Target();
  for (const String& key : {target, call.Object + u"." + call.Name}) {
    auto failure = FFailures.find(key);
    if (failure != FFailures.end()) throw EOleException(failure->second);
  }
  Variant result;
  if (OnCall && OnCall(call, result)) return result;
  if (call.Kind == TAutomationCall::acPut) return Variant();
  auto answers = FAnswers.find(target);
  if (answers != FAnswers.end() && !answers->second.empty()) {
    result = answers->second.front();
    if (answers->second.size() > 1) answers->second.pop_front();
    return result;
  }
  return Object(target);
}

std::vector<String> TRecordingServer::Log() const {
  std::vector<String> lines;
  lines.reserve(FCalls.size());
  for (const auto& call : FCalls) lines.push_back(call.Text());
  return lines;
}

std::vector<String> TRecordingServer::LogOf(StringView prefix) const {
  std::vector<String> lines;
  for (const auto& call : FCalls) {
    String text = call.Text();
    if (StringView(text).substr(0, prefix.size()) == prefix) lines.push_back(std::move(text));
  }
  return lines;
}

TAutomationRegistration::TAutomationRegistration(String progId, std::shared_ptr<IAutomationServer> server)
    : FProgId(std::move(progId)), FPrevious(RegisterAutomationServer(FProgId, std::move(server))) {}

TAutomationRegistration::~TAutomationRegistration() { RegisterAutomationServer(FProgId, FPrevious); }
