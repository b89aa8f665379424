#include "export/ExportShell.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/rtl/Strings.h"

extern char** environ;

namespace {

bool StartsWithText(StringView text, StringView prefix) {
  return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

void AddRecipients(const String& field, TExportRecipientClass fieldClass,
                   std::vector<TExportMailRecipient>& recipients) {
  const String text = Trim(field);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(u';', start);
    if (end == String::npos) end = text.size();
    String piece = text.substr(start, end - start);
    TExportRecipientClass pieceClass = fieldClass;
    if (StartsWithText(piece, u"BCC:")) {
      pieceClass = rcBCC;
      piece.erase(0, 4);
    } else if (StartsWithText(piece, u"CC:")) {
      pieceClass = rcCC;
      piece.erase(0, 3);
    }
    recipients.push_back({piece, pieceClass});
    start = end + 1;
  }
}

// The program's full path from PATH; empty when it is not there.
std::string FindProgram(const char* name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return {};
  std::string folders = path;
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    std::string candidate = folders.substr(start, end - start) + "/" + name;
    if (end > start && access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return {};
}

// Runs the program with the arguments and waits: its exit code, or
// MailProgramMissing / MailProgramFailed.
Integer RunProgram(const char* name, const std::vector<std::string>& arguments) {
  const std::string program = FindProgram(name);
  if (program.empty()) return MailProgramMissing;
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return MailProgramFailed;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return MailProgramFailed;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : MailProgramFailed;
}

class TXdgShell : public IExportShell {
 public:
  Integer SendMail(const TExportMail& mail) override {
    std::vector<std::string> arguments = {"--utf8", "--subject", StringToUtf8(mail.Subject)};
    if (!mail.Note.empty()) {
      arguments.push_back("--body");
      arguments.push_back(StringToUtf8(mail.Note));
    }
    if (!mail.Attachment.empty()) {
      arguments.push_back("--attach");
      arguments.push_back(StringToUtf8(mail.Attachment));
    }
    std::vector<std::string> to;
    for (const TExportMailRecipient& recipient : mail.Recipients) {
      // An empty piece names nobody; the mail program would refuse it.
      if (Trim(recipient.Address).empty()) continue;
      if (recipient.Class == rcTo) {
        to.push_back(StringToUtf8(recipient.Address));
        continue;
      }
      arguments.push_back(recipient.Class == rcCC ? "--cc" : "--bcc");
      arguments.push_back(StringToUtf8(recipient.Address));
    }
    arguments.insert(arguments.end(), to.begin(), to.end());
    return RunProgram("xdg-email", arguments);
  }

  bool OpenFile(const String& fileName) override { return RunProgram("xdg-open", {StringToUtf8(fileName)}) == 0; }
};

IExportShell* gShell = nullptr;

}  // namespace

std::vector<TExportMailRecipient> MailRecipients(const TSMESendTo& sendTo) {
  std::vector<TExportMailRecipient> recipients;
  AddRecipients(sendTo.EMailRecipient, rcTo, recipients);
  AddRecipients(sendTo.EMailCC, rcCC, recipients);
  AddRecipients(sendTo.EMailBCC, rcBCC, recipients);
  return recipients;
}

IExportShell& ExportShell() {
  static TXdgShell defaultShell;
  return gShell != nullptr ? *gShell : defaultShell;
}

void SetExportShell(IExportShell* shell) { gShell = shell; }
