-- lcd_hello.lua: a character LCD driver as firmware writes it, run as the
-- program on the simulated 80C166.
--
-- The LCD module sits on the external bus behind chip select 3:
--   0x40000  instruction register (write)
--   0x40001  data register (write)
--   0x40002  status: busy flag in bit 7, address counter in bits 0-6 (read)
--   0x40003  data register (read back)
--
--   agsi-host examples/lcd_hello.lua          (headless: prints the two rows)
--   agsi-host --gui examples/lcd_hello.lua    (with the main window)

local LCD_INSTRUCTION = 0x40000
local LCD_DATA        = 0x40001
local LCD_STATUS      = 0x40002
local BUSY            = 0x80
local ADDRESS_BITS    = 0x7F

-- Instructions of the controller.
local FUNCTION_SET_8BIT_2LINES = 0x38
local DISPLAY_OFF              = 0x08
local CLEAR_DISPLAY            = 0x01
local ENTRY_INCREMENT          = 0x06
local DISPLAY_ON               = 0x0C
local DISPLAY_CURSOR_BLINK     = 0x0F
local SHIFT_DISPLAY_RIGHT      = 0x1C
local SET_ADDRESS              = 0x80
local LINE2_ADDRESS            = 0x40

-- The module is busy for 393680 cycles after power-on; firmware waits a
-- little longer than that before it talks to the controller.
local POWER_ON_CYCLES = 400000

local LINE1 = "Hello, world!"
local LINE2 = "80C166 LCD demo"

local function lcd_wait_ready()
  while mem.read(LCD_STATUS) & BUSY ~= 0 do end
end

local function lcd_command(code)
  lcd_wait_ready()
  mem.write(LCD_INSTRUCTION, code)
end

local function lcd_putc(byte)
  lcd_wait_ready()
  mem.write(LCD_DATA, byte)
end

local function lcd_puts(text)
  for i = 1, #text do lcd_putc(text:byte(i)) end
end

local function lcd_goto(line, column)
  local base = (line == 2) and LINE2_ADDRESS or 0
  lcd_command(SET_ADDRESS | (base + column))
end

-- Show the module's window, as a developer watching the display would.
if not window("LCD-Module") then menu("LCD-Module") end

-- Chip select 3 opens the module's window of the bus.
sfr.write("ADDRSEL3", 0x0400)
sfr.write("BUSCON3", 0x0600)

wait(POWER_ON_CYCLES)

-- 8-bit interface, two lines; the controller then wants the display control.
lcd_command(FUNCTION_SET_8BIT_2LINES)
lcd_command(DISPLAY_OFF)
lcd_command(CLEAR_DISPLAY)
lcd_command(ENTRY_INCREMENT)
lcd_command(DISPLAY_ON)

lcd_goto(1, 0)
lcd_puts(LINE1)
lcd_goto(2, 0)
lcd_puts(LINE2)

lcd_command(DISPLAY_CURSOR_BLINK)
lcd_command(SHIFT_DISPLAY_RIGHT)
lcd_wait_ready()

-- The cursor stands after the second line's text.
expect(mem.read(LCD_STATUS) & ADDRESS_BITS == LINE2_ADDRESS + #LINE2, "cursor after the second line")
print(string.format("LCD ready after %d cycles", clock()))
