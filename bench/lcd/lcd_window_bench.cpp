// The cost of the LCD window's render when nothing has changed, reached as
// the host reaches it (the slot's update function), with the number of heap
// allocations and of replacements of the display field's text per
// iteration; and, for comparison, a render whose text changes every time.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QPlainTextEdit>

#include "allocation_counter.h"
#include "simulator.h"

namespace {

using agsi::host::Simulator;

constexpr uint32_t kInstruction = 0x40000;
constexpr uint32_t kData = 0x40001;
constexpr uint32_t kCursorShown = 0x0200;

struct LcdWithWindow {
  Simulator sim;
  WindowSlot* slot = nullptr;
  uintptr_t status = 0;
  long textChanges = 0;
};

void Program(Simulator& sim, uint32_t address, uint8_t value) {
  sim.Write8(address, value);
  sim.Advance(740);  // one instruction's busy time
}

// One host with Glyphpane ready, "HELLO" on line 1, cursor on, and the
// window open.
LcdWithWindow& Lcd() {
  static LcdWithWindow* lcd = [] {
    auto* l = new LcdWithWindow;
    Simulator& sim = l->sim;
    sim.Load(GLYPHPANE_PATH);
    sim.ResetAll();
    sim.Advance(393680);
    sim.WriteSfr(0xFE1C, 0x0400);
    sim.WriteSfr(0xFF18, 0x0600);
    for (int code : {0x38, 0x0E, 0x06}) Program(sim, kInstruction, static_cast<uint8_t>(code));
    for (char c : {'H', 'E', 'L', 'L', 'O'}) Program(sim, kData, static_cast<uint8_t>(c));
    MenuEntry* entry = sim.FindMenuEntry("LCD-Module");
    sim.SelectMenuEntry(entry);
    l->slot = entry->slot;
    l->status = *sim.FindVtr("LCD_STATUS");
    auto* window = qobject_cast<QDialog*>(QWidget::find(l->slot->window));
    auto* display = window->findChild<QPlainTextEdit*>("1251");
    QObject::connect(display, &QPlainTextEdit::textChanged, [l] { ++l->textChanges; });
    return l;
  }();
  return *lcd;
}

void Report(benchmark::State& state, long changes, std::size_t allocated) {
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["text_changes_per_render"] = static_cast<double>(changes) / iterations;
  state.counters["allocs_per_render"] = static_cast<double>(allocated) / iterations;
}

void BM_RenderDisplayUnchanged(benchmark::State& state) {
  LcdWithWindow& lcd = Lcd();
  lcd.slot->update();  // the display shows the model as it stands
  const long changesBefore = lcd.textChanges;
  const std::size_t allocationsBefore = agsi::testing::AllocationCount();
  for (auto _ : state) lcd.slot->update();
  Report(state, lcd.textChanges - changesBefore, agsi::testing::AllocationCount() - allocationsBefore);
}
BENCHMARK(BM_RenderDisplayUnchanged);

// The cursor switched on and off through LCD_STATUS between renders: every
// render replaces the text (the edit of the register is part of the cost).
void BM_RenderDisplayChanged(benchmark::State& state) {
  LcdWithWindow& lcd = Lcd();
  const long changesBefore = lcd.textChanges;
  const std::size_t allocationsBefore = agsi::testing::AllocationCount();
  for (auto _ : state) {
    lcd.sim.EditVtr(lcd.status, lcd.sim.ReadVtrAsUser(lcd.status) ^ kCursorShown);
    lcd.slot->update();
  }
  Report(state, lcd.textChanges - changesBefore, agsi::testing::AllocationCount() - allocationsBefore);
}
BENCHMARK(BM_RenderDisplayChanged);

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
