#pragma once

// Dotcaster's help: a short user manual bundled with the program as HTML, shown in a
// window with its table of contents on the left and the text on the right.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <vector>

#include "state/app_state.h"

class QListWidget;
class QTextBrowser;

namespace dotcaster {

// Resource path of the manual.
inline constexpr const char* kManualUrl = "qrc:/dotcaster/help/manual.html";

struct HelpTopic {
  QString title;
  QString anchor;  // id of the section's heading in the manual
};

// The sections of a manual: every <h2 id="..."> heading, in document order.
std::vector<HelpTopic> ManualTopics(const QString& html);

class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);

  // Back to the start of the manual with the contents list focused.
  void ShowContents();
  // Scrolls the text to the topic with this anchor; false for an unknown anchor.
  bool ShowTopic(const QString& anchor);

  QListWidget* contents() const { return contents_; }
  QTextBrowser* browser() const { return browser_; }
  const std::vector<HelpTopic>& topics() const { return topics_; }

 private:
  QListWidget* contents_;
  QTextBrowser* browser_;
  std::vector<HelpTopic> topics_;
};

// The window's HelpProvider. The help window is made on first use and is a top-level
// window of `home` (may be null). While a modal dialog is up, the window is lent to that
// dialog so that it still takes input, and returns to `home` when the dialog finishes.
class HelpWindowProvider : public HelpProvider {
 public:
  explicit HelpWindowProvider(QWidget* home = nullptr);
  ~HelpWindowProvider() override;
  HelpWindowProvider(const HelpWindowProvider&) = delete;
  HelpWindowProvider& operator=(const HelpWindowProvider&) = delete;

  void ShowTopics() override;

  // The help window, or null before the first ShowTopics().
  HelpWindow* window() const { return window_; }

 private:
  QPointer<QWidget> home_;
  QPointer<HelpWindow> window_;
};

}  // namespace dotcaster
