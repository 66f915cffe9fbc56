-- The saved games: four slots (data\Saves\save1.sav to save4.sav). "MAIN" leaves the mode
-- ("save" or "load") and the name to save under in the world's text parameters. Saving
-- happens here and the screen stays; loading is a request to "MAIN", which loads the game
-- and shows its mission's briefing. Back or Escape returns.
local world = GetGameWorld()
local mode = GetGlobalSParam(world, "saves_mode")
local saveName = GetGlobalSParam(world, "save_name")
local status = GetWindow("status")

-- Each slot's text: its number and the name of the game in it.
local function ShowSlots()
  for slot = 1, 4 do
    local name = GetSaveName(slot)
    if name == "" then name = "empty" end
    SetText(GetWindow("slot" .. slot .. "_text"), slot .. ".   " .. name)
  end
end

ShowSlots()
if mode == "save" then
  SetText(GetWindow("mode_text"), "Choose a slot to save the game in")
else
  SetText(GetWindow("mode_text"), "Choose a game to load")
end

-- The slot a button name stands for, or nil.
local function SlotOf(name)
  local slot = tonumber(string.match(name or "", "^slot(%d)$"))
  if slot and slot >= 1 and slot <= 4 then return slot end
  return nil
end

local leaving = false
while true do
  while not leaving and SetNextCommand(globalObject) do
    local command = GetCurrentCommand(globalObject)
    local name = GetCurrentParams(globalObject)
    local slot = command == "button_click" and SlotOf(name)
    if slot and mode == "save" then
      SaveGame(slot, saveName)
      SaveLog("saves: saved \"" .. saveName .. "\" in slot " .. slot)
      ShowSlots()
      SetText(status, "Saved in slot " .. slot .. ".")
    elseif slot then
      if GetSaveName(slot) == "" then
        SetText(status, "Slot " .. slot .. " is empty.")
      else
        leaving = true
        SendCommandByName("MAIN", "load_slot", tostring(slot))
      end
    elseif (command == "button_click" and name == "back") or command == "mainmenu" then
      leaving = true
      SendCommandByName("MAIN", "saves_back", "")
    end
  end
  Update()
end
