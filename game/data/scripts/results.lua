-- The mission report. "MAIN" leaves the outcome and the figures in the world's text
-- parameters; Continue (after a success) or Retry (after a failure) sends "results_done",
-- Main menu "results_menu".
local world = GetGameWorld()
local success = GetGlobalSParam(world, "result") == "complete"
local lastMission = GetGlobalSParam(world, "last_mission") == "1"

if success then
  SetText(GetWindow("outcome"), "Mission accomplished")
else
  SetText(GetWindow("outcome"), "Mission failed")
end
local earned = success and "Points earned: " or "Points earned, now lost: "
local details = earned .. GetGlobalSParam(world, "result_points") .. "#" ..
                "Enemies destroyed: " .. GetGlobalSParam(world, "result_enemies") .. "#" ..
                "Points in hand: " .. GetPointsCount() .. "#" .. "#"
if success and lastMission then
  details = details .. "That was the last mission. Spend your points, then see your victory."
elseif success then
  details = details .. "The shop is open: buy droids and parts before the next mission."
else
  details = details .. "Your droids and points are back as they were at the start. Try again!"
end
SetText(GetWindow("details"), details)

-- Continue and Retry share a place: the one that does not fit is hidden and takes no clicks.
local hidden = GetWindow(success and "retry" or "continue")
SetWindowVisible(hidden, false)
SetWindowActive(hidden, false)

local leaving = false
while true do
  while not leaving and SetNextCommand(globalObject) do
    local command = GetCurrentCommand(globalObject)
    local name = GetCurrentParams(globalObject)
    if command == "button_click" and (name == "continue" or name == "retry") then
      leaving = true
      SendCommandByName("MAIN", "results_done", "")
    elseif command == "button_click" and name == "main_menu" then
      leaving = true
      SendCommandByName("MAIN", "results_menu", "")
    end
  end
  Update()
end
