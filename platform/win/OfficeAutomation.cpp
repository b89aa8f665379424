#include "platform/win/OfficeAutomation.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include "platform/rtl/Strings.h"
#include "platform/win/UnoWire.h"

extern char** environ;

namespace {

constexpr char PythonPath[] = "/usr/bin/python3";
// The helper starts the suite within three minutes or gives up itself; a
// single call (storing a large document) gets five.
constexpr int StartTimeoutMs = 200 * 1000;
constexpr int CallTimeoutMs = 300 * 1000;
constexpr Cardinal MaxAnswerSize = 256u << 20;

const String ServerGone = u"The RPC server is unavailable";

pid_t Spawn(const char* const argv[], int stdinFd, int stdoutFd) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (stdinFd >= 0) posix_spawn_file_actions_adddup2(&actions, stdinFd, 0);
  if (stdoutFd >= 0) posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  return failed == 0 ? pid : -1;
}

bool ProgramOnPath(const char* name) {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string candidate = folders.substr(start, end - start) + "/" + name;
    if (end > start && ::access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

bool PythonHasUno() {
  if (::access(PythonPath, X_OK) != 0) return false;
  const char* const argv[] = {PythonPath, "-c", "import uno", nullptr};
  pid_t pid = Spawn(argv, -1, -1);
  if (pid < 0) return false;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// One helper process and the suite it started.
class TUnoSession : public std::enable_shared_from_this<TUnoSession> {
 public:
  TUnoSession() = default;
  TUnoSession(const TUnoSession&) = delete;
  TUnoSession& operator=(const TUnoSession&) = delete;
  ~TUnoSession() { Stop(); }

  // Starts the helper and waits until the suite answers; raises the
  // helper's message when it could not start it.
  void Start() {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) throw EOleSysError(ServerGone);
    const char* const argv[] = {PythonPath, "-c", UnoHelperScript(), nullptr};
    FPid = Spawn(argv, fds[1], fds[1]);
    ::close(fds[1]);
    FSocket = fds[0];
    if (FPid < 0) {
      Stop();
      throw EOleSysError(ServerGone);
    }
    try {
      Answer(StartTimeoutMs);  // the root, object 0
    } catch (...) {
      Stop();
      throw;
    }
  }

  Variant Request(char operation, Cardinal object, const String& name, const TOleArgs& args);
  void Release(Cardinal object) {
    std::lock_guard<std::mutex> guard(FLock);
    if (FSocket < 0) return;
    std::string body(1, 'R');
    for (int i = 0; i < 4; ++i) body += static_cast<char>((object >> (8 * i)) & 0xFF);
    std::string message;
    for (int i = 0; i < 4; ++i) message += static_cast<char>((body.size() >> (8 * i)) & 0xFF);
    SendAll(message + body);
  }

  // Whether the suite still runs: the helper answers and nobody terminated it.
  bool OfficeRuns() const { return FSocket >= 0 && !FTerminated; }

  Variant ObjectOf(Cardinal number);

 private:
  void SendAll(const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
      const ssize_t n = ::send(FSocket, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        Broken();
        throw EOleSysError(ServerGone);
      }
      sent += static_cast<size_t>(n);
    }
  }

  void ReceiveAll(Byte* data, size_t size, int timeoutMs) {
    size_t got = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got < size) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd pfd{FSocket, POLLIN, 0};
      const int ready = left.count() > 0 ? ::poll(&pfd, 1, static_cast<int>(left.count())) : 0;
      if (ready < 0 && errno == EINTR) continue;
      const ssize_t n = ready > 0 ? ::recv(FSocket, data + got, size - got, 0) : -1;
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        Broken();
        throw EOleSysError(ServerGone);
      }
      got += static_cast<size_t>(n);
    }
  }

  Variant Answer(int timeoutMs) {
    Byte head[4];
    ReceiveAll(head, 4, timeoutMs);
    const Cardinal size = Cardinal(head[0]) | Cardinal(head[1]) << 8 | Cardinal(head[2]) << 16 |
                          Cardinal(head[3]) << 24;
    if (size > MaxAnswerSize) {
      Broken();
      throw EOleSysError(u"Malformed answer from the office suite");
    }
    std::vector<Byte> body(size);
    ReceiveAll(body.data(), size, timeoutMs);
    return ReadUnoAnswer(body, [this](Cardinal number) { return ObjectOf(number); });
  }

  // The helper stopped answering: it is ended, and every later call fails.
  void Broken() {
    if (FSocket >= 0) ::close(FSocket);
    FSocket = -1;
    if (FPid > 0) ::kill(FPid, SIGKILL);
  }

  void Stop() {
    if (FSocket >= 0) {
      const std::string quit = std::string("\x01\0\0\0", 4) + "Q";
      ::send(FSocket, quit.data(), quit.size(), MSG_NOSIGNAL);
      ::close(FSocket);
      FSocket = -1;
    }
    if (FPid <= 0) return;
    // The helper closes the suite and removes its profile; a helper that
    // hangs is ended after a minute.
    int status = 0;
    for (int waited = 0; ::waitpid(FPid, &status, WNOHANG) == 0; waited += 20) {
      if (waited == 60 * 1000) ::kill(FPid, SIGKILL);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    FPid = -1;
  }

  std::mutex FLock;
  int FSocket = -1;
  pid_t FPid = -1;
  bool FTerminated = false;
};

class TUnoObject : public TAutomationObject {
 public:
  TUnoObject(std::shared_ptr<TUnoSession> session, Cardinal number)
      : FSession(std::move(session)), FNumber(number) {}

  Variant Get(const String& name, const TOleArgs& args) override {
    return FSession->Request('G', FNumber, name, args);
  }
  void Put(const String& name, const Variant& value, const TOleArgs& args) override {
    TOleArgs all{value};
    all.insert(all.end(), args.begin(), args.end());
    FSession->Request('P', FNumber, name, all);
  }
  Variant Call(const String& name, const TOleArgs& args) override {
    return FSession->Request('C', FNumber, name, args);
  }
  const char* ClassName() const override { return "TUnoObject"; }

  const TUnoSession* Session() const { return FSession.get(); }
  Cardinal Number() const { return FNumber; }

 protected:
  ~TUnoObject() override {
    if (FNumber != 0) FSession->Release(FNumber);
  }

 private:
  std::shared_ptr<TUnoSession> FSession;
  Cardinal FNumber;
};

Variant TUnoSession::ObjectOf(Cardinal number) {
  auto* obj = new TUnoObject(shared_from_this(), number);
  Variant result = Variant::FromDispatch(obj);
  obj->Release();  // the variant holds the one reference
  return result;
}

Variant TUnoSession::Request(char operation, Cardinal object, const String& name, const TOleArgs& args) {
  std::lock_guard<std::mutex> guard(FLock);
  if (FSocket < 0) throw EOleSysError(ServerGone);
  auto numberOf = [this](const Variant& value) -> Cardinal {
    const auto* obj = dynamic_cast<const TUnoObject*>(value.AsSharedObject());
    if (obj == nullptr || obj->Session() != this) throw EOleSysError(u"Type mismatch");
    return obj->Number();
  };
  SendAll(UnoRequest(operation, object, name, args, numberOf));
  Variant result = Answer(CallTimeoutMs);
  if (operation != 'P' && LowerCase(name) == u"terminate") FTerminated = true;
  return result;
}

class TLibreOfficeServer : public IAutomationServer {
 public:
  Variant CreateObject() override {
    auto session = std::make_shared<TUnoSession>();
    session->Start();
    std::lock_guard<std::mutex> guard(FLock);
    FCurrent = session;
    return session->ObjectOf(0);
  }

  Variant ActiveObject() override {
    std::shared_ptr<TUnoSession> session;
    {
      std::lock_guard<std::mutex> guard(FLock);
      session = FCurrent.lock();
    }
    if (!session || !session->OfficeRuns()) return Variant();
    return session->ObjectOf(0);
  }

 private:
  std::mutex FLock;
  std::weak_ptr<TUnoSession> FCurrent;  // the instance that runs while someone holds it
};

}  // namespace

std::shared_ptr<IAutomationServer> CreateLibreOfficeServer() {
  if (!ProgramOnPath("soffice") || !PythonHasUno()) return nullptr;
  return std::make_shared<TLibreOfficeServer>();
}

String FileNameToURL(const String& fileName) {
  std::filesystem::path path(StringToUtf8(fileName));
  if (path.is_relative()) path = std::filesystem::current_path() / path;
  const std::string bytes = path.lexically_normal().string();
  static const char hex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : bytes) {
    const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                      c == '.' || c == '_' || c == '~' || c == '/';
    if (keep) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += hex[c >> 4];
      url += hex[c & 15];
    }
  }
  return StrFromAscii(url);
}
