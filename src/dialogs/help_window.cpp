#include "dialogs/help_window.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QHBoxLayout>
#include <QListWidget>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextDocument>
#include <algorithm>

#include "dialogs/about_dialog.h"

namespace dotcaster {

std::vector<HelpTopic> ManualTopics(const QString& html) {
  static const QRegularExpression heading(
      QString::fromLatin1(R"re(<h2\s+id\s*=\s*"([^"]+)"[^>]*>(.*?)</h2>)re"),
      QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
  static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
  std::vector<HelpTopic> topics;
  for (auto it = heading.globalMatch(html); it.hasNext();) {
    const auto match = it.next();
    QString title = match.captured(2);
    title.remove(tags);
    QTextDocument plain;
    plain.setHtml(title);  // resolves entities such as &amp;
    topics.push_back({plain.toPlainText().simplified(), match.captured(1)});
  }
  return topics;
}

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window),
      contents_(new QListWidget(this)),
      browser_(new QTextBrowser(this)) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Dotcaster Help"));
  setWindowIcon(QIcon(SuiteIcon(kDotcasterAppNumber)));
  contents_->setObjectName(QStringLiteral("HelpContents"));
  browser_->setObjectName(QStringLiteral("HelpText"));
  browser_->setOpenExternalLinks(false);

  auto* splitter = new QSplitter(this);
  splitter->addWidget(contents_);
  splitter->addWidget(browser_);
  splitter->setStretchFactor(1, 1);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter);

  QFile manual(QStringLiteral(":/dotcaster/help/manual.html"));
  if (manual.open(QIODevice::ReadOnly)) {
    topics_ = ManualTopics(QString::fromUtf8(manual.readAll()));
    browser_->setSource(QUrl(QString::fromLatin1(kManualUrl)));
  } else {
    browser_->setPlainText(QStringLiteral("The help text is missing from this build."));
  }
  for (const HelpTopic& topic : topics_)
    contents_->addItem(topic.title);
  // The contents list starts wide enough for its longest title in the window's font.
  const int contents_width = contents_->sizeHintForColumn(0) + 2 * contents_->frameWidth() +
                             contents_->verticalScrollBar()->sizeHint().width();
  splitter->setSizes({std::max(180, contents_width), 520});
  resize(std::max(720, contents_width + 540), 520);

  // Follows the selection rather than the current row: focusing the list makes its first
  // row current without selecting it, which must not scroll away from the contents.
  connect(contents_, &QListWidget::itemSelectionChanged, this, [this] {
    const int row = contents_->currentRow();
    if (contents_->selectedItems().isEmpty()) return;
    if (row >= 0 && row < static_cast<int>(topics_.size())) ShowTopic(topics_[row].anchor);
  });
}

void HelpWindow::ShowContents() {
  contents_->blockSignals(true);
  contents_->clearSelection();
  contents_->setCurrentRow(-1);
  contents_->blockSignals(false);
  browser_->verticalScrollBar()->setValue(0);
  contents_->setFocus(Qt::OtherFocusReason);
}

bool HelpWindow::ShowTopic(const QString& anchor) {
  for (const HelpTopic& topic : topics_) {
    if (topic.anchor != anchor) continue;
    browser_->scrollToAnchor(anchor);
    return true;
  }
  return false;
}

HelpWindowProvider::HelpWindowProvider(QWidget* home) : home_(home) {}

HelpWindowProvider::~HelpWindowProvider() {
  delete window_.data();
}

void HelpWindowProvider::ShowTopics() {
  if (!window_) window_ = new HelpWindow(home_);
  // A window outside the active modal dialog would take no input; lend it to the dialog.
  QWidget* modal = QApplication::activeModalWidget();
  if (modal && modal != window_ && window_->parentWidget() != modal) {
    window_->setParent(modal, Qt::Window);
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      QPointer<HelpWindow> lent = window_;
      QPointer<QWidget> home = home_;
      QObject::connect(dialog, &QDialog::finished, lent, [lent, home] {
        if (!lent) return;
        const bool shown = lent->isVisible();
        lent->setParent(home, Qt::Window);
        if (shown) lent->show();
      });
    }
  }
  window_->ShowContents();
  window_->show();
  window_->raise();
  window_->activateWindow();
}

}  // namespace dotcaster
