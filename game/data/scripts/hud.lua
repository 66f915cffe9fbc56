-- The screen of a mission in play. Every frame it shows the current droid (name, armour),
-- the droids on the field and the points. It passes the player's orders on to the mission
-- script ("GameWorld"): a click on the game (not on the bar or a panel) as "screen_click"
-- with its place on the screen (0..1 each), and every key action ("KeyAction": the move and
-- 1 pressed or 0 released) as it came. Escape or Menu opens the pause panel; Save asks "MAIN"
-- for the saved games; the ` key opens the console line, whose lines go to ParseCommand.
-- The mission script may show a line of its own:
--   SendCommandByName("interface", "hud_message", "Door open")

local nameBox, countBox = GetWindow("droid_name"), GetWindow("droid_count")
local armourBox, pointsBox = GetWindow("armour_value"), GetWindow("points")
local message = GetWindow("message")
local consoleBar, console = GetWindow("console_bar"), GetWindow("console")
local pause = GetWindow("pause")

local function Main(command) SendCommandByName("MAIN", command, "") end

local function Show(window, on)
  SetWindowVisible(window, on)
  SetWindowActive(window, on)
end

-- Game mode hides the pointer; here it points at droids and floors.
SetCursorType("normal")

-- The panels start closed; the message line only shows.
Show(pause, false)
Show(consoleBar, false)
SetWindowActive(message, false)

-- The armour bar: 20 segments made here, each a window over one of the bar's dark slots,
-- red for the first quarter, amber for the second, green above. Windows made by NewWindow
-- belong to the interface and go with this screen; they are hidden until shown.
local segments = {}
for i = 0, 19 do
  local u = 500
  if i < 5 then u = 480 elseif i < 10 then u = 490 end
  local segment = NewWindow("armour" .. i, "hud.tga", "interface.fx", "", 8, 14, 1024, 128, u, 64, 1)
  SetWindowPosition(segment, 190 + 9 * i, 448)
  segments[i + 1] = segment
end

-- Texts are set only when they change.
local shown = {}
local function SetTextOnce(box, text)
  if shown[box] ~= text then
    shown[box] = text
    SetText(box, text)
  end
end

local litSegments = -1
local function ShowArmour(armour)
  local lit = math.max(0, math.min(20, math.ceil(armour * 20)))
  if lit == litSegments then return end
  litSegments = lit
  for i = 1, 20 do SetWindowVisible(segments[i], i <= lit) end
end

local function ShowStatus()
  local found, droid = GetCurrentDroid()
  if found then
    local armour = GetArmorState(droid)
    SetTextOnce(nameBox, GetDroidName(droid))
    SetTextOnce(armourBox, math.floor(armour * 100 + 0.5) .. "%")
    ShowArmour(armour)
  else
    SetTextOnce(nameBox, "No droid")
    SetTextOnce(armourBox, "")
    ShowArmour(0)
  end
  local onField = 0
  for slot = 0, 8 do
    if GetDroid(slot) then onField = onField + 1 end
  end
  SetTextOnce(countBox, "Droids: " .. onField)
  SetTextOnce(pointsBox, tostring(GetPointsCount()))
end

-- A line in the message strip for a few seconds.
local messageLeft = 0
local function Say(text)
  SetText(message, text)
  messageLeft = 4
end

local paused, consoleOpen = false, false

local function SetPaused(on)
  if on == paused then return end
  paused = on
  Show(pause, on)
  if on then Main("pause") else Main("resume") end
end

local function ToggleConsole()
  consoleOpen = not consoleOpen
  -- The ` typed while the pointer was over the line is no part of a command.
  SetTextForEdit(console, "")
  Show(consoleBar, consoleOpen)
end

-- Windows that take the pointer: clicks on them are not orders for the droids.
local function OnPanel(x, y)
  if y >= 424 then return true end
  if consoleOpen and y < 28 then return true end
  if paused then return true end
  return false
end

-- The parameters from the n-th on, joined again: texts may hold commas.
local function Rest(params, n) return table.concat(params, ",", n) end

ShowStatus()
local leaving = false
while true do
  local dt = GetDeltaTime(globalObject)
  while not leaving and SetNextCommand(globalObject) do
    local command = GetCurrentCommand(globalObject)
    local params = { GetCurrentParams(globalObject) }
    local name = params[1]
    if command == "screen_click" then
      local u, v = tonumber(params[1]) or 0, tonumber(params[2]) or 0
      if not OnPanel(u * 640, v * 480) then
        SendCommandByName("GameWorld", "screen_click", Rest(params, 1))
      end
    elseif command == "KeyAction" then
      if not paused and not consoleOpen then
        SendCommandByName("GameWorld", "KeyAction", Rest(params, 1))
      end
    elseif command == "mainmenu" then
      if consoleOpen then ToggleConsole() else SetPaused(not paused) end
    elseif command == "console" then
      if not paused then ToggleConsole() end
    elseif command == "text_edit_complete" and name == "console" then
      local line = string.gsub(Rest(params, 2), "`", "")
      if line ~= "" then
        SaveLog("console: " .. line)
        Say("> " .. line)
        ParseCommand(line)
      end
    elseif command == "hud_message" then
      Say(Rest(params, 1))
    elseif command == "button_click" then
      if name == "menu" then
        SetPaused(true)
      elseif name == "resume" then
        SetPaused(false)
      elseif name == "save" or name == "pause_save" then
        leaving = true
        Main("save_game")
      elseif name == "quit_menu" then
        leaving = true
        Main("quit_to_menu")
      end
    end
  end
  if messageLeft > 0 then
    messageLeft = messageLeft - dt
    if messageLeft <= 0 then SetText(message, "") end
  end
  ShowStatus()
  Update()
end
