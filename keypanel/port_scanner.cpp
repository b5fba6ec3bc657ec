#include "port_scanner.h"

#include "host_api.h"

namespace keylamp {

using agsi::hostApi;

// Constant-initialised: the library starts with every handle 0 and every
// timer idle, before any code runs.
constinit PortScanner scanner;

namespace {

void ReadPortSnapshot(PortSnapshot& snapshot) {
  hostApi.AgsiReadSFR(kP2Address, &snapshot.p2, &snapshot.second[0], kSfrMask);
  hostApi.AgsiReadSFR(kDP2Address, &snapshot.dp2, &snapshot.second[1], kSfrMask);
  hostApi.AgsiReadSFR(kP8Address, &snapshot.p8, &snapshot.second[2], kSfrMask);
  hostApi.AgsiReadSFR(kDP8Address, &snapshot.dp8, &snapshot.second[3], kSfrMask);
}

uint32_t ReadVtr(uintptr_t handle) {
  uint32_t value = 0;  // a refused read counts as 0
  hostApi.AgsiReadVTR(handle, &value);
  return value;
}

void StopLedTimer(LedTimer& t) {
  hostApi.AgsiSetTimer(t.timer, kStopTimer);
  t.armed = 0;
}

// A selected line shows the segment pattern on its digit, keeps the digit
// lit, and yields the keys pressed on it.
uint32_t ServeSelectedLine(PortScanner& s, int line) {
  hostApi.AgsiWriteVTR(LedVtr(s, line), SegmentPattern(s.snapshot.p8, s.snapshot.dp8));
  const uint32_t keys = ReadVtr(KeyVtr(s, line));
  // Stopped whether armed or not, so that no countdown started before the
  // reselection can blank the digit later.
  StopLedTimer(s.ledTimers[line]);
  return keys;
}

// The countdown starts at the first scan that finds the digit unselected;
// later scans leave it running, so it is not pushed back by port traffic.
void StartCountdownOnce(LedTimer& t) {
  if (t.armed != 0) return;
  hostApi.AgsiSetTimer(t.timer, kLedTimeoutCycles);
  t.armed = 1;
}

template <int kDigit>
void OnLedTimer() {
  LedTimeout(kDigit);
}

}  // namespace

const std::array<AgsiCallback, kScanLineCount> kLedTimerCallbacks = {
    OnLedTimer<0>, OnLedTimer<1>, OnLedTimer<2>, OnLedTimer<3>, OnLedTimer<4>, OnLedTimer<5>,
};

void ScanPorts(PortScanner& s) {
  // The registers that the scan writes may carry other watches, which run
  // inside the write and may reach the scan again (through a key register,
  // say); such a scan would work on a half-written state.
  if (s.scanInProgress != 0) return;
  s.scanInProgress = 1;

  ReadPortSnapshot(s.snapshot);
  const uint32_t selected = SelectedScanLines(s.snapshot.p2, s.snapshot.dp2);
  uint32_t keys = 0;
  for (int line = 0; line < kScanLineCount; ++line) {
    if ((selected & (1u << line)) != 0) {
      keys |= ServeSelectedLine(s, line);
    } else {
      StartCountdownOnce(s.ledTimers[line]);
    }
  }

  const uint32_t old = ReadVtr(Port2Vtr(s));
  hostApi.AgsiWriteVTR(Port2Vtr(s), ComposePort2(keys, old, s.snapshot.p2, s.snapshot.dp2));

  s.scanInProgress = 0;
}

void ScanPorts() { ScanPorts(scanner); }

void LedTimeout(PortScanner& s, int32_t digit) {
  hostApi.AgsiWriteVTR(LedVtr(s, digit), 0);
  StopLedTimer(s.ledTimers[digit]);
}

void LedTimeout(int32_t digit) { LedTimeout(scanner, digit); }

void ModifyVtrBits(uintptr_t handle, uint32_t mask, int32_t set) {
  uint32_t value = ReadVtr(handle);
  value = set != 0 ? (value | mask) : (value & ~mask);
  hostApi.AgsiWriteVTR(handle, value);
}

}  // namespace keylamp
