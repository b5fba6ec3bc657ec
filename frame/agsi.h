/*
 * The simulator host's plug-in interface, shared by the plug-ins and by our
 * own host.
 *
 * A plug-in library exports one function, AgsiEntry. The host exports the
 * Agsi* services below by name from one module; a plug-in looks each of them
 * up at initialisation and never links against the host. Every value crossing
 * the interface is a 32-bit word or a pointer; handles and native windows are
 * pointer-sized so that one header serves 32- and 64-bit builds.
 *
 * Conventions of every service: a result with bit 0 set means success, a
 * handle of 0 means failure. Callbacks take no argument; the host calls a
 * plug-in (entry, callbacks, menu and window functions) one call at a time.
 */
#ifndef AGSI_H
#define AGSI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*AgsiCallback)(void);

/* Access kinds of the watch services. */
enum { kAgsiReadAccess = 0, kAgsiWriteAccess = 1 };

/* Entry codes of AgsiEntry. */
enum { kAgsiCheck = 0, kAgsiInitialise = 1, kAgsiReset = 3 };

/* The processor family word passed with the check code: 80166. */
enum { kAgsiFamily80166 = 0x13926 };

/* Handed over with the initialise code. Word 0 is the handle of the host
 * module (dlopen handle, HMODULE on Windows) in which the services are looked
 * up by name; words 1-3 are the host's own. */
typedef struct HostInitBlock {
  uintptr_t words[4];
} HostInitBlock;

/* One virtual register: name, type code (10: 8 bits, 11: 16 bits), initial
 * value, and the handle that AgsiDefineVTR returned (0 until then). */
typedef struct VtrDefinition {
  const char* name;
  uint32_t typeCode;
  uint32_t initialValue;
  uintptr_t handle;
} VtrDefinition;

typedef struct WindowSlot WindowSlot;
typedef struct MenuEntry MenuEntry;

/* The host window rectangle as the plug-in saves it: screen coordinates of
 * the window's outer edges; a left edge of -1 means nothing was saved. */
typedef struct SlotRect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
} SlotRect;

/* Offered to the host through MenuEntry.slot: the state of the plug-in's one
 * window and the two functions through which the host updates and closes it. */
struct WindowSlot {
  uint32_t openFlag;
  uintptr_t window; /* native window handle, 0 while no window is open */
  uint32_t reserved;
  SlotRect rect;
  void (*update)(void);
  void (*close)(WindowSlot* slot);
};

/* One entry of the host's menu. The host calls onSelect when the user picks
 * the entry; menuText marks the mnemonic letter with '&'. */
struct MenuEntry {
  uint32_t entryKind;
  const char* menuText;
  void (*onSelect)(MenuEntry* entry);
  uint32_t reserved;
  uint32_t dialogId;
  WindowSlot* slot;
};

/* ---- exported by every plug-in ---------------------------------------- */

/* Code 0: argument points to the processor family word; 1 = accepted.
 * Code 1: argument points to a HostInitBlock; 1 = initialised.
 * Code 3: reset; 1 = success. Any other code: 1, nothing done. */
uint32_t AgsiEntry(uint32_t code, void* argument);

/* ---- exported by the host module -------------------------------------- */

/* Runs a host command such as "MAP 0x00040000, 0x00040001 write". */
uint32_t AgsiExecuteCommand(const char* command);
/* Declares a named chip register at a 16-bit address. */
uint32_t AgsiDefineSFR(const char* name, uint32_t address, uint32_t typeCode, uint32_t zero);
/* Defines a virtual register; returns its handle, 0 on failure. */
uintptr_t AgsiDefineVTR(const char* name, uint32_t typeCode, uint32_t initialValue);
/* The callback runs on every program access of that kind in first..last. */
uint32_t AgsiSetWatchOnMemory(uint32_t first, uint32_t last, AgsiCallback cb, uint32_t accessKind);
/* The callback runs on every program access of that kind of the register. */
uint32_t AgsiSetWatchOnSFR(uint32_t address, AgsiCallback cb, uint32_t accessKind);
/* The callback runs on every access of that kind of the virtual register. */
uint32_t AgsiSetWatchOnVTR(uintptr_t vtr, AgsiCallback cb, uint32_t accessKind);
/* A one-shot cycle timer; returns its handle, 0 on failure. */
uintptr_t AgsiCreateTimer(AgsiCallback cb);
/* Arms the timer to expire that many cycles from now (re-arming replaces
 * the deadline); 0xFFFFFFFF stops it. */
uint32_t AgsiSetTimer(uintptr_t timer, uint32_t cycles);
/* *value receives the register AND mask, *second the unmasked register. */
uint32_t AgsiReadSFR(uint32_t address, uint32_t* value, uint32_t* second, uint32_t mask);
uint32_t AgsiReadVTR(uintptr_t vtr, uint32_t* value);
/* Stores the value (kept to the register's width) and runs its write watches. */
uint32_t AgsiWriteVTR(uintptr_t vtr, uint32_t value);
/* Reads simulated memory; in a write watch this is the byte just written. */
uint32_t AgsiReadMemory(uint32_t address, uint32_t count, uint8_t* buffer);
/* Stores into simulated memory; in a read watch this is what the read sees. */
uint32_t AgsiWriteMemory(uint32_t address, uint32_t count, const uint8_t* buffer);
/* Adds the entry to the host's menu and keeps the record; non-zero = done. */
uint32_t AgsiDefineMenuItem(MenuEntry* entry);
/* Tells the host which plug-in window is active (0: none of them). */
uint32_t AgsiHandleFocus(uintptr_t window);

/* Bound by both plug-ins although neither calls them. */
uint32_t AgsiDeclareInterrupt(uint32_t vectorAddress, uint32_t controlRegister, const char* name);
/* A write by a plug-in: stores the value under mask, runs no watch. */
uint32_t AgsiWriteSFR(uint32_t address, uint32_t value, uint32_t mask);
/* Inside a read watch of a chip register: the value the read returns. */
uint32_t AgsiSetSFRReadValue(uint32_t value);
/* Address of the program access that runs the current memory watch. */
uint32_t AgsiGetLastMemoryAddress(void);
/* 1 while the host itself, not the program, makes the current access. */
uint32_t AgsiIsSimulatorAccess(void);
/* Processor cycles since the host started. */
uint64_t AgsiGetClock(void);
uint32_t AgsiGetProgramCounter(void);
uint32_t AgsiIsInInterrupt(void);
uint32_t AgsiIsSleeping(void);
/* Asks the host to stop the running program at the next opportunity. */
uint32_t AgsiStopSimulator(void);
/* Asks the host to reset the simulated chip at the next opportunity. */
uint32_t AgsiTriggerReset(void);
/* Asks the host to call every open window's update function. */
uint32_t AgsiUpdateWindows(void);

#ifdef __cplusplus
} /* extern "C" */
#endif

/* The host's 32-bit interface fixes the records' layouts; on such a target
 * they must come out exactly so. */
#if UINTPTR_MAX == 0xFFFFFFFFu
#ifdef __cplusplus
#define AGSI_STATIC_ASSERT static_assert
#else
#define AGSI_STATIC_ASSERT _Static_assert
#endif
AGSI_STATIC_ASSERT(sizeof(HostInitBlock) == 16, "HostInitBlock is four words");
AGSI_STATIC_ASSERT(sizeof(VtrDefinition) == 16, "VtrDefinition is four words");
AGSI_STATIC_ASSERT(sizeof(MenuEntry) == 24, "MenuEntry is six words");
AGSI_STATIC_ASSERT(offsetof(MenuEntry, menuText) == 4, "MenuEntry.menuText");
AGSI_STATIC_ASSERT(offsetof(MenuEntry, onSelect) == 8, "MenuEntry.onSelect");
AGSI_STATIC_ASSERT(offsetof(MenuEntry, reserved) == 12, "MenuEntry.reserved");
AGSI_STATIC_ASSERT(offsetof(MenuEntry, dialogId) == 16, "MenuEntry.dialogId");
AGSI_STATIC_ASSERT(offsetof(MenuEntry, slot) == 20, "MenuEntry.slot");
AGSI_STATIC_ASSERT(sizeof(WindowSlot) == 36, "WindowSlot is nine words");
AGSI_STATIC_ASSERT(offsetof(WindowSlot, window) == 4, "WindowSlot.window");
AGSI_STATIC_ASSERT(offsetof(WindowSlot, reserved) == 8, "WindowSlot.reserved");
AGSI_STATIC_ASSERT(offsetof(WindowSlot, rect) == 12, "WindowSlot.rect");
AGSI_STATIC_ASSERT(offsetof(WindowSlot, update) == 28, "WindowSlot.update");
AGSI_STATIC_ASSERT(offsetof(WindowSlot, close) == 32, "WindowSlot.close");
#undef AGSI_STATIC_ASSERT
#endif

#endif /* AGSI_H */
