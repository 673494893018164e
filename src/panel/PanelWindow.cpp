// Builds the window from the layout table.
#include "panel/PanelWindow.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRadioButton>
#include <QScreen>
#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <utility>

#include "panel/AccessibleNames.h"
#include "panel/KnownFits.h"
#include "panel/Layout.h"
#include "panel/MessageText.h"
#include "panel/MonitorLabel.h"
#include "panel/PanelAccessibility.h"
#include "panel/PanelLook.h"
#include "panel/PanelWidgets.h"
#include "protocol/Catalogue.h"
#include "protocol/Commands.h"
#include "protocol/LocaleText.h"
#include "protocol/LogText.h"

namespace qd40 {

namespace {

constexpr qsizetype kLongestToolTip = 512;
// A button's caption keeps clear of its edge by this much on either side.
constexpr int kButtonTextMargin = 3;
// The property that keeps a control's caption as set, before fitting.
constexpr const char* kCaptionProperty = "caption";
// The whole text of a status line that shows a short form of it.
constexpr const char* kWholeTextProperty = "wholeText";
// The labels that show what the line carries, long as it may be.
constexpr std::array<std::string_view, 3> kLineLabels = {"Label11", "Label12", "Label22"};

QString fromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
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

// Every role the control paints with, from the table: a dark or otherwise
// unusual desktop palette has nothing left to leak in.
void applyLook(QWidget* widget, const ControlSpec& entry) {
  const QColor back = backColour(entry);
  const bool field = entry.kind == Kind::TextBox || entry.kind == Kind::Option;
  widget->setPalette(panelPalette(back, foreColour(entry), field ? colourFor(kFieldColour) : back));
  widget->setAutoFillBackground(entry.kind != Kind::Button && entry.kind != Kind::TextBox);
  // A control "without a font of its own" takes the window's font, even
  // inside a frame whose font differs.
  if (!entry.font.none()) widget->setFont(fontFor(entry.font.inherit ? kFormFont : entry.font));
}

// Whether a caption may take its known fit instead of being measured.
enum class Fitting { Measure, KnownFirst };

// Shows a caption in a button or a titled label, fitted to the control: it
// wraps, and shrinks only if wrapping is not enough. The caption as set is
// kept for reading back. Returns whether it took a known fit.
bool showCaption(QWidget* widget, const ControlSpec& entry, const QString& caption,
                 Fitting fitting = Fitting::Measure) {
  widget->setProperty(kCaptionProperty, caption);
  QSize area = widget->size();
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    area = label->contentsRect().size();
  } else {
    area.rwidth() -= 2 * kButtonTextMargin;
  }
  const FontSpec& font = entry.font.inherit ? kFormFont : entry.font;
  std::optional<FittedCaption> known;
  if (fitting == Fitting::KnownFirst) known = knownFit(caption, font, area);
  const FittedCaption fitted = known ? *known : fitCaption(caption, fontFor(font), area);
  widget->setFont(fitted.font);
  const QString shown = fitted.lines.join('\n');
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(shown);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    // A caption is shown as written: '&' would otherwise mark a mnemonic.
    button->setText(QString(shown).replace('&', "&&"));
  }
  return known.has_value();
}

QWidget* makeWidget(const ControlSpec& entry, QWidget* container) {
  const QString caption = fromView(entry.caption);
  switch (entry.kind) {
    case Kind::Frame: {
      auto* frame = new QFrame(container);
      frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
      return frame;
    }
    case Kind::Label: {
      const bool line = std::ranges::find(kLineLabels, entry.name) != kLineLabels.end();
      QLabel* label = line ? new MonitorLabel(container) : new QLabel(container);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(alignmentFor(entry.align));
      if (entry.has(kBorder)) label->setFrameStyle(QFrame::Box | QFrame::Plain);
      return label;
    }
    case Kind::Button: {
      const ActionRow* action = actionByButton(entry.name);
      const bool held = action != nullptr && action->held();
      QPushButton* button = held ? new HoldButton(container) : new FlatButton(container);
      button->setAutoDefault(false);
      return button;
    }
    case Kind::Option: {
      auto* option = new QRadioButton(caption, container);
      option->setChecked(entry.has(kMarkedAtStart));
      return option;
    }
    case Kind::TextBox: {
      auto* box = new CommandBox(container);
      box->setMaxLength(std::numeric_limits<int>::max());
      return box;
    }
    case Kind::Image: {
      auto* picture = new PictureLabel(container);
      picture->setPixmap(makeLogo());
      return picture;
    }
    case Kind::Line:
      return new QFrame(container);
    case Kind::Timer:
    case Kind::Comm:
      break;
  }
  return nullptr;
}

}  // namespace

PanelWindow::PanelWindow(QWidget* parent)
    : QWidget(parent),
      m_outerHeight(kForm.designHeight),
      m_labelCaptions(new FramedCaptions(
          [this](QLabel* label, const QString& text) { showLabelText(label, text); }, this)) {
  setObjectName("Form1");
  setWindowTitle(fromView(kForm.caption));
  setPalette(panelPalette(colourFor(kFormBack), colourFor(kTextColour), colourFor(kFieldColour)));
  setAutoFillBackground(true);
  setFont(fontFor(kFormFont));
  installPanelAccessibility();
  build();
  addDeviceMenu();
  setFixedSize(toPixels(kForm.clientWidth), toPixels(m_outerHeight - kForm.frameHeight));
}

void PanelWindow::measureKnownFits() {
  // Setting the same font and text again changes nothing on screen.
  for (const QPointer<QWidget>& widget : std::exchange(m_unmeasured, {})) {
    if (widget == nullptr) continue;
    showCaption(widget, *findControl(widget->objectName().toStdString()),
                widget->property(kCaptionProperty).toString());
  }
}

void PanelWindow::build() {
  std::vector<std::pair<int, QWidget*>> tabOrder;
  for (const ControlSpec& entry : controlTable()) {
    QWidget* container = entry.container == "Form1" ? this : control(entry.container);
    QWidget* widget = makeWidget(entry, container);
    if (widget == nullptr) continue;
    widget->setObjectName(fromView(entry.name));
    widget->setGeometry(entry.kind == Kind::Line
                            ? lineRect(entry)
                            : twipsRect(entry.left, entry.top, entry.width, entry.height));
    applyLook(widget, entry);
    if (entry.kind == Kind::Button || (entry.kind == Kind::Label && !entry.caption.empty())) {
      if (showCaption(widget, entry, fromView(entry.caption), Fitting::KnownFirst)) {
        m_unmeasured.emplace_back(widget);
      }
    }
    // A label keeps its text as its name: an accessible name of its own would
    // hide the text from screen readers.
    if (const auto spoken = accessibleButtonName(entry.name)) {
      widget->setAccessibleName(QString::fromStdString(*spoken));
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
  for (const LabelFor& pair : kLabelsFor) {
    qobject_cast<QLabel*>(control(pair.label))->setBuddy(control(pair.control));
  }
  for (const FrameName& frame : kFrameNames) {
    control(frame.frame)->setAccessibleName(fromView(frame.name));
  }
  // Each pair of options is a group of its own: option buttons left to
  // themselves group by parent widget, and the speed frame lies inside the
  // port frame.
  for (const OptionGroup& options : kOptionGroups) {
    auto* group = new QButtonGroup(control(options.frame));
    group->setExclusive(true);
    for (const std::string_view option : {options.first, options.second}) {
      group->addButton(qobject_cast<QAbstractButton*>(control(option)));
    }
  }
  std::sort(tabOrder.begin(), tabOrder.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 1; i < tabOrder.size(); ++i) {
    QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
  }
}

QWidget* PanelWindow::control(std::string_view name) const {
  return m_controls.value(fromView(name), nullptr);
}

QWidget* PanelWindow::widget(Control control) const {
  return this->control(controlName(control));
}

void PanelWindow::previewKeyPress(int key, Qt::KeyboardModifiers modifiers) {
  emit keyDown(key, modifiers);
}

void PanelWindow::setCaption(Control control, const std::string& text) {
  ++m_captionWrites[control];
  const QString value = QString::fromStdString(text);
  QWidget* target = widget(control);
  if (auto* label = qobject_cast<QLabel*>(target)) {
    m_labelCaptions->set(label, value);
  } else if (auto* box = qobject_cast<QLineEdit*>(target)) {
    box->setText(value);
  } else if (qobject_cast<QAbstractButton*>(target) != nullptr) {
    showCaption(target, *findControl(controlName(control)), value);
  }
}

void PanelWindow::appendCaption(Control control, std::string_view added) {
  auto* label = qobject_cast<QLabel*>(widget(control));
  if (label == nullptr) {
    setCaption(control, caption(control).append(added));
    return;
  }
  ++m_captionWrites[control];
  m_labelCaptions->append(label,
                          QString::fromUtf8(added.data(), static_cast<qsizetype>(added.size())));
}

std::uint64_t PanelWindow::captionWrites(Control control) const {
  const auto writes = m_captionWrites.find(control);
  return writes == m_captionWrites.end() ? 0 : writes->second;
}

void PanelWindow::showLabelText(QLabel* label, const QString& text) {
  if (label != widget(Control::StatusText)) {
    label->setText(text);
    return;
  }
  // A reason for a port failure is longer than the status line: the line
  // shows a short form that fits, the box and hovering all of it. Decoded
  // statuses and replies shown as the status begin with a blank and are
  // shown as they are.
  const QFontMetrics metrics(label->font());
  const int room = label->contentsRect().width() - 2 * label->margin();
  const QString shown = text.startsWith(QLatin1Char(' '))
                            ? text
                            : statusLineText(text, [&](const QString& candidate) {
                                return metrics.horizontalAdvance(candidate) <= room;
                              });
  label->setText(shown);
  // The caption stays the whole text, for the logic and for screen readers.
  label->setProperty(kWholeTextProperty, shown == text ? QVariant() : QVariant(text));
  label->setToolTip(text.size() <= kLongestToolTip ? text : QString());
}

std::string PanelWindow::caption(Control control) const {
  QWidget* target = widget(control);
  if (auto* label = qobject_cast<QLabel*>(target)) {
    const QString shown = m_labelCaptions->text(label);
    const QVariant whole = label->property(kWholeTextProperty);
    return (whole.isValid() && shown == label->text() ? whole.toString() : shown).toStdString();
  }
  if (auto* box = qobject_cast<QLineEdit*>(target)) return box->text().toStdString();
  if (qobject_cast<QAbstractButton*>(target) != nullptr) {
    return target->property(kCaptionProperty).toString().toStdString();
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

}  // namespace qd40
