#include "dialogs/about_dialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStackedLayout>
#include <QVBoxLayout>

#include "dialogs/centre.h"

namespace dotcaster {
namespace {

constexpr const char* kRightsHolder1 = "Copyright (C) 1998-2000 Tresk Corporation";
constexpr const char* kRightsHolder2 = "Vantro link suite. All rights reserved.";
constexpr const char* kLegalNotice =
    "This program is protected by copyright law. Copying or distributing it, in whole or "
    "in part, without the permission of the rights holder is prohibited.";

// Body colour of each application's icon, so that the icons of the suite tell apart.
constexpr QRgb kIconColours[kSuiteAppCount] = {0x2f5d9e, 0x3d8b3d, 0x8b5a2b, 0xc49a1a, 0x202020,
                                               0xb03030, 0x4f4f8f, 0x6a6a6a, 0x9b3d8b, 0x2e8b7a,
                                               0x1f6f9f, 0x7a8b2e, 0xc05a1a};

// The glyph on the little screen: Dotcaster's is a picture made of dots; the others are
// simple marks of their own.
void DrawGlyph(QPainter& p, int n, const QRectF& screen) {
  const double u = screen.width() / 8.0;
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  switch (n) {
    case 4:  // a dotted hill under a dotted sun
      for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 8; ++x) {
          const bool sun = (x - 5) * (x - 5) + (y - 1) * (y - 1) <= 1;
          const bool hill = y >= 3 || (y == 2 && x >= 1 && x <= 3);
          if (sun || hill)
            p.drawEllipse(QRectF(screen.left() + x * u + u * 0.15,
                                 screen.top() + y * u * 0.8 + u * 0.1, u * 0.7, u * 0.7));
        }
      break;
    default: {
      QPen pen(Qt::black, std::max(1.0, u * 0.7));
      p.setPen(pen);
      p.setBrush(Qt::NoBrush);
      const QRectF r = screen.adjusted(u, u * 0.6, -u, -u * 0.6);
      switch (n % 4) {
        case 0:
          p.drawEllipse(r);
          break;
        case 1:
          for (int i = 0; i < 3; ++i) {
            const double y = r.top() + r.height() * (i + 0.5) / 3;
            p.drawLine(QPointF(r.left(), y), QPointF(r.right() - i * u, y));
          }
          break;
        case 2:
          p.drawRect(r);
          p.drawLine(r.topLeft(), r.bottomRight());
          break;
        default:
          p.drawLine(QPointF(r.left(), r.bottom()), QPointF(r.center().x(), r.top()));
          p.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.right(), r.bottom()));
          break;
      }
      break;
    }
  }
}

// The suite's logo: the device's outline beside the suite's name.
QPixmap SuiteLogo() {
  QPixmap logo(180, 40);
  logo.fill(Qt::transparent);
  QPainter p(&logo);
  p.setRenderHint(QPainter::Antialiasing);
  p.drawPixmap(0, 4, SuiteIcon(0, 32));
  QFont font = p.font();
  font.setBold(true);
  font.setPointSize(14);
  p.setFont(font);
  p.setPen(QColor(0x2f5d9e));
  p.drawText(QRect(40, 0, 140, 40), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Vantro"));
  return logo;
}

}  // namespace

QPixmap SuiteIcon(int n, int size) {
  if (n < 0 || n >= kSuiteAppCount || size <= 0) return {};
  QPixmap icon(size, size);
  icon.fill(Qt::transparent);
  QPainter p(&icon);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  // A wrist-worn handheld: strap above and below, a body with a grey dot screen.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x505050));
  p.drawRect(QRectF(s * 0.3, 0, s * 0.4, s));
  p.setBrush(QColor(kIconColours[n]));
  p.drawRoundedRect(QRectF(s * 0.06, s * 0.18, s * 0.88, s * 0.64), s * 0.12, s * 0.12);
  const QRectF screen(s * 0.16, s * 0.28, s * 0.68, s * 0.44);
  p.setBrush(QColor(0xc8d4b8));
  p.drawRect(screen);
  DrawGlyph(p, n, screen);
  return icon;
}

GlobalVersion::GlobalVersion(std::int16_t applicationNumber, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      number_(applicationNumber) {
  setObjectName(QStringLiteral("GlobalVersion"));
  setWindowTitle(QStringLiteral("[Caption]"));
  const bool known = number_ >= 0 && number_ < kSuiteAppCount;

  // The icons lie on top of one another; only the chosen application's is shown.
  auto* icons = new QWidget(this);
  icons->setFixedSize(40, 40);
  for (int i = 0; i < kSuiteAppCount; ++i) {
    auto* image = new QLabel(icons);
    image->setObjectName(QStringLiteral("Image2_%1").arg(i));
    image->setPixmap(SuiteIcon(i, 32));
    image->setGeometry(4, 4, 32, 32);
    image->setVisible(i == number_);
  }

  auto* title = new QLabel(QStringLiteral("[Caption]"), this);
  title->setObjectName(QStringLiteral("Label2"));
  QFont title_font = title->font();
  title_font.setBold(true);
  title_font.setPointSizeF(title_font.pointSizeF() * 1.4);
  title->setFont(title_font);
  if (known) {
    const QString name = QString::fromUtf8(kSuiteTitles[number_].data(),
                                           static_cast<int>(kSuiteTitles[number_].size()));
    setWindowTitle(QStringLiteral("About ") + name);
    title->setText(name);
  }

  auto* version = new QLabel(QString::fromLatin1(kSuiteVersionText), this);
  version->setObjectName(QStringLiteral("Label3"));
  auto* holder1 = new QLabel(QString::fromLatin1(kRightsHolder1), this);
  holder1->setObjectName(QStringLiteral("Label4"));
  auto* holder2 = new QLabel(QString::fromLatin1(kRightsHolder2), this);
  holder2->setObjectName(QStringLiteral("Label5"));
  auto* notice = new QLabel(QString::fromLatin1(kLegalNotice), this);
  notice->setObjectName(QStringLiteral("Label7"));
  notice->setWordWrap(true);

  auto framed = [this](const char* name) {
    auto* label = new QLabel(this);
    label->setObjectName(QLatin1String(name));
    label->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    return label;
  };
  auto* logo = new QLabel(this);
  logo->setObjectName(QStringLiteral("Image1"));
  logo->setPixmap(SuiteLogo());

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("Command1"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* head = new QHBoxLayout;
  head->addWidget(icons);
  head->addWidget(title, 1);
  auto* text = new QVBoxLayout;
  text->addLayout(head);
  text->addWidget(version);
  text->addWidget(framed("Label1"));
  text->addWidget(holder1);
  text->addWidget(holder2);
  text->addWidget(framed("Label6"));
  text->addWidget(notice);
  auto* side = new QVBoxLayout;
  side->addWidget(ok);
  side->addStretch();
  side->addWidget(logo);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(text, 1);
  layout->addLayout(side);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  notice->setMinimumWidth(320);

  CentreOnScreen(*this);
}

void ShowAboutDotcaster(QWidget* parent) {
  GlobalVersion about(kDotcasterAppNumber, parent);
  about.exec();
}

}  // namespace dotcaster
