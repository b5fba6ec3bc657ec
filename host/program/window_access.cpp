#include "window_access.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QWidget>

#include <charconv>

#include "simulator.h"

namespace agsi::host::program {
namespace {

struct KeyName {
  std::string_view name;
  Qt::Key key;
};

constexpr KeyName kKeyNames[] = {
    {"Escape", Qt::Key_Escape}, {"Enter", Qt::Key_Return}, {"Return", Qt::Key_Return},
    {"Tab", Qt::Key_Tab},       {"Space", Qt::Key_Space},  {"Up", Qt::Key_Up},
    {"Down", Qt::Key_Down},     {"Left", Qt::Key_Left},    {"Right", Qt::Key_Right},
};

std::string ControlLabel(const QWidget* control) {
  return "control " + control->objectName().toStdString();
}

std::string ToLatin1(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QTextDocument* DocumentOf(QWidget* control) {
  if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) return plain->document();
  if (auto* rich = qobject_cast<QTextEdit*>(control)) return rich->document();
  return nullptr;
}

// The rows of a document as its layout breaks them; asking the layout for a
// block's rectangle lays the block out if the widget has not painted yet.
std::vector<std::string> WrappedRows(QTextDocument* document) {
  std::vector<std::string> rows;
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    document->documentLayout()->blockBoundingRect(block);
    const QTextLayout* layout = block.layout();
    const QString text = block.text();
    if (layout == nullptr || layout->lineCount() == 0) {
      rows.push_back(ToLatin1(text));
      continue;
    }
    for (int i = 0; i < layout->lineCount(); ++i) {
      const QTextLine line = layout->lineAt(i);
      rows.push_back(ToLatin1(text.mid(line.textStart(), line.textLength())));
    }
  }
  return rows;
}

void SendKey(QWidget* target, Qt::Key key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &release);
}

// Where a user clicks a control: a check box on its box, anything else in
// its middle.
QPoint ClickPoint(QWidget* control) {
  if (auto* box = qobject_cast<QCheckBox*>(control)) {
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    if (indicator.isValid()) return indicator.intersected(box->rect()).center();
  }
  return control->rect().center();
}

}  // namespace

QWidget* FindSlotWindow(const MenuEntry& entry) {
  if (entry.slot == nullptr || entry.slot->window == 0) return nullptr;
  return QWidget::find(static_cast<WId>(entry.slot->window));
}

int ControlNumber(const QWidget* widget) {
  const QByteArray name = widget->objectName().toLatin1();
  int number = 0;
  const char* end = name.constData() + name.size();
  const auto [stop, error] = std::from_chars(name.constData(), end, number);
  if (error != std::errc() || stop != end || number <= 0) return 0;
  return number;
}

QWidget* FindControl(QWidget* window, int control) {
  for (QWidget* widget : window->findChildren<QWidget*>(QString::number(control))) {
    if (ControlNumber(widget) == control) return widget;
  }
  throw agsi::host::UsageError("window \"" + WindowCaption(window) + "\" has no control " + std::to_string(control));
}

std::vector<QWidget*> NumberedControls(QWidget* window) {
  std::vector<QWidget*> controls;
  for (QWidget* widget : window->findChildren<QWidget*>()) {
    if (ControlNumber(widget) != 0) controls.push_back(widget);
  }
  return controls;
}

std::string WindowCaption(const QWidget* window) { return window->windowTitle().toStdString(); }

bool IsTextDisplay(const QWidget* control) {
  if (const auto* label = qobject_cast<const QLabel*>(control)) {
    return label->pixmap().isNull() && !label->text().isEmpty();  // a bitmap control shows no text
  }
  return qobject_cast<const QLineEdit*>(control) != nullptr || qobject_cast<const QPlainTextEdit*>(control) != nullptr ||
         qobject_cast<const QTextEdit*>(control) != nullptr;
}

std::string ControlText(QWidget* control) {
  if (auto* line = qobject_cast<QLineEdit*>(control)) return ToLatin1(line->text());
  if (QTextDocument* document = DocumentOf(control)) return ToLatin1(document->toPlainText());
  if (auto* label = qobject_cast<QLabel*>(control)) return ToLatin1(label->text());
  if (auto* button = qobject_cast<QAbstractButton*>(control)) return ToLatin1(button->text());
  if (auto* list = qobject_cast<QComboBox*>(control)) return ToLatin1(list->currentText());
  if (auto* group = qobject_cast<QGroupBox*>(control)) return ToLatin1(group->title());
  return ToLatin1(control->windowTitle());
}

std::vector<std::string> ControlRows(QWidget* control) {
  if (QTextDocument* document = DocumentOf(control)) return WrappedRows(document);
  std::vector<std::string> rows;
  const std::string text = ControlText(control);
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find('\n', start);
    rows.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return rows;
}

int ControlColumns(QWidget* control) {
  QWidget* area = control;
  if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) area = plain->viewport();
  if (auto* rich = qobject_cast<QTextEdit*>(control)) area = rich->viewport();
  const int advance = control->fontMetrics().horizontalAdvance(QLatin1Char('0'));
  return advance > 0 ? area->width() / advance : 0;
}

bool IsCheckable(const QWidget* control) {
  const auto* button = qobject_cast<const QAbstractButton*>(control);
  return button != nullptr && button->isCheckable();
}

bool IsChecked(QWidget* control) {
  if (!IsCheckable(control)) throw agsi::host::UsageError(ControlLabel(control) + " is no check box");
  return qobject_cast<QAbstractButton*>(control)->isChecked();
}

bool IsShown(QWidget* control) { return control->isVisibleTo(control->window()); }

void Click(QWidget* control) {
  if (!IsShown(control)) throw agsi::host::UsageError("cannot click " + ControlLabel(control) + ": it is hidden");
  const QPointF local(ClickPoint(control));
  const QPointF global(control->mapToGlobal(local.toPoint()));
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(control, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(control, &release);
}

bool IsList(const QWidget* control) { return qobject_cast<const QComboBox*>(control) != nullptr; }

int SelectedIndex(QWidget* control) {
  auto* list = qobject_cast<QComboBox*>(control);
  if (list == nullptr) throw agsi::host::UsageError(ControlLabel(control) + " is no drop-down list");
  return list->currentIndex();
}

void SelectItem(QWidget* control, int index) {
  auto* list = qobject_cast<QComboBox*>(control);
  if (list == nullptr) throw agsi::host::UsageError(ControlLabel(control) + " is no drop-down list");
  if (index < 0 || index >= list->count()) {
    throw agsi::host::UsageError(ControlLabel(control) + " has no item " + std::to_string(index) + " (it has " +
                                 std::to_string(list->count()) + ")");
  }
  // The arrow keys move the selection one item at a time and report each
  // move as the user's choice, as a closed drop-down list does.
  const Qt::Key step = index > list->currentIndex() ? Qt::Key_Down : Qt::Key_Up;
  for (int guard = list->count(); list->currentIndex() != index && guard > 0; --guard) SendKey(list, step);
}

void PressKey(QWidget* window, std::string_view keyName) {
  for (const KeyName& entry : kKeyNames) {
    if (entry.name == keyName) {
      QWidget* focus = window->focusWidget();
      SendKey(focus != nullptr ? focus : window, entry.key);
      return;
    }
  }
  throw agsi::host::UsageError("unknown key \"" + std::string(keyName) +
                               "\" (known: Escape, Enter, Return, Tab, Space, Up, Down, Left, Right)");
}

void CloseWindow(QWidget* window) { window->close(); }

std::string Latin1ToTerminal(std::string_view bytes) {
  std::string shown;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      shown += c;
    } else if (byte >= 0xA0) {
      shown += static_cast<char>(0xC0 | (byte >> 6));
      shown += static_cast<char>(0x80 | (byte & 0x3F));
    } else {
      shown += "\xC2\xB7";  // middle dot for control codes and the LCD's cursor mark
    }
  }
  return shown;
}

}  // namespace agsi::host::program
