// A server for tests: it answers every call, logs it with its arguments and
// returns the values a test scripted.
//
// Every object has a path: the root's name, then one step per member read
// or called, with its arguments ("Excel.Sheets(1).Name"). A read or a call
// that nothing scripted returns a new object whose path is that target, so
// chains work without preparation. A test scripts answers by target:
//
//   auto server = std::make_shared<TRecordingServer>(u"Excel");
//   server->Script(u"Excel.Sheets.Count", 1);
//   server->ScriptInTurn(u"Excel.Recordset.EOF", {false, true});
//   server->Fail(u"Excel.Workbooks.Open", u"Cannot open");  // any arguments
//   TAutomationRegistration use(u"Excel.Application", server);
//   ... run the writer ...
//   EXPECT_THAT(server->Log(), Contains(u"call Excel.Workbooks.Add()"));
//
// Log lines read "create ROOT", "attach ROOT", "get PATH", "put PATH =
// VALUE" and "call PATH(ARGS)". Values: texts in double quotes, numbers
// with a ".", True and False, Null, Empty, <omitted> for a left-out
// argument, an object as its path, an array as [a, b].
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>

#include "platform/win/Automation.h"

struct TAutomationCall {
  enum TKind { acCreate, acAttach, acGet, acPut, acCall };
  TKind Kind = acGet;
  String Object;  // the path of the object the call went to
  String Name;
  TOleArgs Args;
  Variant Value;  // what a put wrote
  // The object path plus the member and its arguments: what Script and
  // Fail are keyed by ("Excel.Cells(1, 2)"; a put's value is not part of it).
  String Target() const;
  String Text() const;  // the log line
};

class TRecordingServer : public IAutomationServer, public std::enable_shared_from_this<TRecordingServer> {
 public:
  explicit TRecordingServer(String rootName);

  Variant CreateObject() override;
  // The running instance while Running is set; Empty otherwise.
  Variant ActiveObject() override;

  // Answers a target with a value (replacing what was scripted for it).
  void Script(const String& target, const Variant& value);
  // Answers a target with the values in turn; the last one stays for every
  // later call.
  void ScriptInTurn(const String& target, const std::vector<Variant>& values);
  // Makes calls raise EOleException with the message: a target with
  // arguments matches only those arguments, one without them matches any.
  void Fail(const String& target, const String& message);
  // Decides any call first: return true with the result set to answer it.
  std::function<bool(const TAutomationCall& call, Variant& result)> OnCall;

  bool Running = false;
  bool Creatable = true;  // false: CreateObject raises EOleSysError

  const std::vector<TAutomationCall>& Calls() const { return FCalls; }
  std::vector<String> Log() const;
  // The log lines that start with the prefix.
  std::vector<String> LogOf(StringView prefix) const;
  void ClearLog() { FCalls.clear(); }

  // An object of this server with the path, for a test to script as an
  // answer ("Desktop" rather than the whole chain that made it).
  Variant Object(const String& path);

  // Used by the recording objects.
  Variant Answer(TAutomationCall call);

 private:

  String FRootName;
  std::vector<TAutomationCall> FCalls;
  std::map<String, std::deque<Variant>> FAnswers;
  std::map<String, String> FFailures;
};

// The text of a value as the log writes it.
String AutomationValueText(const Variant& value);

// Registers a server under an identifier for a scope and puts back what was
// registered before when it ends.
class TAutomationRegistration {
 public:
  TAutomationRegistration(String progId, std::shared_ptr<IAutomationServer> server);
  ~TAutomationRegistration();
  TAutomationRegistration(const TAutomationRegistration&) = delete;
  TAutomationRegistration& operator=(const TAutomationRegistration&) = delete;

 private:
  String FProgId;
  std::shared_ptr<IAutomationServer> FPrevious;
};
