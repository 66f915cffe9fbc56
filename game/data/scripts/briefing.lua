-- The briefing of the mission "MAIN" has just loaded: its name and text come from the
-- world (GetMissionName, GetBriefing), the mission's number from the world's text
-- parameters. Start and Save are requests to "MAIN"; Back (or Escape) asks first, since
-- the game leaves for the main menu and only a save keeps it. The question says whether a
-- save holds the game as it stands ("MAIN" leaves the slot in "saved_slot").
local world = GetGameWorld()
local mission = GetGlobalSParam(world, "mission")
local requests = { start = "start", save = "briefing_save", back = "briefing_back" }
local screen = GetWindow("briefing")
local confirm, confirmText = GetWindow("confirm"), GetWindow("confirm_text")

local function Show(window, on)
  SetWindowVisible(window, on)
  SetWindowActive(window, on)
end
Show(confirm, false)

SetText(GetWindow("mission_title"), "Mission " .. mission .. " of " ..
        GetGlobalSParam(world, "missions") .. ":  " .. GetMissionName())
local text = GetWindow("briefing_text")
SetText(text, GetBriefing())
-- A text box weighs up its scroll bar when it is shown: shown again, it fits the new text.
SetWindowVisible(text, true)
SaveLog("briefing: mission " .. mission .. ", " .. GetPointsCount() .. " points, " .. GetUserDroidsCount() .. " droids")
-- A game without droids gets two standard ones from the mission.
local droids = GetUserDroidsCount()
if droids == 0 then droids = "two standard droids" end
SetText(GetWindow("status"), "Points: " .. GetPointsCount() .. "      Droids: " .. droids)

local asked = false
local function Ask()
  asked = true
  local slot = GetGlobalSParam(world, "saved_slot")
  if slot ~= "" then
    SetText(confirmText, "Leave this game for the main menu?#It is saved in slot " .. slot .. ":#Load game brings it back.")
  else
    SetText(confirmText, "Leave this game for the main menu?#It is not saved and will be lost.")
  end
  SetWindowActive(screen, false)
  Show(confirm, true)
end

local function Answer()
  asked = false
  Show(confirm, false)
  SetWindowActive(screen, true)
end

local leaving = false
while true do
  while not leaving and SetNextCommand(globalObject) do
    local command = GetCurrentCommand(globalObject)
    local name = GetCurrentParams(globalObject)
    local request
    if command == "button_click" and name == "confirm_yes" then
      Answer()
      request = "briefing_back"
    elseif command == "button_click" and name == "confirm_no" then
      Answer()
    elseif asked then
      if command == "mainmenu" then Answer() end
    elseif (command == "button_click" and name == "back") or command == "mainmenu" then
      Ask()
    elseif command == "button_click" then
      request = requests[name]
    end
    if request then
      leaving = true
      SendCommandByName("MAIN", request, "")
    end
  end
  Update()
end
