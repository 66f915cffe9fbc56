-- The options screen. Runs as the idle state of the options window's script handler (named
-- "interface"): it shows the current settings in the widgets, then applies every change
-- at once and writes each command of the screen's widgets to the log.
local keyFields = { key_forward = "forward", key_backward = "backward" }
local helpText = "Drag the sliders to set the music volume and the brightness.#" ..
                 "Click a key field, then press the key for that move.#" ..
                 "Type your name and press Enter.#" ..
                 "Point at the line at the bottom to type a console command: help, clear or quit."
-- Commands the log leaves out: the pointer's own.
local quiet = { char = true, mouse_move = true, mouse_down = true, mouse_up = true, screen_click = true, KeyAction = true }

local help = GetWindow("help")

local function ShowKeys()
  for field, action in pairs(keyFields) do
    SetTextForEdit(GetWindow(field), GetAction(action))
  end
end

-- The parameters from the n-th on, joined again: texts may hold commas.
local function Rest(params, n)
  return table.concat(params, ",", n)
end

local function Console(line)
  if line == "" then return end
  AddText(help, "> " .. line)
  if line == "help" then
    AddText(help, "Commands: help, clear, quit.")
  elseif line == "clear" then
    SetText(help, "")
  elseif line == "quit" then
    SetTrigger("GameOver", 1)
  else
    AddText(help, "Unknown command.")
  end
end

-- The settings as they are now.
SetSliderPos(GetWindow("music_volume"), GetMusicVolume())
SetSliderPos(GetWindow("brightness"), GetBrightnessLevel())
SetCheckBox(GetWindow("trilinear"), GetTrilinearFiltration())
if GetSoundQuality() then
  SetRadioGroupActiveButton(GetWindow("quality"), 1)
else
  SetRadioGroupActiveButton(GetWindow("quality"), 0)
end
ShowKeys()
SetText(help, helpText)
-- Showing the settings sent the widgets' commands: nothing to apply.
while SetNextCommand(globalObject) do end

local leaving = false
while true do
  while not leaving and SetNextCommand(globalObject) do
    local command = GetCurrentCommand(globalObject)
    local params = { GetCurrentParams(globalObject) }
    local name = params[1]
    if not quiet[command] then
      SaveLog("interface: " .. command .. " " .. table.concat(params, ","))
    end
    if command == "move_slider" then
      local value = tonumber(params[2]) or 0
      if name == "music_volume" then
        SetMusicVolume(value)
      elseif name == "brightness" then
        SetBrightnessLevel(value)
      end
    elseif command == "checkbox" and name == "trilinear" then
      SetTrilinearFiltration(params[2] == "1")
    elseif command == "radiogroup_checked" and name == "quality" then
      SetSoundQuality(params[2] == "1")
    elseif command == "key_assigned" and keyFields[name] then
      SetAction(keyFields[name], tonumber(params[2]) or 0)
      -- The move that held the key has lost it.
      ShowKeys()
    elseif command == "text_edit_complete" and name == "player_name" then
      AddText(help, "Welcome, " .. Rest(params, 2) .. "!")
    elseif command == "command" then
      Console(Rest(params, 1))
    elseif command == "button_click" and name == "back" then
      leaving = true
      InitInterface("main_menu.txt")
    end
  end
  Update()
end
