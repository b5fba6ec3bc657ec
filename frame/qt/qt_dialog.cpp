#include "qt_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimerEvent>
#include <algorithm>
#include <cstring>
#include <utility>

#include "edit_control.h"

namespace agsi::qt {

namespace {

// The letters over which the platform averages a font's character width.
constexpr char kAverageWidthLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kAverageWidthLetterCount = 52;

int MulDiv(int value, int numerator, int denominator) {
  const long long product = static_cast<long long>(value) * numerator;
  const long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

Qt::Alignment AlignmentOf(uint32_t controlStyle) {
  Qt::Alignment alignment = Qt::AlignLeft;
  if ((controlStyle & style::kAlignCentre) != 0) alignment = Qt::AlignHCenter;
  if ((controlStyle & style::kAlignRight) != 0) alignment = Qt::AlignRight;
  return alignment | ((controlStyle & style::kCentreVertically) != 0 ? Qt::AlignVCenter : Qt::AlignTop);
}

const BitmapResource* FindBitmap(const DialogTemplate& dialogTemplate, int number) {
  for (const BitmapResource& bitmap : dialogTemplate.bitmaps) {
    if (bitmap.number == number) return &bitmap;
  }
  return nullptr;
}

QPixmap PixmapOf(const BitmapResource& bitmap) {
  QImage image(bitmap.width, bitmap.height, QImage::Format_ARGB32);
  for (int y = 0; y < bitmap.height; ++y) {
    for (int x = 0; x < bitmap.width; ++x) {
      image.setPixel(x, y, bitmap.pixels[static_cast<std::size_t>(y * bitmap.width + x)]);
    }
  }
  return QPixmap::fromImage(image);
}

QString TextOf(const ControlTemplate& control) {
  return control.text != nullptr ? QString::fromUtf8(control.text) : QString();
}

}  // namespace

int DialogUnits::ToPixelsX(int units) const { return MulDiv(units, baseX, 4); }
int DialogUnits::ToPixelsY(int units) const { return MulDiv(units, baseY, 8); }

DialogUnits DialogUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const int lettersWidth = metrics.horizontalAdvance(QLatin1String(kAverageWidthLetters));
  // The platform rounds the average letter width to the nearest pixel.
  const int averageWidth = (lettersWidth / (kAverageWidthLetterCount / 2) + 1) / 2;
  return {averageWidth, metrics.height()};
}

QFont DialogFontOf(const DialogTemplate& dialogTemplate) {
  QFont font(QString::fromUtf8(dialogTemplate.fontName), dialogTemplate.fontPoints);
  if (dialogTemplate.fontPitch == FontPitch::kVariable) {
    font.setStyleHint(QFont::SansSerif);
    return font;
  }
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  if (QFontInfo(font).fixedPitch()) return font;
  // The named font is missing and the substitute is proportional.
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSize(dialogTemplate.fontPoints);
  return fixed;
}

QtDialog::QtDialog(const DialogTemplate& dialogTemplate, DialogEvents& events, QWidget* owner)
    : QDialog(owner), events_(&events) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setModal(false);
  setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
  setFont(DialogFontOf(dialogTemplate));
  const DialogUnits units = DialogUnitsOf(font());
  setFixedSize(units.ToPixelsX(dialogTemplate.width), units.ToPixelsY(dialogTemplate.height));
  BuildControls(dialogTemplate, units);
  PlaceLikeNewDialog(dialogTemplate, units, owner);
  winId();  // the native window exists from here on, as on the platform
}

QtDialog::~QtDialog() {
  // Deleted with its owner before its own close: the window object goes too.
  if (DialogEvents* events = std::exchange(events_, nullptr)) events->OnDestroyed();
}

void QtDialog::BuildControls(const DialogTemplate& dialogTemplate, const DialogUnits& units) {
  controls_.reserve(dialogTemplate.controls.size());
  for (const ControlTemplate& control : dialogTemplate.controls) {
    QWidget* widget = BuildControl(dialogTemplate, control, units);
    widget->setObjectName(QString::number(control.number));
    widget->setVisible((control.style & style::kVisible) != 0);
    if ((control.style & style::kTabStop) == 0) widget->setFocusPolicy(Qt::NoFocus);
    const QByteArray text = control.text != nullptr ? QByteArray(control.text) : QByteArray();
    widget->setProperty(kControlTextProperty, text);
    controls_.push_back({control.number, control.kind, widget, text});
  }
  // Group boxes only frame other controls: keep them below and out of the
  // way of clicks, whatever their place in the template.
  for (const Control& control : controls_) {
    if (control.kind != ControlKind::kGroupBox) continue;
    control.widget->lower();
    control.widget->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
}

QWidget* QtDialog::BuildControl(const DialogTemplate& dialogTemplate, const ControlTemplate& control,
                                const DialogUnits& units) {
  const QRect area(units.ToPixelsX(control.x), units.ToPixelsY(control.y), units.ToPixelsX(control.width),
                   units.ToPixelsY(control.height));
  const int number = control.number;
  switch (control.kind) {
    case ControlKind::kPushButton:
    case ControlKind::kDefaultPushButton: {
      auto* button = new QPushButton(TextOf(control), this);
      button->setAutoDefault(false);
      button->setDefault(control.kind == ControlKind::kDefaultPushButton);
      button->setGeometry(area);
      connect(button, &QPushButton::clicked, this, [this, number] { RunCommand(number); });
      return button;
    }
    case ControlKind::kEdit: {
      auto* edit = new EditControl(this, control.style);
      edit->setGeometry(area);
      edit->SetBytes(control.text != nullptr ? QByteArray(control.text) : QByteArray());
      return edit;
    }
    case ControlKind::kStaticText: {
      auto* label = new QLabel(TextOf(control), this);
      label->setAlignment(AlignmentOf(control.style));
      label->setGeometry(area);
      return label;
    }
    case ControlKind::kGroupBox: {
      auto* box = new QGroupBox(TextOf(control), this);
      box->setGeometry(area);
      return box;
    }
    case ControlKind::kAutoCheckBox: {
      auto* box = new QCheckBox(TextOf(control), this);
      box->setGeometry(area);
      // clicked comes after the box has toggled its own check mark.
      connect(box, &QCheckBox::clicked, this, [this, number] {
        if (events_ != nullptr) events_->OnCommand(number, ControlEvent::kClicked);
      });
      return box;
    }
    case ControlKind::kDropDownList: {
      auto* list = new QComboBox(this);
      list->setEditable(false);
      for (const char* item : control.items) list->addItem(QString::fromUtf8(item));
      list->setCurrentIndex(-1);  // nothing is selected until the window selects
      // The template's height includes the opened list; the closed box is
      // as high as its font needs.
      list->setGeometry(area.x(), area.y(), area.width(), list->sizeHint().height());
      connect(list, &QComboBox::activated, this, [this, number] {
        if (events_ != nullptr) events_->OnCommand(number, ControlEvent::kSelectionChanged);
      });
      return list;
    }
    case ControlKind::kBitmap: {
      auto* picture = new QLabel(this);
      const BitmapResource* bitmap = FindBitmap(dialogTemplate, control.bitmap);
      QSize size(0, 0);
      if (bitmap != nullptr) {
        picture->setPixmap(PixmapOf(*bitmap));
        size = QSize(bitmap->width, bitmap->height);
      }
      // Shown at the bitmap's own pixel size, whatever the template's size.
      picture->setGeometry(QRect(area.topLeft(), size));
      return picture;
    }
  }
  return new QWidget(this);
}

void QtDialog::PlaceLikeNewDialog(const DialogTemplate& dialogTemplate, const DialogUnits& units,
                                  QWidget* owner) {
  if (owner != nullptr) {
    // The template's position counts from the owner's client area.
    const QPoint clientOrigin = owner->mapToGlobal(QPoint(0, 0));
    move(clientOrigin + QPoint(units.ToPixelsX(dialogTemplate.x), units.ToPixelsY(dialogTemplate.y)));
    return;
  }
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect available = screen->availableGeometry();
  move(available.center() - QPoint(width() / 2, height() / 2));
}

void QtDialog::StartAndShow() {
  if (events_ != nullptr) events_->OnStart(*this);
  show();
  activateWindow();
}

NativeWindow QtDialog::Handle() const { return static_cast<NativeWindow>(winId()); }

// Qt has run the base class's handling of the event before the frame's
// handler is reached; nothing is left to do here.
void QtDialog::RunDefaultHandling() {}

void QtDialog::MoveTo(int32_t left, int32_t top) { move(left, top); }

SlotRect QtDialog::OuterRect() const {
  const QRect outer = frameGeometry();
  return {outer.x(), outer.y(), outer.x() + outer.width(), outer.y() + outer.height()};
}

void QtDialog::SendCloseRequest() {
  QCloseEvent request;
  QCoreApplication::sendEvent(this, &request);
}

void QtDialog::Destroy() {
  DialogEvents* events = std::exchange(events_, nullptr);
  if (events == nullptr) return;
  StopAllTimers();
  const bool wasActive = isActiveWindow();
  hide();
  // The platform deactivates the window that it destroys.
  if (wasActive) events->OnActivate(kInactive);
  events->OnDestroyed();
  deleteLater();
}

void QtDialog::SetTimer(uint32_t number, uint32_t milliseconds) {
  KillTimer(number);
  const int id = startTimer(static_cast<int>(milliseconds), Qt::CoarseTimer);
  if (id != 0) timers_.push_back({number, id});
}

void QtDialog::KillTimer(uint32_t number) {
  const auto running = std::find_if(timers_.begin(), timers_.end(),
                                    [number](const WindowTimer& timer) { return timer.number == number; });
  if (running == timers_.end()) return;
  killTimer(running->qtTimerId);
  timers_.erase(running);
}

void QtDialog::StopAllTimers() {
  for (const WindowTimer& timer : timers_) killTimer(timer.qtTimerId);
  timers_.clear();
}

void QtDialog::timerEvent(QTimerEvent* event) {
  const int id = event->timerId();
  const auto timer =
      std::find_if(timers_.begin(), timers_.end(), [id](const WindowTimer& t) { return t.qtTimerId == id; });
  if (timer == timers_.end() || events_ == nullptr) {
    QDialog::timerEvent(event);
    return;
  }
  events_->OnTick(timer->number);
}

const QtDialog::Control* QtDialog::Find(int control) const {
  for (const Control& candidate : controls_) {
    if (candidate.number == control) return &candidate;
  }
  return nullptr;
}

QtDialog::Control* QtDialog::Find(int control) {
  return const_cast<Control*>(std::as_const(*this).Find(control));
}

bool QtDialog::HasControl(int control) const { return Find(control) != nullptr; }

std::size_t QtDialog::ControlText(int control, char* buffer, std::size_t capacity) const {
  if (capacity == 0) return 0;
  const Control* found = Find(control);
  const std::size_t length =
      found != nullptr ? std::min(static_cast<std::size_t>(found->text.size()), capacity - 1) : 0;
  if (length > 0) std::memcpy(buffer, found->text.constData(), length);
  buffer[length] = '\0';
  return length;
}

void QtDialog::SetControlText(int control, const char* text) {
  Control* found = Find(control);
  if (found == nullptr) return;
  found->text = QByteArray(text);  // up to the first zero byte
  found->widget->setProperty(kControlTextProperty, found->text);
  // Other controls than edits take the bytes in the 8-bit code page.
  const QString latin1 = QString::fromLatin1(found->text);
  switch (found->kind) {
    case ControlKind::kEdit:
      static_cast<EditControl*>(found->widget)->SetBytes(found->text);
      break;
    case ControlKind::kPushButton:
    case ControlKind::kDefaultPushButton:
    case ControlKind::kAutoCheckBox:
      static_cast<QAbstractButton*>(found->widget)->setText(latin1);
      break;
    case ControlKind::kStaticText:
      static_cast<QLabel*>(found->widget)->setText(latin1);
      break;
    case ControlKind::kGroupBox:
      static_cast<QGroupBox*>(found->widget)->setTitle(latin1);
      break;
    case ControlKind::kDropDownList:
    case ControlKind::kBitmap:
      break;
  }
}

void QtDialog::ShowControl(int control, bool shown) {
  if (Control* found = Find(control)) found->widget->setVisible(shown);
}

uint32_t QtDialog::CheckState(int control) const {
  const Control* found = Find(control);
  if (found == nullptr || found->kind != ControlKind::kAutoCheckBox) return kUnchecked;
  return static_cast<QCheckBox*>(found->widget)->isChecked() ? kChecked : kUnchecked;
}

void QtDialog::SetCheckState(int control, uint32_t state) {
  Control* found = Find(control);
  if (found == nullptr || found->kind != ControlKind::kAutoCheckBox) return;
  static_cast<QCheckBox*>(found->widget)->setChecked(state == kChecked);  // reports no click
}

void QtDialog::SelectItem(int control, int index) {
  Control* found = Find(control);
  if (found == nullptr || found->kind != ControlKind::kDropDownList) return;
  static_cast<QComboBox*>(found->widget)->setCurrentIndex(index);  // reports no activation
}

int QtDialog::SelectedItem(int control) const {
  const Control* found = Find(control);
  if (found == nullptr || found->kind != ControlKind::kDropDownList) return -1;
  return static_cast<QComboBox*>(found->widget)->currentIndex();
}

void QtDialog::RunCommand(int control) {
  if (events_ == nullptr) return;
  if (control == kOkCommand) {
    events_->OnOk();
  } else if (control == kCancelCommand) {
    events_->OnCancel();
  } else {
    events_->OnCommand(control, ControlEvent::kClicked);
  }
}

// Qt's own accept and reject would hide the dialog; here they are the OK and
// cancel commands, as on the platform.
void QtDialog::accept() { RunCommand(kOkCommand); }
void QtDialog::reject() { RunCommand(kCancelCommand); }

void QtDialog::keyPressEvent(QKeyEvent* event) {
  const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    RunCommand(kOkCommand);
    return;
  }
  if (plain && event->key() == Qt::Key_Escape) {
    RunCommand(kCancelCommand);
    return;
  }
  QDialog::keyPressEvent(event);
}

void QtDialog::closeEvent(QCloseEvent* event) {
  // The window decides itself: OnCloseRequest destroys it; Qt's own close
  // handling does not run.
  event->ignore();
  if (events_ != nullptr) events_->OnCloseRequest();
}

void QtDialog::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && events_ != nullptr) {
    events_->OnActivate(isActiveWindow() ? kActive : kInactive);
  }
}

}  // namespace agsi::qt

namespace agsi {

PlatformDialog* CreateModelessDialog(int templateId, DialogEvents& events) {
  const DialogTemplate* dialogTemplate = FindDialogTemplate(templateId);
  // Widgets need the application object of the process, which the host makes.
  if (dialogTemplate == nullptr || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
    return nullptr;
  }
  auto* dialog = new qt::QtDialog(*dialogTemplate, events, QApplication::activeWindow());
  dialog->StartAndShow();
  return dialog;
}

}  // namespace agsi
