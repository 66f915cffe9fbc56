-- The mission report. "MAIN" leaves the outcome and the figures in the world's text
-- parameters; Continue (after a success) or Retry (after a failure) sends "results_done",
-- Main menu "results_menu". After a success Main menu asks first: the mission won is kept
-- only by going on (the shop, then the next briefing, which can save it) and the question
-- says so; this screen saves nothing.
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

local screen = GetWindow("results")
local confirm = GetWindow("confirm")
local function ShowConfirm(on)
  SetWindowVisible(confirm, on)
  SetWindowActive(confirm, on)
  SetWindowActive(screen, not on)
end
ShowConfirm(false)
if lastMission then
  SetText(GetWindow("confirm_text"), "Leave for the main menu?#This win and its points are lost,#and the victory is not shown.")
else
  SetText(GetWindow("confirm_text"), "Leave for the main menu?#This win and its points are lost.#Continue: the next briefing can save it.")
end

local leaving, asked = false, false
while true do
  while not leaving and SetNextCommand(globalObject) do
    local command = GetCurrentCommand(globalObject)
    local name = GetCurrentParams(globalObject)
    local request
    if command == "button_click" and (name == "confirm_yes" or name == "confirm_no") then
      asked = false
      ShowConfirm(false)
      if name == "confirm_yes" then request = "results_menu" end
    elseif asked then
      if command == "mainmenu" then
        asked = false
        ShowConfirm(false)
      end
    elseif command == "button_click" and (name == "continue" or name == "retry") then
      request = "results_done"
    elseif command == "button_click" and name == "main_menu" then
      if success then
        asked = true
        ShowConfirm(true)
      else
        request = "results_menu"
      end
    end
    if request then
      leaving = true
      SendCommandByName("MAIN", request, "")
    end
  end
  Update()
end
