-- The options screen. Shows the current settings in the widgets, then applies every change at
-- once; the engine writes the settings to YConfig.cfg and the keys to Actions.cfg when the
-- program ends. Back or Escape asks "MAIN" for the main menu. Each command of the screen's
-- widgets is written to the log.

-- The key fields and the moves they set.
local keyFields = {
  key_forward = "forward", key_backward = "backward", key_fire = "fire",
  key_left = "left", key_right = "right", key_next = "next",
}
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

local function ShowKeys()
  for field, action in pairs(keyFields) do
    SetTextForEdit(GetWindow(field), GetAction(action))
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
SetText(GetWindow("help"), "Click a key field, then press the key for that move.#" ..
                           "Esc or Back returns to the main menu.")
while SetNextCommand(globalObject) do end

local leaving = false
local escapeTaken = false
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
    elseif command == "key_assigned" and keyFields[name] then
      if value == 1 then
        -- Escape cancels the field; the "mainmenu" it also sends must not leave the screen.
        escapeTaken = true
      else
        SetAction(keyFields[name], value)
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
