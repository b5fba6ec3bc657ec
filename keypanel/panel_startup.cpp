#include "panel_startup.h"

#include "host_api.h"
#include "port_scanner.h"

namespace keylamp {

using agsi::hostApi;

uint32_t DefinePanelVtrs() {
  bool allDefined = true;
  for (VtrDefinition& vtr : scanner.panelVtrs) {
    vtr.handle = hostApi.AgsiDefineVTR(vtr.name, vtr.typeCode, vtr.initialValue);
    if (vtr.handle == 0) allDefined = false;
  }
  return allDefined ? 1 : 0;
}

uint32_t SetPanelWatches() {
  AgsiCallback scan = ScanPorts;
  uint32_t watchResults = 1;
  for (uint32_t address : kPortSfrs) {
    watchResults &= hostApi.AgsiSetWatchOnSFR(address, scan, kAgsiWriteAccess);
  }
  for (int digit = 0; digit < kScanLineCount; ++digit) {
    scanner.ledTimers[digit].timer = hostApi.AgsiCreateTimer(kLedTimerCallbacks[digit]);
  }
  bool timersCreated = true;
  for (int line = 0; line < kScanLineCount; ++line) {
    watchResults &= hostApi.AgsiSetWatchOnVTR(KeyVtr(scanner, line), scan, kAgsiWriteAccess);
    if (scanner.ledTimers[line].timer == 0) timersCreated = false;
    scanner.ledTimers[line].armed = 0;
  }
  return ((watchResults & 1) != 0 && timersCreated) ? 1 : 0;
}

uint32_t ResetPanel() {
  // Each write of a key register runs the scan through its watch, which
  // recomputes PORT2 from the ports as they stand.
  uint32_t writeResults = hostApi.AgsiWriteVTR(Port2Vtr(scanner), kPort2ResetValue);
  for (int line = 0; line < kScanLineCount; ++line) {
    writeResults &= hostApi.AgsiWriteVTR(KeyVtr(scanner, line), 0);
    writeResults &= hostApi.AgsiWriteVTR(LedVtr(scanner, line), 0);
  }
  return writeResults & 1;
}

}  // namespace keylamp
