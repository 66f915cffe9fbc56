-- The screen of a mission in play. Every frame it shows the current droid (its name and
-- armour), the droids on the field and the points. It passes the player's orders on to the
-- mission script ("GameWorld"): a click on the game (not on the bar or a panel) as
-- "screen_click" with its place on the screen (0..1 each), and every key action ("KeyAction":
-- the move and 1 pressed or 0 released) as it came; the help key shows the controls as they
-- are bound now. Escape or Menu opens the pause panel; Save asks "MAIN" for the saved games;
-- Quit to menu asks first. The ` key opens the console line: what the keyboard types goes
-- into it wherever the pointer is, Enter hands the line to ParseCommand and empties it, and
-- Escape or ` closes it. The console word "help" (commands.dat) lists every word here.
-- Back from the saved games screen the bar opens with the pause panel ("MAIN" leaves
-- "hud_paused" at 1): the game stays on hold until the player resumes it.
-- The mission script shows its news here: it leaves the text in the world's text parameter
-- "message" and sends
--   SendCommandByName("interface", "hud_message", text)
-- A command's parameters are split at commas (and trimmed) on the way, so the text is taken
-- from the parameter, as written, whenever it is the one the command carries.

local world = GetGameWorld()
local nameBox, countBox = GetWindow("droid_name"), GetWindow("droid_count")
local armourBox, pointsBox = GetWindow("armour_value"), GetWindow("points")
local message = GetWindow("message")
local consoleBar, console = GetWindow("console_bar"), GetWindow("console")
local helpPanel, helpText = GetWindow("console_help"), GetWindow("console_words")
local pause = GetWindow("pause")
local confirm, confirmText = GetWindow("confirm"), GetWindow("confirm_text")

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
Show(helpPanel, false)
Show(confirm, false)
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

-- The name the game shows for a droid: its record's own, or, for a droid that still bears
-- the engine's standard name ("Дроид - 3", the same for every standard droid), "Droid" and
-- the number of its slot.
local standardName = "\196\240\238\232\228 - "
local function DroidLabel(droid, slot)
  local name = GetDroidName(droid)
  if name == "" or string.sub(name, 1, string.len(standardName)) == standardName then
    return "Droid " .. (slot + 1)
  end
  return name
end

local function ShowStatus()
  local found, current = GetCurrentDroid()
  local onField, label = 0, nil
  for slot = 0, 8 do
    local ok, droid = GetDroid(slot)
    if ok then
      onField = onField + 1
      if found and ComparePointers(droid, current) then label = DroidLabel(droid, slot) end
    end
  end
  if found then
    local armour = GetArmorState(current)
    SetTextOnce(nameBox, label or DroidLabel(current, 0))
    SetTextOnce(armourBox, math.floor(armour * 100 + 0.5) .. "%")
    ShowArmour(armour)
  else
    SetTextOnce(nameBox, "No droid")
    SetTextOnce(armourBox, "")
    ShowArmour(0)
  end
  SetTextOnce(countBox, "Droids: " .. onField)
  SetTextOnce(pointsBox, tostring(GetPointsCount()))
end

-- A line in the message strip for a few seconds. "#" would break it.
local messageLeft = 0
local function Say(text)
  SetText(message, (string.gsub(text, "#", " ")))
  messageLeft = 6
end

-- The text a "hud_message" carried, whose parameters are its pieces between commas, trimmed:
-- the world's "message" as written when it is that text, else the pieces joined again.
local function Squeezed(text) return (string.gsub(text, "[%s\"]", "")) end
local function MessageText(params)
  local joined = table.concat(params, ",")
  local written = GetGlobalSParam(world, "message")
  if written ~= "" and Squeezed(written) == Squeezed(joined) then return written end
  return table.concat(params, ", ")
end

-- The controls, with the keys as they are bound now.
local function Controls()
  local function Keys(...)
    local names = {}
    for i, action in ipairs({ ... }) do names[i] = GetAction(action) end
    return table.concat(names, "/")
  end
  return "Click: select, move, attack.  " .. Keys("forward", "backward", "left", "right") .. " drive, " ..
         Keys("fire") .. " fires, " .. Keys("droid1") .. "-" .. Keys("droid9") .. " or " ..
         Keys("next", "prev") .. " pick, " .. Keys("cam_left", "cam_right") .. " turn view, ` console, " ..
         Keys("help") .. " help"
end

-- The console's words, as data\scripts\commands.dat routes them, and the two forms
-- ParseCommand knows by itself.
local consoleWords = {
  { "help", "this list" },
  { "status", "droids on the field, enemies left, points earned here" },
  { "repair", "repairs every damaged droid, 20 points each" },
  { "win", "ends the mission as won" },
  { "lose", "ends the mission as lost" },
  { "turn 1, turn -1", "turns the view a quarter left or right" },
  { "all <command> <params>", "to every script" },
  { "name <script> <command> <params>", "to the scripts of that name" },
}

local function ConsoleHelp()
  local lines, words = { "Console words:" }, {}
  for i, entry in ipairs(consoleWords) do
    lines[i + 1] = entry[1] .. "  -  " .. entry[2]
    words[i] = entry[1]
  end
  SetText(helpText, table.concat(lines, "#"))
  Show(helpPanel, true)
  SetWindowActive(helpPanel, false)
  SaveLog("console: the words are " .. table.concat(words, "; "))
end

-- The question before a step that loses something: Yes runs the step, No or Escape forgets it.
local asked = nil
local function Ask(text, onYes)
  asked = onYes
  SetText(confirmText, text)
  SetWindowActive(pause, false)
  Show(confirm, true)
end

local function Answer(yes)
  local onYes = asked
  asked = nil
  Show(confirm, false)
  SetWindowActive(pause, true)
  if yes and onYes then onYes() end
end

local paused, consoleOpen = false, false
local savedSlot = GetGlobalSParam(world, "saved_slot")

local function SetPaused(on)
  if on == paused then return end
  paused = on
  Show(pause, on)
  if on then Main("pause") else Main("resume") end
end

-- The console line: the script keeps what was typed and shows it with a cursor mark; the
-- line takes no keys itself, so typing reaches it wherever the pointer is.
local typed = ""
local MAX_TYPED = 60

local function ShowTyped()
  SetTextForEdit(console, typed .. "_")
end

local function ToggleConsole()
  consoleOpen = not consoleOpen
  typed = ""
  ShowTyped()
  Show(consoleBar, consoleOpen)
  if not consoleOpen then Show(helpPanel, false) end
end

local function RunTyped()
  local line = string.gsub(string.gsub(typed, "^%s+", ""), "%s+$", "")
  typed = ""
  ShowTyped()
  if line == "" then return end
  SaveLog("console: " .. line)
  Show(helpPanel, false)
  Say("> " .. line)
  ParseCommand(line)
end

-- A typed character ("char": its code as a signed byte). The console key's own ` and the
-- Escape that closes the line are no part of a command.
local function Typed(code)
  if code < 0 then code = code + 256 end
  if code == 13 then
    RunTyped()
  elseif code == 8 then
    typed = string.sub(typed, 1, -2)
    ShowTyped()
  elseif code >= 32 and code ~= 96 and code ~= 127 and string.len(typed) < MAX_TYPED then
    typed = typed .. string.char(code)
    ShowTyped()
  end
end

-- Windows that take the pointer: clicks on them are not orders for the droids.
local function OnPanel(x, y)
  if y >= 424 then return true end
  if consoleOpen and y < 28 then return true end
  if paused then return true end
  return false
end

-- The parameters from the n-th on, joined again.
local function Rest(params, n) return table.concat(params, ",", n) end

ShowStatus()
if GetGlobalSParam(world, "hud_paused") == "1" then SetPaused(true) end
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
    elseif command == "char" then
      if consoleOpen then Typed(tonumber(name) or 0) end
    elseif command == "KeyAction" then
      if paused or consoleOpen then
        -- Keys type into the console or do nothing while the game is held.
      elseif name == "help" then
        if params[2] == "1" then Say(Controls()) end
      else
        SendCommandByName("GameWorld", "KeyAction", Rest(params, 1))
      end
    elseif command == "mainmenu" then
      if asked then Answer(false)
      elseif consoleOpen then ToggleConsole()
      else SetPaused(not paused) end
    elseif command == "console" then
      if not paused then ToggleConsole() end
    elseif command == "console_help" then
      ConsoleHelp()
    elseif command == "hud_message" then
      Say(MessageText(params))
    elseif command == "button_click" then
      if name == "confirm_yes" or name == "confirm_no" then
        Answer(name == "confirm_yes")
      elseif asked then
        -- Only the question takes clicks while it is asked.
      elseif name == "menu" then
        SetPaused(true)
      elseif name == "resume" then
        SetPaused(false)
      elseif name == "save" or name == "pause_save" then
        leaving = true
        Main("save_game")
      elseif name == "quit_menu" then
        local kept = "a save keeps its start."
        if savedSlot ~= "" then kept = "its start is saved in slot " .. savedSlot .. "." end
        Ask("Quit to the main menu? This mission's points and losses go; " .. kept,
            function()
              leaving = true
              Main("quit_to_menu")
            end)
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
