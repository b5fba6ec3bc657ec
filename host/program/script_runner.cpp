#include "script_runner.h"

#include <lua.hpp>

#include <QWidget>

#include <cstdio>
#include <cstring>
#include <limits>
#include <string_view>

#include "simulator.h"
#include "window_access.h"

namespace agsi::host::program {

// Why the script's coroutine gave control back to the runner.
enum class YieldReason { kNone, kCheck, kStep, kCycleLimit, kSleep, kQuit };

struct ScriptRunner::Context {
  Context(Simulator& s, std::string p, std::vector<std::string> a)
      : simulator(s), path(std::move(p)), arguments(std::move(a)) {}

  Simulator& simulator;
  std::string path;
  std::vector<std::string> arguments;
  lua_State* state = nullptr;
  lua_State* script = nullptr;  // the coroutine running the script's main body
  uint64_t cycleLimit = std::numeric_limits<uint64_t>::max();
  bool stepping = false;
  bool started = false;
  bool over = false;
  bool quit = false;
  YieldReason reason = YieldReason::kNone;
  std::chrono::milliseconds sleep{0};
  uint64_t accesses = 0;
  std::string error;
};

namespace {

using Context = ScriptRunner::Context;

constexpr const char* kWindowType = "agsi-host window";

// Every thread of the state carries the context in its extra space (Lua
// copies the main thread's extra space into each new thread).
Context& ContextOf(lua_State* L) {
  return **reinterpret_cast<Context**>(reinterpret_cast<char*>(L) - LUA_EXTRASPACE);
}

void SetContext(lua_State* L, Context* context) {
  *reinterpret_cast<Context**>(reinterpret_cast<char*>(L) - LUA_EXTRASPACE) = context;
}

// Raises a Lua error from a C++ exception. The message is copied out of the
// exception first, so that no C++ object is alive when Lua unwinds.
template <typename Body>
int Guarded(lua_State* L, Body&& body) {
  char message[600];
  try {
    return body();
  } catch (const std::exception& e) {
    std::snprintf(message, sizeof message, "%s", e.what());
  }
  return luaL_error(L, "%s", message);
}

int ContinueWithResults(lua_State*, int, lua_KContext results) { return static_cast<int>(results); }

// Ends a host call: the coroutine yields when the runner has to look
// (cycle limit reached, single step) and returns the call's results when it
// is resumed. Coroutines of the script's own, and calls from places where
// Lua cannot yield, simply go on.
int Finish(lua_State* L, int results) {
  Context& context = ContextOf(L);
  YieldReason reason = YieldReason::kNone;
  if (context.simulator.Clock() >= context.cycleLimit) {
    reason = YieldReason::kCycleLimit;
  } else if (context.stepping) {
    reason = YieldReason::kStep;
  } else {
    return results;
  }
  if (L != context.script || !lua_isyieldable(L)) return results;
  context.reason = reason;
  return lua_yieldk(L, 0, results, ContinueWithResults);
}

// Where the script gives the VM a count hook: ends slices of loops that make
// no host call.
void CheckHook(lua_State* L, lua_Debug*) {
  Context& context = ContextOf(L);
  if (L != context.script || !lua_isyieldable(L)) return;
  context.reason = YieldReason::kCheck;
  lua_yield(L, 0);
}

uint32_t CheckUnsigned(lua_State* L, int index, uint64_t maximum, const char* what) {
  const lua_Integer value = luaL_checkinteger(L, index);
  if (value < 0 || static_cast<uint64_t>(value) > maximum) {
    luaL_error(L, "%s out of range: %I", what, value);
  }
  return static_cast<uint32_t>(value);
}

uint32_t CheckAddress(lua_State* L, int index) { return CheckUnsigned(L, index, kMemorySize - 1, "address"); }

// A chip register given by its address or its name ("P2", "BUSCON3").
uint32_t CheckSfr(lua_State* L, int index) {
  if (lua_type(L, index) == LUA_TSTRING) {
    const char* name = lua_tostring(L, index);
    const std::optional<uint32_t> address = ContextOf(L).simulator.FindSfr(name);
    if (!address) luaL_error(L, "unknown chip register '%s'", name);
    return *address;
  }
  return CheckUnsigned(L, index, 0xFFFF, "chip register address");
}

uintptr_t CheckVtr(lua_State* L, int index) {
  const char* name = luaL_checkstring(L, index);
  const std::optional<uintptr_t> handle = ContextOf(L).simulator.FindVtr(name);
  if (!handle) luaL_error(L, "unknown virtual register '%s'", name);
  return *handle;
}

MenuEntry* CheckMenuEntry(lua_State* L, int index) {
  const char* text = luaL_checkstring(L, index);
  MenuEntry* entry = ContextOf(L).simulator.FindMenuEntry(text);
  if (entry == nullptr) luaL_error(L, "no menu entry '%s'", text);
  return entry;
}

// One bus access: the access itself, then its cycles, during which the
// plug-ins' timers may expire.
void CountAccess(Context& context) {
  ++context.accesses;
  const uint64_t room = context.cycleLimit - std::min(context.cycleLimit, context.simulator.Clock());
  context.simulator.Advance(std::min(kBusAccessCycles, room));
}

// ---- mem ------------------------------------------------------------------

int MemRead(lua_State* L) {
  const uint32_t address = CheckAddress(L, 1);
  Context& context = ContextOf(L);
  return Guarded(L, [&] {
    const uint8_t value = context.simulator.Read8(address);
    CountAccess(context);
    lua_pushinteger(L, value);
    return Finish(L, 1);
  });
}

int MemWrite(lua_State* L) {
  const uint32_t address = CheckAddress(L, 1);
  const uint32_t value = CheckUnsigned(L, 2, 0xFF, "byte");
  Context& context = ContextOf(L);
  return Guarded(L, [&] {
    context.simulator.Write8(address, static_cast<uint8_t>(value));
    CountAccess(context);
    return Finish(L, 0);
  });
}

int MemRead16(lua_State* L) {
  const uint32_t address = CheckUnsigned(L, 1, kMemorySize - 2, "address");
  Context& context = ContextOf(L);
  return Guarded(L, [&] {
    const uint16_t value = context.simulator.Read16(address);
    CountAccess(context);
    lua_pushinteger(L, value);
    return Finish(L, 1);
  });
}

int MemWrite16(lua_State* L) {
  const uint32_t address = CheckUnsigned(L, 1, kMemorySize - 2, "address");
  const uint32_t value = CheckUnsigned(L, 2, 0xFFFF, "word");
  Context& context = ContextOf(L);
  return Guarded(L, [&] {
    context.simulator.Write16(address, static_cast<uint16_t>(value));
    CountAccess(context);
    return Finish(L, 0);
  });
}

// ---- sfr ------------------------------------------------------------------

int SfrRead(lua_State* L) {
  const uint32_t address = CheckSfr(L, 1);
  Context& context = ContextOf(L);
  return Guarded(L, [&] {
    const uint16_t value = context.simulator.ReadSfr(address);
    CountAccess(context);
    lua_pushinteger(L, value);
    return Finish(L, 1);
  });
}

int SfrWrite(lua_State* L) {
  const uint32_t address = CheckSfr(L, 1);
  const uint32_t value = CheckUnsigned(L, 2, 0xFFFF, "chip register value");
  Context& context = ContextOf(L);
  return Guarded(L, [&] {
    context.simulator.WriteSfr(address, static_cast<uint16_t>(value));
    CountAccess(context);
    return Finish(L, 0);
  });
}

// ---- vtr: the user's view, as an edit in the host ---------------------------

int VtrGet(lua_State* L) {
  const uintptr_t handle = CheckVtr(L, 1);
  Context& context = ContextOf(L);
  return Guarded(L, [&] {
    lua_pushinteger(L, context.simulator.ReadVtrAsUser(handle));
    return Finish(L, 1);
  });
}

int VtrSet(lua_State* L) {
  const uintptr_t handle = CheckVtr(L, 1);
  const uint32_t value = CheckUnsigned(L, 2, 0xFFFFFFFFu, "register value");
  Context& context = ContextOf(L);
  return Guarded(L, [&] {
    context.simulator.EditVtr(handle, value);
    return Finish(L, 0);
  });
}

// ---- time -----------------------------------------------------------------

int Wait(lua_State* L) {
  const lua_Integer cycles = luaL_checkinteger(L, 1);
  luaL_argcheck(L, cycles >= 0, 1, "cycle count must not be negative");
  Context& context = ContextOf(L);
  return Guarded(L, [&] {
    const uint64_t room = context.cycleLimit - std::min(context.cycleLimit, context.simulator.Clock());
    context.simulator.Advance(std::min(static_cast<uint64_t>(cycles), room));
    return Finish(L, 0);
  });
}

int Clock(lua_State* L) {
  lua_pushinteger(L, static_cast<lua_Integer>(ContextOf(L).simulator.Clock()));
  return 1;
}

int Sleep(lua_State* L) {
  const lua_Integer milliseconds = luaL_checkinteger(L, 1);
  luaL_argcheck(L, milliseconds >= 0, 1, "milliseconds must not be negative");
  Context& context = ContextOf(L);
  if (L != context.script || !lua_isyieldable(L)) {
    return luaL_error(L, "sleep() works only in the script's main body, not in a coroutine of its own");
  }
  context.sleep = std::chrono::milliseconds(milliseconds);
  context.reason = YieldReason::kSleep;
  return lua_yield(L, 0);
}

// Ends the script here and asks the host to end the run, as if the user
// closed it: in the main window's case the window closes.
int Quit(lua_State* L) {
  Context& context = ContextOf(L);
  if (L != context.script || !lua_isyieldable(L)) {
    return luaL_error(L, "quit() works only in the script's main body, not in a coroutine of its own");
  }
  context.reason = YieldReason::kQuit;
  return lua_yield(L, 0);
}

// ---- host -----------------------------------------------------------------

int Reset(lua_State* L) {
  Context& context = ContextOf(L);
  return Guarded(L, [&] {
    context.simulator.ResetAll();
    return Finish(L, 0);
  });
}

int Command(lua_State* L) {
  const char* text = luaL_checkstring(L, 1);
  Context& context = ContextOf(L);
  return Guarded(L, [&] {
    lua_pushboolean(L, (context.simulator.ExecuteCommand(text) & 1u) != 0);
    return Finish(L, 1);
  });
}

int Menu(lua_State* L) {
  MenuEntry* entry = CheckMenuEntry(L, 1);
  Context& context = ContextOf(L);
  return Guarded(L, [&] {
    context.simulator.SelectMenuEntry(entry);
    return Finish(L, 0);
  });
}

int Update(lua_State* L) {
  Context& context = ContextOf(L);
  context.simulator.UpdateWindows();
  return Finish(L, 0);
}

int Expect(lua_State* L) {
  luaL_checkany(L, 1);
  if (lua_toboolean(L, 1)) return 0;
  const char* message = luaL_optstring(L, 2, "condition is false");
  return luaL_error(L, "expectation failed: %s", message);
}

// ---- windows ----------------------------------------------------------------

void PushWindow(lua_State* L, MenuEntry* entry) {
  auto** slot = static_cast<MenuEntry**>(lua_newuserdatauv(L, sizeof(MenuEntry*), 0));
  *slot = entry;
  luaL_setmetatable(L, kWindowType);
}

MenuEntry* CheckWindowEntry(lua_State* L) {
  return *static_cast<MenuEntry**>(luaL_checkudata(L, 1, kWindowType));
}

// The open window behind a window object; an error once it is closed.
QWidget* CheckOpenWindow(lua_State* L) {
  MenuEntry* entry = CheckWindowEntry(L);
  QWidget* window = FindSlotWindow(*entry);
  if (window == nullptr) luaL_error(L, "the window of menu entry '%s' is closed", entry->menuText);
  return window;
}

int CheckControlNumber(lua_State* L, int index) {
  return static_cast<int>(CheckUnsigned(L, index, 0xFFFF, "control number"));
}

int OpenWindow(lua_State* L) {
  MenuEntry* entry = CheckMenuEntry(L, 1);
  Context& context = ContextOf(L);
  return Guarded(L, [&] {
    if (FindSlotWindow(*entry) == nullptr) context.simulator.SelectMenuEntry(entry);
    if (FindSlotWindow(*entry) == nullptr) {
      throw UsageError(std::string("menu entry '") + entry->menuText + "' opened no window");
    }
    PushWindow(L, entry);
    return Finish(L, 1);
  });
}

int WindowOf(lua_State* L) {
  MenuEntry* entry = CheckMenuEntry(L, 1);
  if (FindSlotWindow(*entry) == nullptr) {
    lua_pushnil(L);
  } else {
    PushWindow(L, entry);
  }
  return 1;
}

int MethodCaption(lua_State* L) {
  QWidget* window = CheckOpenWindow(L);
  return Guarded(L, [&] {
    const std::string caption = WindowCaption(window);
    lua_pushlstring(L, caption.data(), caption.size());
    return 1;
  });
}

// A window method on the control named by its second argument: the window
// and the number are checked first, then `body` runs on the found control.
template <typename Body>
int OnControl(lua_State* L, Body&& body) {
  QWidget* window = CheckOpenWindow(L);
  const int number = CheckControlNumber(L, 2);
  return Guarded(L, [&] { return body(FindControl(window, number)); });
}

int WindowText(lua_State* L) {
  return OnControl(L, [&](QWidget* control) {
    const std::string text = ControlText(control);
    lua_pushlstring(L, text.data(), text.size());
    return 1;
  });
}

int WindowRows(lua_State* L) {
  return OnControl(L, [&](QWidget* control) {
    const std::vector<std::string> rows = ControlRows(control);
    lua_createtable(L, static_cast<int>(rows.size()), 0);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      lua_pushlstring(L, rows[i].data(), rows[i].size());
      lua_rawseti(L, -2, static_cast<lua_Integer>(i + 1));
    }
    return 1;
  });
}

int WindowChecked(lua_State* L) {
  return OnControl(L, [&](QWidget* control) {
    lua_pushboolean(L, IsChecked(control));
    return 1;
  });
}

int WindowVisible(lua_State* L) {
  return OnControl(L, [&](QWidget* control) {
    lua_pushboolean(L, IsShown(control));
    return 1;
  });
}

int WindowSelected(lua_State* L) {
  return OnControl(L, [&](QWidget* control) {
    lua_pushinteger(L, SelectedIndex(control));
    return 1;
  });
}

int WindowClick(lua_State* L) {
  return OnControl(L, [&](QWidget* control) {
    Click(control);
    return Finish(L, 0);
  });
}

int WindowSelect(lua_State* L) {
  const int index = static_cast<int>(CheckUnsigned(L, 3, 0xFFFF, "item index"));
  return OnControl(L, [&](QWidget* control) {
    SelectItem(control, index);
    return Finish(L, 0);
  });
}

int WindowKey(lua_State* L) {
  QWidget* window = CheckOpenWindow(L);
  const char* name = luaL_checkstring(L, 2);
  return Guarded(L, [&] {
    PressKey(window, name);
    return Finish(L, 0);
  });
}

int WindowClose(lua_State* L) {
  QWidget* window = CheckOpenWindow(L);
  return Guarded(L, [&] {
    CloseWindow(window);
    return Finish(L, 0);
  });
}

int WindowIsOpen(lua_State* L) {
  lua_pushboolean(L, FindSlotWindow(*CheckWindowEntry(L)) != nullptr);
  return 1;
}

int WindowToString(lua_State* L) {
  lua_pushfstring(L, "window of menu entry '%s'", CheckWindowEntry(L)->menuText);
  return 1;
}

// ---- registration -------------------------------------------------------------

void SetFunctions(lua_State* L, const luaL_Reg* functions) { luaL_setfuncs(L, functions, 0); }

void AddTable(lua_State* L, const char* name, const luaL_Reg* functions) {
  lua_newtable(L);
  SetFunctions(L, functions);
  lua_setglobal(L, name);
}

constexpr luaL_Reg kMemFunctions[] = {
    {"read", MemRead}, {"write", MemWrite}, {"read16", MemRead16}, {"write16", MemWrite16}, {nullptr, nullptr}};
constexpr luaL_Reg kSfrFunctions[] = {{"read", SfrRead}, {"write", SfrWrite}, {nullptr, nullptr}};
constexpr luaL_Reg kVtrFunctions[] = {{"get", VtrGet}, {"set", VtrSet}, {nullptr, nullptr}};
constexpr luaL_Reg kGlobalFunctions[] = {
    {"wait", Wait},     {"clock", Clock},     {"sleep", Sleep},       {"reset", Reset},   {"command", Command},
    {"menu", Menu},     {"update", Update},   {"window", WindowOf},   {"open", OpenWindow}, {"expect", Expect},
    {"quit", Quit},     {nullptr, nullptr}};
constexpr luaL_Reg kWindowMethods[] = {
    {"caption", MethodCaption}, {"text", WindowText},   {"rows", WindowRows},     {"checked", WindowChecked},
    {"visible", WindowVisible}, {"selected", WindowSelected}, {"click", WindowClick}, {"select", WindowSelect},
    {"key", WindowKey},         {"close", WindowClose}, {"isopen", WindowIsOpen}, {nullptr, nullptr}};

void RegisterApi(lua_State* L, const Context& context) {
  AddTable(L, "mem", kMemFunctions);
  AddTable(L, "sfr", kSfrFunctions);
  AddTable(L, "vtr", kVtrFunctions);
  lua_pushglobaltable(L);
  SetFunctions(L, kGlobalFunctions);
  lua_pop(L, 1);
  lua_pushinteger(L, static_cast<lua_Integer>(kBusAccessCycles));
  lua_setglobal(L, "CYCLES_PER_ACCESS");

  luaL_newmetatable(L, kWindowType);
  lua_newtable(L);
  SetFunctions(L, kWindowMethods);
  lua_setfield(L, -2, "__index");
  lua_pushcfunction(L, WindowToString);
  lua_setfield(L, -2, "__tostring");
  lua_pop(L, 1);

  // arg[0] is the script, arg[1..] what followed it on the command line.
  lua_createtable(L, static_cast<int>(context.arguments.size()), 1);
  lua_pushstring(L, context.path.c_str());
  lua_rawseti(L, -2, 0);
  for (std::size_t i = 0; i < context.arguments.size(); ++i) {
    lua_pushstring(L, context.arguments[i].c_str());
    lua_rawseti(L, -2, static_cast<lua_Integer>(i + 1));
  }
  lua_setglobal(L, "arg");
}

// The error object of a failed chunk or coroutine as one line of text.
std::string ErrorText(lua_State* L) {
  if (lua_type(L, -1) == LUA_TSTRING || lua_type(L, -1) == LUA_TNUMBER) {
    size_t length = 0;
    const char* text = lua_tolstring(L, -1, &length);
    std::string message(text, length);
    for (char& c : message) {
      if (c == '\n') c = ' ';
    }
    return message;
  }
  return std::string("script error (error object is a ") + luaL_typename(L, -1) + " value)";
}

}  // namespace

ScriptRunner::ScriptRunner(Simulator& simulator, std::string path, std::vector<std::string> arguments)
    : context_(std::make_unique<Context>(simulator, std::move(path), std::move(arguments))) {
  lua_State* L = luaL_newstate();
  context_->state = L;
  SetContext(L, context_.get());
  luaL_openlibs(L);
  RegisterApi(L, *context_);
}

ScriptRunner::~ScriptRunner() { lua_close(context_->state); }

bool ScriptRunner::Load() {
  lua_State* L = context_->state;
  if (luaL_loadfilex(L, context_->path.c_str(), "t") != LUA_OK) {
    context_->error = ErrorText(L);
    lua_pop(L, 1);
    context_->over = true;
    return false;
  }
  lua_State* script = lua_newthread(L);
  lua_setfield(L, LUA_REGISTRYINDEX, "agsi-host script");  // keeps the coroutine alive
  lua_xmove(L, script, 1);
  lua_sethook(script, CheckHook, LUA_MASKCOUNT, kInstructionsPerCheck);
  context_->script = script;
  return true;
}

void ScriptRunner::SetCycleLimit(std::optional<uint64_t> cycles) {
  context_->cycleLimit = cycles.value_or(std::numeric_limits<uint64_t>::max());
}

ScriptRunner::Outcome ScriptRunner::Run(std::chrono::nanoseconds slice) { return Resume(slice, false); }

ScriptRunner::Outcome ScriptRunner::Step(std::chrono::nanoseconds slice) { return Resume(slice, true); }

ScriptRunner::Outcome ScriptRunner::Resume(std::chrono::nanoseconds slice, bool stepping) {
  Context& context = *context_;
  if (context.script == nullptr || context.over) {
    if (!context.error.empty()) return Outcome::kFailed;
    return context.quit ? Outcome::kQuit : Outcome::kFinished;
  }
  const auto deadline = std::chrono::steady_clock::now() + slice;
  context.stepping = stepping;
  while (true) {
    if (context.simulator.Clock() >= context.cycleLimit) return Outcome::kCycleLimit;
    context.reason = YieldReason::kNone;
    int results = 0;
    const int status = lua_resume(context.script, context.state, 0, &results);
    if (status == LUA_OK) {
      context.over = true;
      return Outcome::kFinished;
    }
    if (status != LUA_YIELD) {
      context.error = ErrorText(context.script);
      context.over = true;
      return Outcome::kFailed;
    }
    lua_pop(context.script, results);
    switch (context.reason) {
      case YieldReason::kCycleLimit:
        return Outcome::kCycleLimit;
      case YieldReason::kSleep:
        return Outcome::kSleeping;
      case YieldReason::kQuit:
        context.over = true;
        context.quit = true;
        return Outcome::kQuit;
      case YieldReason::kStep:
        return Outcome::kPaused;
      case YieldReason::kCheck:
      case YieldReason::kNone:  // the script's own coroutine.yield() in its main body
        if (std::chrono::steady_clock::now() >= deadline) return Outcome::kPaused;
        break;
    }
  }
}

const std::string& ScriptRunner::Error() const { return context_->error; }
std::chrono::milliseconds ScriptRunner::SleepDuration() const { return context_->sleep; }
uint64_t ScriptRunner::Accesses() const { return context_->accesses; }
const std::string& ScriptRunner::Path() const { return context_->path; }

}  // namespace agsi::host::program
