// Builds the window from the layout table and binds its events.
#include "panel/PanelWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QScreen>
#include <array>
#include <cmath>
#include <cstdio>

#include "app/Form1.h"
#include "panel/Layout.h"
#include "panel/MessageText.h"
#include "panel/PanelWidgets.h"
#include "protocol/Commands.h"

namespace qd40 {

namespace {

// Japanese-capable Gothic faces that stand in for the designed fixed-pitch
// and proportional faces, which Linux does not have.
constexpr const char* kGothicFamily = "Noto Sans Mono CJK JP";
constexpr const char* kPGothicFamily = "Noto Sans CJK JP";
constexpr qsizetype kLongestToolTip = 512;

QFont fontFor(const FontSpec& entry) {
  QFont font(entry.face == Face::Gothic ? kGothicFamily : kPGothicFamily);
  font.setPointSizeF(entry.points);
  font.setWeight(entry.bold ? QFont::Bold : QFont::Normal);
  font.setStyleHint(entry.face == Face::Gothic ? QFont::TypeWriter : QFont::SansSerif);
  return font;
}

QColor colourFor(const Colour& colour) {
  return QColor(colour.red, colour.green, colour.blue);
}

QRect twipsRect(int left, int top, int width, int height) {
  return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}

// A line becomes a filled strip of its width, centred on the line.
QRect lineRect(const ControlSpec& line) {
  const int x1 = toPixels(line.left), y1 = toPixels(line.top);
  const int x2 = toPixels(line.width), y2 = toPixels(line.height);
  const int half = kLineWidthPixels / 2;
  if (x1 == x2) return {x1 - half, std::min(y1, y2), kLineWidthPixels, std::abs(y2 - y1)};
  return {std::min(x1, x2), y1 - half, std::abs(x2 - x1), kLineWidthPixels};
}

Qt::Alignment alignmentFor(Align align) {
  switch (align) {
    case Align::Centre:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case Align::Right:
      return Qt::AlignRight | Qt::AlignVCenter;
    case Align::Left:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

void applyLook(QWidget* widget, const ControlSpec& entry) {
  QPalette palette = widget->palette();
  const QPalette::ColorRole backRole =
      entry.kind == Kind::Button
          ? QPalette::Button
          : (entry.kind == Kind::TextBox ? QPalette::Base : QPalette::Window);
  const QPalette::ColorRole foreRole =
      entry.kind == Kind::Button
          ? QPalette::ButtonText
          : (entry.kind == Kind::TextBox ? QPalette::Text : QPalette::WindowText);
  if (entry.back.isRgb()) {
    palette.setColor(backRole, colourFor(entry.back));
    if (entry.kind != Kind::Button && entry.kind != Kind::TextBox)
      widget->setAutoFillBackground(true);
  }
  if (entry.fore.isRgb()) palette.setColor(foreRole, colourFor(entry.fore));
  widget->setPalette(palette);
  // A control "without a font of its own" takes the window's font, even
  // inside a frame whose font differs.
  if (!entry.font.none()) widget->setFont(fontFor(entry.font.inherit ? kFormFont : entry.font));
}

// A caption too wide for its button wraps at a blank when the button is tall
// enough for two lines, as the designed buttons do.
QString fitCaption(const QString& caption, const QFont& font, int width, int height) {
  const QFontMetrics metrics(font);
  constexpr int kPadding = 6;
  const int space = caption.lastIndexOf(' ');
  if (metrics.horizontalAdvance(caption) + kPadding <= width || space < 0 ||
      3 * metrics.lineSpacing() > 2 * height) {
    return caption;
  }
  return caption.left(space) + '\n' + caption.mid(space + 1);
}

QWidget* makeWidget(const ControlSpec& entry, QWidget* container) {
  const QString caption =
      QString::fromUtf8(entry.caption.data(), static_cast<qsizetype>(entry.caption.size()));
  switch (entry.kind) {
    case Kind::Frame: {
      auto* frame = new QFrame(container);
      frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
      return frame;
    }
    case Kind::Label: {
      auto* label = new QLabel(container);
      label->setTextFormat(Qt::PlainText);
      label->setText(caption);
      label->setAlignment(alignmentFor(entry.align));
      if (entry.has(kBorder)) label->setFrameStyle(QFrame::Box | QFrame::Plain);
      return label;
    }
    case Kind::Button: {
      const bool held = std::any_of(kHoldTable.begin(), kHoldTable.end(),
                                    [&](const HoldRow& row) { return row.button == entry.name; });
      QPushButton* button = held ? new HoldButton(container) : new QPushButton(container);
      // A caption is shown as written: '&' would otherwise mark a mnemonic.
      button->setFont(fontFor(entry.font.inherit ? kFormFont : entry.font));
      button->setText(fitCaption(QString(caption).replace('&', "&&"), button->font(),
                                 toPixels(entry.width), toPixels(entry.height)));
      button->setAutoDefault(false);
      return button;
    }
    case Kind::Option: {
      auto* option = new QRadioButton(caption, container);
      option->setChecked(entry.has(kMarkedAtStart));
      return option;
    }
    case Kind::TextBox: {
      auto* box = new QLineEdit(container);
      box->setMaxLength(std::numeric_limits<int>::max());
      return box;
    }
    case Kind::Image: {
      auto* picture = new PictureLabel(container);
      picture->setPixmap(makeLogo());
      return picture;
    }
    case Kind::Line: {
      auto* line = new QFrame(container);
      line->setAutoFillBackground(true);
      return line;
    }
    case Kind::Timer:
    case Kind::Comm:
      break;
  }
  return nullptr;
}

}  // namespace

PanelWindow::PanelWindow(QWidget* parent) : QWidget(parent), m_outerHeight(kForm.designHeight) {
  setObjectName("Form1");
  setWindowTitle(
      QString::fromUtf8(kForm.caption.data(), static_cast<qsizetype>(kForm.caption.size())));
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, colourFor(kFormBack));
  setPalette(palette);
  setAutoFillBackground(true);
  setFont(fontFor(kFormFont));
  build();
  setFixedSize(toPixels(kForm.clientWidth), toPixels(m_outerHeight - kForm.frameHeight));
}

QString PanelWindow::messageTitle() {
  return QStringLiteral("QD40 Control");
}

void PanelWindow::build() {
  std::vector<std::pair<int, QWidget*>> tabOrder;
  for (const ControlSpec& entry : controlTable()) {
    QWidget* container = entry.container == "Form1" ? this : control(entry.container);
    QWidget* widget = makeWidget(entry, container);
    if (widget == nullptr) continue;
    widget->setObjectName(
        QString::fromUtf8(entry.name.data(), static_cast<qsizetype>(entry.name.size())));
    widget->setGeometry(entry.kind == Kind::Line
                            ? lineRect(entry)
                            : twipsRect(entry.left, entry.top, entry.width, entry.height));
    applyLook(widget, entry);
    if (entry.kind == Kind::Line) {
      QPalette palette = widget->palette();
      palette.setColor(QPalette::Window, colourFor(kLineColour));
      widget->setPalette(palette);
    }
    if (entry.has(kHiddenAtStart)) widget->hide();
    if (entry.kind == Kind::Frame || entry.kind == Kind::Label || entry.kind == Kind::Line ||
        entry.kind == Kind::Image) {
      widget->setFocusPolicy(Qt::NoFocus);
    } else {
      widget->setFocusPolicy(Qt::StrongFocus);
      tabOrder.emplace_back(entry.tab, widget);
    }
    m_controls.insert(widget->objectName(), widget);
  }
  std::sort(tabOrder.begin(), tabOrder.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 1; i < tabOrder.size(); ++i) {
    QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
  }
}

QWidget* PanelWindow::control(std::string_view name) const {
  return m_controls.value(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())),
                          nullptr);
}

QWidget* PanelWindow::widget(Control control) const {
  return this->control(controlName(control));
}

void PanelWindow::bind(Form1& form) {
  m_form = &form;
  for (const CommandRow& row : kCommandTable) {
    auto* button = qobject_cast<QPushButton*>(control(row.button));
    connect(button, &QPushButton::clicked, this, [&form, &row] { form.commandClick(row); });
  }
  for (const HoldRow& row : kHoldTable) {
    auto* button = qobject_cast<HoldButton*>(control(row.button));
    connect(button, &HoldButton::mouseDown, this, [&form, &row] { form.holdMouseDown(row); });
    connect(button, &HoldButton::mouseUp, this, [&form, &row] { form.holdMouseUp(row); });
  }
  struct Click {
    std::string_view control;
    void (Form1::*handler)();
  };
  static constexpr std::array kClicks = {
      Click{"Command16", &Form1::Command16_Click}, Click{"Command33", &Form1::Command33_Click},
      Click{"Command34", &Form1::Command34_Click}, Click{"Command95", &Form1::Command95_Click},
      Click{"Command96", &Form1::Command96_Click}, Click{"Option1", &Form1::Option1_Click},
      Click{"Option2", &Form1::Option2_Click},     Click{"Option9", &Form1::Option9_Click},
      Click{"Option10", &Form1::Option10_Click},
  };
  for (const Click& click : kClicks) {
    auto* button = qobject_cast<QAbstractButton*>(control(click.control));
    connect(button, &QAbstractButton::clicked, this, [&form, &click] { (form.*click.handler)(); });
  }
  connect(qobject_cast<PictureLabel*>(control("Image1")), &PictureLabel::doubleClicked, this,
          [&form] { form.Image1_DblClick(); });
}

void PanelWindow::previewKeyPress(int key, Qt::KeyboardModifiers modifiers) {
  if (m_form == nullptr) return;
  int shift = 0;
  if (modifiers & Qt::ShiftModifier) shift |= Form1::kShiftMask;
  if (modifiers & Qt::ControlModifier) shift |= Form1::kCtrlMask;
  if (modifiers & Qt::AltModifier) shift |= Form1::kAltMask;
  m_form->Form_KeyDown(key, shift);
}

void PanelWindow::setCaption(Control control, const std::string& text) {
  const QString value = QString::fromStdString(text);
  QWidget* target = widget(control);
  if (auto* label = qobject_cast<QLabel*>(target)) {
    label->setText(value);
    // A reason for a port failure is longer than the status line; hovering
    // shows all of it.
    if (control == Control::Label22) {
      label->setToolTip(value.size() <= kLongestToolTip ? value : QString());
    }
  } else if (auto* box = qobject_cast<QLineEdit*>(target)) {
    box->setText(value);
  } else if (auto* button = qobject_cast<QAbstractButton*>(target)) {
    button->setText(QString(value).replace('&', "&&"));
  }
}

std::string PanelWindow::caption(Control control) const {
  QWidget* target = widget(control);
  if (auto* label = qobject_cast<QLabel*>(target)) return label->text().toStdString();
  if (auto* box = qobject_cast<QLineEdit*>(target)) return box->text().toStdString();
  if (auto* button = qobject_cast<QAbstractButton*>(target)) {
    return button->text().replace("&&", "&").replace('\n', ' ').toStdString();
  }
  return {};
}

void PanelWindow::setVisible(Control control, bool visible) {
  widget(control)->setVisible(visible);
}

bool PanelWindow::isVisible(Control control) const {
  return !widget(control)->isHidden();
}

void PanelWindow::setMarked(Control option, bool marked) {
  if (auto* button = qobject_cast<QAbstractButton*>(widget(option))) button->setChecked(marked);
}

void PanelWindow::setHeight(int twips) {
  m_outerHeight = twips;
  setFixedHeight(toPixels(twips - kForm.frameHeight));
}

int PanelWindow::width() const {
  return kForm.outerWidth;
}

void PanelWindow::move(double left, double top) {
  QWidget::move(static_cast<int>(std::lround(left / kTwipsPerPixel)),
                static_cast<int>(std::lround(top / kTwipsPerPixel)));
}

ScreenSize PanelWindow::screenSize() const {
  const QScreen* screen =
      this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return {};
  const QSize size = screen->geometry().size();
  return {static_cast<double>(size.width()) * kTwipsPerPixel,
          static_cast<double>(size.height()) * kTwipsPerPixel};
}

void PanelWindow::messageBox(const std::string& text) {
  QMessageBox box(QMessageBox::Warning, messageTitle(), boxText(text), QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void PanelWindow::showPortProblem(const std::string& text) {
  std::fprintf(stderr, "qd40-control: %s\n", text.c_str());
  if (m_portBox == nullptr) {
    m_portBox =
        new QMessageBox(QMessageBox::Warning, messageTitle(), QString(), QMessageBox::Ok, this);
    m_portBox->setObjectName("PortProblem");
    m_portBox->setTextFormat(Qt::PlainText);
    m_portBox->setWindowModality(Qt::NonModal);
    m_portBox->setAttribute(Qt::WA_DeleteOnClose);
    // The panel keeps the keyboard; a held button keeps repeating.
    m_portBox->setAttribute(Qt::WA_ShowWithoutActivating);
  }
  m_portBox->setText(boxText(text));
  m_portBox->show();
}

void PanelWindow::closePortProblem() {
  if (m_portBox != nullptr) m_portBox->close();
}

void PanelWindow::close() {
  QWidget::close();
  QCoreApplication::quit();
}

}  // namespace qd40
