-- The briefing of the mission "MAIN" has just loaded: its name and text come from the
-- world (GetMissionName, GetBriefing), the mission's number from the world's text
-- parameters. Start, Save and Back (or Escape) are requests to "MAIN".
local world = GetGameWorld()
local mission = GetGlobalSParam(world, "mission")
local requests = { start = "start", save = "briefing_save", back = "briefing_back" }

SetText(GetWindow("mission_title"), "Mission " .. mission .. " of " ..
        GetGlobalSParam(world, "missions") .. ":  " .. GetMissionName())
SetText(GetWindow("briefing_text"), GetBriefing())
SetWindowVisible(GetWindow("briefing_text"), true)  -- shown again: its scroll bar follows the text
SaveLog("briefing: mission " .. mission .. ", " .. GetPointsCount() .. " points, " .. GetUserDroidsCount() .. " droids")
-- A new game has no droids yet: the mission gives it two standard ones.
local droids = GetUserDroidsCount()
if droids == 0 then droids = "two standard droids" end
SetText(GetWindow("status"), "Points: " .. GetPointsCount() .. "      Droids: " .. droids)

local leaving = false
while true do
  while not leaving and SetNextCommand(globalObject) do
    local command = GetCurrentCommand(globalObject)
    local name = GetCurrentParams(globalObject)
    local request
    if command == "button_click" then request = requests[name] end
    if command == "mainmenu" then request = "briefing_back" end
    if request then
      leaving = true
      SendCommandByName("MAIN", request, "")
    end
  end
  Update()
end
