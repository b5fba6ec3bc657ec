-- calculator.lua: a four-function calculator as firmware writes it, run as
-- the program on the simulated 80C166 with the keyboard / LED panel and the
-- character LCD.
--
-- The panel is multiplexed over two ports:
--   P2 bits 0-5   scan lines, active low: line n selects digit n and key
--                 column n (LED0 and KEY0 are the rightmost)
--   P2 bits 8-13  return lines, read low while a key of the selected line
--                 is pressed
--   P8 bits 0-7   segments a-g and the point of the selected digit, active low
-- The LCD on chip select 3 shows the expression on line 1 and the result on
-- line 2.
--
--   agsi-host --gui examples/calculator.lua
--       runs forever; open Peripherals > Key/LEDs and click the keys
--   agsi-host examples/calculator.lua 12+34= 46 [automatic]
--       headless: clicks the keys 1, 2, +, 3, 4, = on the panel and expects
--       the digits to show 46; in manual mode each key is clicked again to
--       release it, in automatic mode the panel releases it after 500 ms

local SCAN_LINES   = 0x003F
local RETURN_SHIFT = 8
local RETURN_LINES = 0x3F
local SEGMENTS     = 0x00FF
local LINES        = 6

-- A key must read the same in this many scans of its line before it counts:
-- contacts bounce, and a press must not count twice.
local DEBOUNCE_SCANS = 3

-- Panel key numbers, 6 * line + return line, by the label on the panel.
local KEY_OF = {
  ["0"] = 35, ["1"] = 34, ["2"] = 28, ["3"] = 22, ["4"] = 33,
  ["5"] = 27, ["6"] = 21, ["7"] = 32, ["8"] = 26, ["9"] = 20,
  ["+"] = 17, ["-"] = 16, ["*"] = 15, ["/"] = 14, ["="] = 23, ["C"] = 18,
}
local LABEL_OF = {}
for label, key in pairs(KEY_OF) do LABEL_OF[key] = label end

-- Segment patterns, bit 0 = a ... bit 6 = g.
local DIGIT_PATTERN = {
  [0] = 0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F,
}
local MINUS_PATTERN = 0x40
local ERROR_PATTERN = 0x79  -- "E"

local LCD_INSTRUCTION = 0x40000
local LCD_DATA        = 0x40001
local LCD_STATUS      = 0x40002
local LCD_BUSY        = 0x80
local LCD_COLUMNS     = 24
local LCD_INIT = { 0x38, 0x08, 0x01, 0x06, 0x0C }  -- 8-bit, 2 lines; display on
local LCD_LINE1, LCD_LINE2 = 0x80, 0xC0             -- set address 0x00, 0x40

-- ---- the calculator ------------------------------------------------------

local MAX_SHOWN = 999999   -- six digits
local MIN_SHOWN = -99999   -- a minus sign and five digits

local calc = { entry = nil, total = nil, op = nil, error = false, expression = "" }

local function apply(op, a, b)
  if op == "+" then return a + b end
  if op == "-" then return a - b end
  if op == "*" then return a * b end
  if b == 0 then return nil end     -- division by zero
  local q = a // b                  -- integer division, truncated towards zero
  if q < 0 and q * b ~= a then q = q + 1 end
  return q
end

local function in_range(value)
  return value ~= nil and value >= MIN_SHOWN and value <= MAX_SHOWN
end

local function shown_value()
  if calc.entry ~= nil then return calc.entry end
  return calc.total or 0
end

-- Folds the pending operation into the total; false when the result does
-- not fit the display.
local function fold()
  if calc.op == nil then
    calc.total = calc.entry or calc.total or 0
  elseif calc.entry ~= nil then
    calc.total = apply(calc.op, calc.total, calc.entry)
  end
  calc.entry = nil
  if not in_range(calc.total) then calc.error = true end
  return not calc.error
end

local function press(label)
  if label == "C" then
    calc.entry, calc.total, calc.op, calc.error, calc.expression = nil, nil, nil, false, ""
    return
  end
  if calc.error then return end     -- only C leaves the error
  if label:match("%d") then
    local digit = tonumber(label)
    local next_entry = (calc.entry or 0) * 10 + digit
    if calc.op == nil and calc.entry == nil then calc.expression = "" end  -- a new calculation
    if next_entry <= MAX_SHOWN then
      calc.entry = next_entry
      calc.expression = calc.expression .. label
    end
  elseif label == "=" then
    if fold() then calc.expression = calc.expression .. "=" .. tostring(calc.total) end
    calc.op = nil
  else                              -- + - * /
    if fold() then
      if calc.expression == "" or calc.expression:find("=") then calc.expression = tostring(calc.total) end
      calc.op = label
      calc.expression = calc.expression .. label
    end
  end
end

-- ---- the LED digits --------------------------------------------------------

-- The patterns of LED0 (rightmost) to LED5, for a number or the error mark.
local function digit_patterns()
  local patterns = { [0] = 0, 0, 0, 0, 0, 0 }
  if calc.error then
    patterns[0] = ERROR_PATTERN
    return patterns
  end
  local value = shown_value()
  local magnitude = math.abs(value)
  local n = 0
  repeat
    patterns[n] = DIGIT_PATTERN[magnitude % 10]
    magnitude = magnitude // 10
    n = n + 1
  until magnitude == 0
  if value < 0 then patterns[n] = MINUS_PATTERN end
  return patterns
end

-- ---- the LCD, fed one byte per pass of the main loop -------------------------

local lcd = { present = false, queue = {}, head = 1, shown = nil }

local function lcd_queue(kind, byte)
  lcd.queue[#lcd.queue + 1] = { kind, byte }
end

local function lcd_queue_line(address, text)
  lcd_queue("instruction", address)
  text = (text .. string.rep(" ", LCD_COLUMNS)):sub(1, LCD_COLUMNS)
  for i = 1, LCD_COLUMNS do lcd_queue("data", text:byte(i)) end
end

local function lcd_show(expression, result)
  local wanted = expression .. "\n" .. result
  if wanted == lcd.shown then return end
  lcd.shown = wanted
  -- Long expressions keep their end in view.
  if #expression > LCD_COLUMNS then expression = expression:sub(-LCD_COLUMNS) end
  lcd_queue_line(LCD_LINE1, expression)
  lcd_queue_line(LCD_LINE2, string.rep(" ", LCD_COLUMNS - #result) .. result)
end

-- Never waits: a byte goes out only while the controller is not busy.
local function lcd_service()
  if not lcd.present or lcd.head > #lcd.queue then return end
  if mem.read(LCD_STATUS) & LCD_BUSY ~= 0 then return end
  local kind, byte = lcd.queue[lcd.head][1], lcd.queue[lcd.head][2]
  mem.write(kind == "instruction" and LCD_INSTRUCTION or LCD_DATA, byte)
  lcd.queue[lcd.head] = nil
  lcd.head = lcd.head + 1
  if lcd.head > #lcd.queue then lcd.queue, lcd.head = {}, 1 end
end

local function lcd_start()
  lcd.present = pcall(sfr.write, "ADDRSEL3", 0x0400) and pcall(sfr.write, "BUSCON3", 0x0600)
                and pcall(mem.read, LCD_STATUS)
  if not lcd.present then return end
  for _, code in ipairs(LCD_INIT) do lcd_queue("instruction", code) end
end

-- ---- the main loop ----------------------------------------------------------

local keys = { down = {}, count = {}, presses = 0, releases = 0 }
for k = 0, 35 do keys.down[k], keys.count[k] = false, 0 end

-- One line's return lines: a key changes state only after DEBOUNCE_SCANS
-- equal readings.
local function debounce(line, returns)
  for i = 0, 5 do
    local k = 6 * line + i
    local reads_down = (returns >> i) & 1 == 1
    if reads_down == keys.down[k] then
      keys.count[k] = 0
    else
      keys.count[k] = keys.count[k] + 1
      if keys.count[k] >= DEBOUNCE_SCANS then
        keys.down[k], keys.count[k] = reads_down, 0
        if reads_down then
          keys.presses = keys.presses + 1
          if LABEL_OF[k] then press(LABEL_OF[k]) end
        else
          keys.releases = keys.releases + 1
        end
      end
    end
  end
end

local function scan_line(line, pattern)
  -- Every line off while the segments change, so that no digit latches
  -- the pattern of its neighbour; then the segments; then line n on.
  sfr.write("P2", SCAN_LINES)
  sfr.write("P8", ~pattern & SEGMENTS)
  sfr.write("P2", SCAN_LINES & ~(1 << line))
  local returns = ~(sfr.read("P2") >> RETURN_SHIFT) & RETURN_LINES
  debounce(line, returns)
end

-- `pass_done`, when given, runs after each pass over the six lines.
local function firmware(pass_done)
  sfr.write("P2", SCAN_LINES)   -- no line selected before the pins drive
  sfr.write("P8", SEGMENTS)
  sfr.write("DP2", SCAN_LINES)  -- scan lines out, return lines in
  sfr.write("DP8", SEGMENTS)
  lcd_start()
  while true do
    local patterns = digit_patterns()
    for line = 0, LINES - 1 do scan_line(line, patterns[line]) end
    lcd_show(calc.expression, calc.error and "E" or tostring(shown_value()))
    lcd_service()
    if pass_done then pass_done() end
  end
end

-- ---- run ----------------------------------------------------------------------

-- The LED digits as the panel shows them, LED5 first, blanks dropped.
local function panel_number()
  local DIGIT_OF = { [MINUS_PATTERN] = "-", [ERROR_PATTERN] = "E" }
  for d, p in pairs(DIGIT_PATTERN) do DIGIT_OF[p] = tostring(d) end
  local text = ""
  for n = 5, 0, -1 do
    local p = vtr.get("LED" .. n) & 0x7F
    if p ~= 0 then text = text .. (DIGIT_OF[p] or "?") end
  end
  return text
end

if arg == nil or arg[1] == nil then
  firmware()  -- forever, as on the chip
end

-- Headless demo: the keys of arg[1] clicked on the panel, each held until
-- the firmware has debounced the press, then released, by a second click in
-- manual mode or by the panel's own timer in automatic mode.
local automatic = arg[3] == "automatic"
local panel = open("Key/LEDs")
local lcd_menu_present = pcall(window, "LCD-Module")
panel:select(1300, automatic and 1 or 0)  -- "automatic" or "manual"
local main_loop = coroutine.wrap(function() firmware(coroutine.yield) end)

local function run_until(done, passes, what)
  for _ = 1, passes do
    main_loop()
    if done() then return end
  end
  error("the firmware did not " .. what)
end

for i = 1, 5 do main_loop() end
for label in arg[1]:gmatch(".") do
  local key = KEY_OF[label]
  expect(key ~= nil, "no key labelled '" .. label .. "' on the panel")
  local presses, releases = keys.presses, keys.releases
  panel:click(1100 + key)
  run_until(function() return keys.presses > presses end, 100, "see key " .. label .. " pressed")
  if automatic then
    while panel:checked(1100 + key) do sleep(20) end  -- real time passes; the program stands still
  else
    panel:click(1100 + key)
  end
  run_until(function() return keys.releases > releases end, 100, "see key " .. label .. " released")
end
if lcd.present then
  if lcd_menu_present then open("LCD-Module") end
  -- The module wakes 393680 cycles after its reset; then the queue drains.
  run_until(function() return lcd.head > #lcd.queue end, 50000, "get the LCD written")
end
update()

local shown = panel_number()
print(string.format("%s shows %s on the LED digits after %d cycles", arg[1], shown, clock()))
if arg[2] ~= nil then
  expect(shown == arg[2], "the digits show " .. shown .. ", not " .. arg[2])
  local lcd_window = lcd.present and window("LCD-Module")
  if lcd_window then
    local line2 = lcd_window:rows(1251)[2] or ""
    expect(line2:match("(%S+)%s*$") == arg[2], "the LCD's second line shows '" .. line2 .. "'")
  end
end
