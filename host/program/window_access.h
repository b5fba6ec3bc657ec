// The plug-ins' windows as a user sees and uses them. A plug-in keeps the
// native handle of its open window in its slot; every control of a window
// carries its dialog control number as its object name ("1251", "1300").
// Clicks, selections and keys are delivered as input events to the real
// widgets, so the plug-in sees exactly what a user's action produces.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "agsi.h"

class QWidget;

namespace agsi::host::program {

// The open window of a menu entry, or null while its slot holds none.
QWidget* FindSlotWindow(const MenuEntry& entry);

// Controls by number; UsageError when the window has no such control.
QWidget* FindControl(QWidget* window, int control);

// The number of a control, or 0 when its object name is no control number.
int ControlNumber(const QWidget* widget);
// Every numbered control of a window, in creation order.
std::vector<QWidget*> NumberedControls(QWidget* window);

// The window's caption, as UTF-8.
std::string WindowCaption(const QWidget* window);

// The control's text as the plug-in set it: one byte per character
// (Latin-1), so the LCD's bytes come back as stored.
std::string ControlText(QWidget* control);
// The text rows of a text field as the field wraps them on the screen, as
// Latin-1 bytes; a field that does not wrap gives its lines.
std::vector<std::string> ControlRows(QWidget* control);
// How many characters a row of a fixed-pitch text field holds, or 0.
int ControlColumns(QWidget* control);
bool IsTextDisplay(const QWidget* control);

// UsageError when the control is no check box (or radio/push button).
bool IsChecked(QWidget* control);
bool IsCheckable(const QWidget* control);
// Whether the control itself is shown within its window.
bool IsShown(QWidget* control);

// A left click in the middle of the control (the box of a check box).
void Click(QWidget* control);
// Selects an item of a drop-down list by index, as the arrow keys do.
void SelectItem(QWidget* control, int index);
bool IsList(const QWidget* control);
int SelectedIndex(QWidget* control);
// A key press and release in the window: "Escape", "Enter", "Tab", "Space",
// "Up", "Down", "Left", "Right"; UsageError for any other name.
void PressKey(QWidget* window, std::string_view keyName);
// A close request, as the window's close box sends it.
void CloseWindow(QWidget* window);

// Latin-1 bytes shown on a UTF-8 terminal: printable characters as they
// are, every other byte as a middle dot.
std::string Latin1ToTerminal(std::string_view bytes);

}  // namespace agsi::host::program
