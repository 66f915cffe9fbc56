-- The options screen. Shows the current settings in the widgets, then applies every change at
-- once; the engine writes the settings to YConfig.cfg and the keys to Actions.cfg when the
-- program ends. Back or Escape asks "MAIN" for the main menu. Each command of the screen's
-- widgets is written to the log.
--
-- A key field clicked waits for the next key released, and the engine hides the pointer
-- meanwhile. This screen shows it again at once: while the field shows "?", the sliders,
-- buttons and other fields still answer, and a click anywhere but the field gives up the
-- wait (the field shows its key again; the key the engine takes later is not assigned).

-- The key fields and the moves they set.
local keyFields = {
  key_forward = "forward", key_backward = "backward", key_fire = "fire",
  key_left = "left", key_right = "right", key_next = "next",
}
-- Every action, in the engine's order, and the name the screen gives it.
local actions = { "forward", "backward", "left", "right", "fire", "pickup", "cam_left", "cam_right", "cam_mode",
                  "next", "prev", "map", "droid1", "droid2", "droid3", "droid4", "droid5", "droid6", "droid7",
                  "droid8", "droid9", "help" }
local actionNames = {
  forward = "Forward", backward = "Backward", left = "Turn left", right = "Turn right", fire = "Fire",
  pickup = "Pick up", cam_left = "View left", cam_right = "View right", cam_mode = "View mode",
  next = "Next droid", prev = "Previous droid", map = "Map", help = "Help",
}
for i = 1, 9 do actionNames["droid" .. i] = "Droid " .. i end
local onScreen = {}
for _, action in pairs(keyFields) do onScreen[action] = true end
local NO_KEY = "undefined key"  -- the name the engine gives an action without a key

-- Commands the log leaves out: the pointer's own.
local quiet = { char = true, mouse_move = true, mouse_down = true, mouse_up = true, screen_click = true, KeyAction = true }

-- Sliders run from 0 to 1; each setting has its own scale on them.
-- Brightness: 0.25 (dim) to 0.75 (bright); 0.5 shows the colours as they are.
local function BrightnessFromSlider(p) return 0.25 + 0.5 * p end
local function SliderFromBrightness(b) return (b - 0.25) / 0.5 end
-- Mouse speed: 0.25 to 4 times, 1 in the middle of the slider.
local function MouseSpeedFromSlider(p) return 0.25 * 16 ^ p end
local function SliderFromMouseSpeed(s) return math.log(math.max(s, 0.01) / 0.25) / math.log(16) end

local function Percent(v) return math.floor(v * 100 + 0.5) .. "%" end

-- A key field shows its key, or "no key"; a name too long for the field would lose its start.
-- The field waiting for a key (if any) keeps its "?".
local waiting = nil  -- the key field waiting for a key, as this screen sees it
local function ShowKeys()
  for field, action in pairs(keyFields) do
    local key = GetAction(action)
    if key == NO_KEY then key = "no key" end
    if field == waiting then key = "?" end
    SetTextForEdit(GetWindow(field), key)
  end
end

local function Help(text) SetText(GetWindow("help"), text) end
local helpText = "Click a key field, then press the key for that move.#Esc or Back returns to the main menu."

-- The action other than this one that holds the key of that name, or nil.
local function Holder(keyName, except)
  if keyName == NO_KEY or keyName == "" then return nil end
  for _, action in ipairs(actions) do
    if action ~= except and GetAction(action) == keyName then return action end
  end
  return nil
end

-- Gives the field's action the key (its name and scan code). A key of a move on this screen
-- moves over, and the screen says which move lost it; a key of one of the other actions
-- (droid picks, camera, help) stays where it is, since no field here could give it back.
local function AssignKey(field, keyName, code)
  local action = keyFields[field]
  local holder = Holder(keyName, action)
  if holder and not onScreen[holder] then
    Help(keyName .. " is the key of " .. actionNames[holder] .. ": choose another key for " ..
         actionNames[action] .. ".")
    return
  end
  SetAction(action, code)
  if holder then
    Help(keyName .. " was " .. actionNames[holder] .. "'s key: " .. actionNames[holder] .. " has no key now.#" ..
         "Click its field to give it one.")
  else
    Help(helpText)
  end
end

-- The display modes ("800 x 600 x 32"), and the one in use, counted from 1.
local modeCount, modes = GetDisplayModes()
local mode = GetCurrentScreen()

local function ShowMode()
  SetText(GetWindow("display_mode"), modes[mode] or "")
end

-- Steps to the next or previous display mode and switches to it.
local function StepMode(step)
  if modeCount < 2 then return end
  mode = (mode - 1 + step) % modeCount + 1
  SetDisplayMode(mode - 1)
  ShowMode()
end

-- The settings as they are now. Setting the widgets sends their commands, which the loop
-- below would take for changes: they are read and dropped first.
ShowMode()
SetSliderPos(GetWindow("music_volume"), GetMusicVolume())
SetSliderPos(GetWindow("sound_volume"), GetSoundVolume())
SetSliderPos(GetWindow("brightness"), SliderFromBrightness(GetBrightnessLevel()))
SetSliderPos(GetWindow("mouse_speed"), SliderFromMouseSpeed(GetMouseSpeed()))
SetCheckBox(GetWindow("trilinear"), GetTrilinearFiltration())
if GetSoundQuality() then
  SetRadioGroupActiveButton(GetWindow("quality"), 1)
else
  SetRadioGroupActiveButton(GetWindow("quality"), 0)
end
SetText(GetWindow("music_value"), Percent(GetMusicVolume()))
SetText(GetWindow("sound_value"), Percent(GetSoundVolume()))
SetText(GetWindow("brightness_value"), Percent(GetBrightnessLevel() * 2))
SetText(GetWindow("mouse_value"), string.format("%.2fx", GetMouseSpeed()))
ShowKeys()
Help(helpText)
while SetNextCommand(globalObject) do end

local leaving = false
local escapeTaken = false
local ownClick = false  -- the "mouse_down" of the click that started the wait is still to come
local givenUp = {}      -- key fields whose wait this screen gave up: their next key is not taken

-- The wait of a key field begins: the pointer shows again, and another field's wait ends.
local function Wait(field)
  if waiting and waiting ~= field then givenUp[waiting] = true end
  waiting = field
  givenUp[field] = nil
  ownClick = true
  SetCursorType("normal")
  ShowKeys()
  Help("Press the key for " .. actionNames[keyFields[field]] .. ".#Esc, or a click elsewhere, keeps the key it has.")
end

local function GiveUpWait()
  givenUp[waiting] = true
  waiting = nil
  ShowKeys()
  Help(helpText)
end

while true do
  while not leaving and SetNextCommand(globalObject) do
    local command = GetCurrentCommand(globalObject)
    local params = { GetCurrentParams(globalObject) }
    local name = params[1]
    local value = tonumber(params[2]) or 0
    if not quiet[command] then
      SaveLog("interface: " .. command .. " " .. table.concat(params, ","))
    end
    if command == "move_slider" then
      if name == "music_volume" then
        SetMusicVolume(value)
        SetText(GetWindow("music_value"), Percent(value))
      elseif name == "sound_volume" then
        SetSoundsVolume(value)
        SetText(GetWindow("sound_value"), Percent(value))
      elseif name == "brightness" then
        SetBrightnessLevel(BrightnessFromSlider(value))
        SetText(GetWindow("brightness_value"), Percent(BrightnessFromSlider(value) * 2))
      elseif name == "mouse_speed" then
        SetMouseSpeed(MouseSpeedFromSlider(value))
        SetText(GetWindow("mouse_value"), string.format("%.2fx", MouseSpeedFromSlider(value)))
      end
    elseif command == "checkbox" and name == "trilinear" then
      SetTrilinearFiltration(params[2] == "1")
    elseif command == "radiogroup_checked" and name == "quality" then
      SetSoundQuality(params[2] == "1")
    elseif command == "textedit_click" and keyFields[name] then
      Wait(name)
    elseif command == "mouse_down" then
      -- The press that started a wait comes after its "textedit_click"; any other ends it.
      if ownClick then ownClick = false elseif waiting then GiveUpWait() end
    elseif command == "key_assigned" and givenUp[name] then
      -- A field whose wait was given up takes no key: it shows its own again.
      givenUp[name] = nil
      ShowKeys()
    elseif command == "key_assigned" and keyFields[name] then
      waiting = nil
      if value == 1 then
        -- Escape cancels the field; the "mainmenu" it also sends must not leave the screen.
        escapeTaken = true
        Help(helpText)
      else
        AssignKey(name, GetText(GetWindow(name)), value)
      end
      -- The move that held the key has lost it.
      ShowKeys()
    elseif command == "button_click" and name == "display_prev" then
      StepMode(-1)
    elseif command == "button_click" and name == "display_next" then
      StepMode(1)
    elseif command == "mainmenu" and escapeTaken then
      escapeTaken = false
    elseif (command == "button_click" and name == "back") or command == "mainmenu" then
      leaving = true
      SendCommandByName("MAIN", "options_done", "")
    end
  end
  Update()
end
