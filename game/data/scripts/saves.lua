-- The saved games: four slots (data\Saves\save1.sav to save4.sav). "MAIN" leaves the mode
-- ("save" or "load"), the name to save under, the mission and points a save keeps and the
-- points in hand in the world's text parameters. A save keeps the start of the mission to play (its droids and the points of
-- then), not the mission as it stands: the screen says so before the player saves, and the
-- name of each save says what it holds ("Start of mission 2, 245 points"). Saving over a
-- used slot asks first. Saving happens here and the screen stays ("MAIN" hears which slot
-- holds the game now); loading is a request to "MAIN", which loads the game and shows its
-- mission's briefing. Back or Escape returns.
local world = GetGameWorld()
local mode = GetGlobalSParam(world, "saves_mode")
local saveName = GetGlobalSParam(world, "save_name")
local keptMission = GetGlobalSParam(world, "save_mission")
local keptPoints = GetGlobalSParam(world, "save_points")
local pointsNow = GetGlobalSParam(world, "save_points_now")
local status = GetWindow("status")
local screen = GetWindow("saves")
local confirm, confirmText = GetWindow("confirm"), GetWindow("confirm_text")

local function Show(window, on)
  SetWindowVisible(window, on)
  SetWindowActive(window, on)
end
Show(confirm, false)

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
  local keeps = "A save keeps the start of mission " .. keptMission .. ", with " .. keptPoints .. " points."
  if pointsNow ~= keptPoints then keeps = keeps .. "#Points won and damage taken since are not kept." end
  SetText(GetWindow("keeps_text"), keeps)
else
  SetText(GetWindow("mode_text"), "Choose a game to load")
  SetText(GetWindow("keeps_text"), "A save takes you to the start of its mission.")
end

-- The slot a button name stands for, or nil.
local function SlotOf(name)
  local slot = tonumber(string.match(name or "", "^slot(%d)$"))
  if slot and slot >= 1 and slot <= 4 then return slot end
  return nil
end

local function Save(slot)
  SaveGame(slot, saveName)
  SaveLog("saves: saved \"" .. saveName .. "\" in slot " .. slot)
  -- The screens that ask before the game is left say where it is kept.
  SendCommandByName("MAIN", "game_saved", tostring(slot))
  ShowSlots()
  SetText(status, "Saved in slot " .. slot .. ".")
end

-- The question before a save over a used slot: the slot asked about, or nil.
local asked = nil
local function Ask(slot)
  asked = slot
  SetText(confirmText, "Save over slot " .. slot .. "?#It holds \"" .. GetSaveName(slot) .. "\".")
  SetWindowActive(screen, false)
  Show(confirm, true)
end

local function Answer(yes)
  local slot = asked
  asked = nil
  Show(confirm, false)
  SetWindowActive(screen, true)
  if yes and slot then Save(slot) end
end

local leaving = false
while true do
  while not leaving and SetNextCommand(globalObject) do
    local command = GetCurrentCommand(globalObject)
    local name = GetCurrentParams(globalObject)
    local slot = command == "button_click" and SlotOf(name)
    if command == "button_click" and (name == "confirm_yes" or name == "confirm_no") then
      Answer(name == "confirm_yes")
    elseif asked then
      -- Only the question answers while it is asked; Escape says no.
      if command == "mainmenu" then Answer(false) end
    elseif slot and mode == "save" then
      if GetSaveName(slot) == "" then Save(slot) else Ask(slot) end
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
