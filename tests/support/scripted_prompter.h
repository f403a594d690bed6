#pragma once

// A Prompter for tests: records every question and answers from a script, in order. An
// unscripted question gets the safe answer (OK for a lone OK button, else Cancel) and counts in
// `unscripted`, so a test can insist that nothing unexpected was asked.

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

  std::deque<MsgAnswer> message_answers;
  std::deque<std::optional<std::string>> open_answers, save_answers, device_answers;
  std::deque<std::optional<bool>> disconnection_answers;

  std::vector<RecordedMessage> messages;
  std::vector<FileDialogRequest> open_requests, save_requests;
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
    if (buttons == MsgButtons::Ok && message_answers.empty()) return MsgAnswer::Ok;
    return Next(message_answers).value_or(MsgAnswer::Cancel);
  }
  std::optional<std::string> OpenFileName(const FileDialogRequest& request) override {
    open_requests.push_back(request);
    return Next(open_answers).value_or(std::nullopt);
  }
  std::optional<std::string> SaveFileName(const FileDialogRequest& request) override {
    save_requests.push_back(request);
    return Next(save_answers).value_or(std::nullopt);
  }
  std::optional<std::string> DeviceFileName(const DeviceFileDialogRequest& request) override {
    device_requests.push_back(request);
    return Next(device_answers).value_or(std::nullopt);
  }
  std::optional<bool> DisconnectionSetup(bool) override {
    ++disconnection_requests;
    return Next(disconnection_answers).value_or(std::nullopt);
  }

 private:
  template <class T>
  std::optional<T> Next(std::deque<T>& script) {
    if (script.empty()) {
      ++unscripted;
      return std::nullopt;
    }
    T answer = std::move(script.front());
    script.pop_front();
    return answer;
  }

  Prompter* previous_;
};

}  // namespace dotcaster::testing
