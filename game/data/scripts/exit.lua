-- exit.lua: the exit pad. The first droid of the player to stand on it ends the mission
-- ("exit_reached" to the mission script).
local me = GetCurrentComplexObject(globalObject)
-- The mission looks for the flag to know that it can be won this way.
SetObjectTrigger(me, "isExit", true)

while true do
  Update()
  local x, y, z = GetObjectPos(me)
  local n, near = GetActiveObjectsInRect(x, y, z + 0.1, 0.5, 0.5)
  for i = 1, n do
    if GetObjectTrigger(near[i], "isDroid") then
      SendCommandByName("GameWorld", "exit_reached", GetDroidName(near[i]))
      while true do Update() end
    end
  end
end
