#include "state/prompter.h"

#include <cstdio>

namespace dotcaster {
namespace {

// Answers for a process without a window: messages go to standard error, every dialog is
// cancelled and every question gets its safe answer.
class ConsolePrompter final : public Prompter {
 public:
  MsgAnswer Message(std::string_view text, std::string_view title, MsgIcon,
                    MsgButtons buttons) override {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(title.size()), title.data(),
                 static_cast<int>(text.size()), text.data());
    return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
  }
  std::optional<std::string> OpenFileName(const FileDialogRequest&) override { return {}; }
  std::optional<std::string> SaveFileName(const FileDialogRequest&) override { return {}; }
  std::optional<std::string> DeviceFileName(const DeviceFileDialogRequest&) override { return {}; }
  std::optional<bool> DisconnectionSetup(bool) override { return {}; }
};

ConsolePrompter console_prompter;
Prompter* current = &console_prompter;

}  // namespace

Prompter& ThePrompter() {
  return *current;
}

Prompter* SetPrompter(Prompter* p) {
  Prompter* previous = current;
  current = p ? p : &console_prompter;
  return previous == &console_prompter ? nullptr : previous;
}

void ShowError(std::string_view text) {
  ThePrompter().Message(text, kAppTitle, MsgIcon::Exclamation, MsgButtons::Ok);
}

}  // namespace dotcaster
