// The platform operations on Qt Widgets: a modeless QDialog built from a
// dialog template. Every control widget carries its control number as its
// objectName (decimal, "1251"), and its 8-bit text in the property
// kControlTextProperty, so that the host program and tests find and read it.
// The native handle is winId(), which QWidget::find maps back to the dialog.
#pragma once

#include <QByteArray>
#include <QDialog>
#include <vector>

#include "dialog_template.h"
#include "platform.h"

namespace agsi::qt {

inline constexpr char kControlTextProperty[] = "controlText";

// Pixels of dialog units in a font: a quarter of the average character width
// across, an eighth of the character height down.
struct DialogUnits {
  int baseX;
  int baseY;
  int ToPixelsX(int units) const;
  int ToPixelsY(int units) const;
};
DialogUnits DialogUnitsOf(const QFont& font);
// The template's font; a fixed-pitch template gets a fixed-pitch font even
// where the named one is missing.
QFont DialogFontOf(const DialogTemplate& dialogTemplate);

class QtDialog final : public QDialog, public PlatformDialog {
 public:
  QtDialog(const DialogTemplate& dialogTemplate, DialogEvents& events, QWidget* owner);
  ~QtDialog() override;

  // Runs OnStart, then shows and activates the window.
  void StartAndShow();

  NativeWindow Handle() const override;
  void RunDefaultHandling() override;
  void MoveTo(int32_t left, int32_t top) override;
  SlotRect OuterRect() const override;
  void SendCloseRequest() override;
  void Destroy() override;
  void SetTimer(uint32_t number, uint32_t milliseconds) override;
  void KillTimer(uint32_t number) override;
  bool HasControl(int control) const override;
  std::size_t ControlText(int control, char* buffer, std::size_t capacity) const override;
  void SetControlText(int control, const char* text) override;
  void ShowControl(int control, bool shown) override;
  uint32_t CheckState(int control) const override;
  void SetCheckState(int control, uint32_t state) override;
  void SelectItem(int control, int index) override;
  int SelectedItem(int control) const override;

  void accept() override;
  void reject() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  struct Control {
    int number;
    ControlKind kind;
    QWidget* widget;
    QByteArray text;
  };
  struct WindowTimer {
    uint32_t number;
    int qtTimerId;
  };

  void BuildControls(const DialogTemplate& dialogTemplate, const DialogUnits& units);
  QWidget* BuildControl(const DialogTemplate& dialogTemplate, const ControlTemplate& control,
                        const DialogUnits& units);
  void PlaceLikeNewDialog(const DialogTemplate& dialogTemplate, const DialogUnits& units, QWidget* owner);
  void RunCommand(int control);
  const Control* Find(int control) const;
  Control* Find(int control);
  void StopAllTimers();

  DialogEvents* events_;  // null once OnDestroyed has run
  std::vector<Control> controls_;
  std::vector<WindowTimer> timers_;
};

}  // namespace agsi::qt
