#pragma once

// A Prompter for tests: records every question and answers from a script. A question the
// script has no answer for gets the safe answer (OK for a lone OK button, otherwise Cancel)
// and is counted in `unscripted`, so a test can insist that nothing unexpected was asked.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "state/prompter.h"

namespace dotcaster::testing {

struct RecordedMessage {
  std::string text;
  std::string title;
  MsgIcon icon;
  MsgButtons buttons;
};

class ScriptedPrompter : public Prompter {
 public:
  ScriptedPrompter() : previous_(SetPrompter(this)) {}
  ~ScriptedPrompter() override { SetPrompter(previous_); }
  ScriptedPrompter(const ScriptedPrompter&) = delete;
  ScriptedPrompter& operator=(const ScriptedPrompter&) = delete;

  // Scripts, answered in order.
  std::deque<MsgAnswer> message_answers;
  std::deque<std::optional<std::string>> open_answers;
  std::deque<std::optional<std::string>> save_answers;
  std::deque<std::optional<std::string>> device_answers;
  std::deque<std::optional<bool>> disconnection_answers;

  // What was asked.
  std::vector<RecordedMessage> messages;
  std::vector<FileDialogRequest> open_requests;
  std::vector<FileDialogRequest> save_requests;
  std::vector<DeviceFileDialogRequest> device_requests;
  int disconnection_requests = 0;
  int unscripted = 0;

  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> out;
    for (const auto& m : messages)
      out.push_back(m.text);
    return out;
  }

  MsgAnswer Message(std::string_view text, std::string_view title, MsgIcon icon,
                    MsgButtons buttons) override {
    messages.push_back({std::string(text), std::string(title), icon, buttons});
    if (!message_answers.empty()) return Pop(message_answers);
    if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
    ++unscripted;
    return MsgAnswer::Cancel;
  }
  std::optional<std::string> OpenFileName(const FileDialogRequest& request) override {
    open_requests.push_back(request);
    return PopOrCancel(open_answers);
  }
  std::optional<std::string> SaveFileName(const FileDialogRequest& request) override {
    save_requests.push_back(request);
    return PopOrCancel(save_answers);
  }
  std::optional<std::string> DeviceFileName(const DeviceFileDialogRequest& request) override {
    device_requests.push_back(request);
    return PopOrCancel(device_answers);
  }
  std::optional<bool> DisconnectionSetup(bool) override {
    ++disconnection_requests;
    return PopOrCancel(disconnection_answers);
  }

 private:
  template <class T>
  static T Pop(std::deque<T>& queue) {
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
  }
  template <class T>
  std::optional<T> PopOrCancel(std::deque<std::optional<T>>& queue) {
    if (queue.empty()) {
      ++unscripted;
      return std::nullopt;
    }
    return Pop(queue);
  }

  Prompter* previous_;
};

}  // namespace dotcaster::testing
