-- The end of the campaign: the final figures that "MAIN" left in the world's text
-- parameters, and the way back to the main menu (the button or Escape).
local world = GetGameWorld()
SetText(GetWindow("summary"), "Every mission is accomplished.#" .. "#" ..
        "Final points: " .. GetGlobalSParam(world, "final_points") .. "#" ..
        "Droids under your command: " .. GetGlobalSParam(world, "final_droids") .. "#" .. "#" ..
        "Thank you for playing Kestrune: Droid Command.")

local leaving = false
while true do
  while not leaving and SetNextCommand(globalObject) do
    local command = GetCurrentCommand(globalObject)
    local name = GetCurrentParams(globalObject)
    if (command == "button_click" and name == "main_menu") or command == "mainmenu" then
      leaving = true
      SendCommandByName("MAIN", "victory_done", "")
    end
  end
  Update()
end
