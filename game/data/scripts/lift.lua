-- lift.lua: a lift pad under a shaft. A droid of the player standing on it is asked to
-- ride up ("lift" with the point where it steps off: the floor above, 1.9 units from the
-- pad along the pad's heading, beside the shaft). The droid goes only when it has nothing
-- else to do.
local me = GetCurrentComplexObject(globalObject)

while true do
  Update()
  local x, y, z = GetObjectPos(me)
  local n, near = GetActiveObjectsInRect(x, y, z + 0.1, 0.35, 0.35)
  for i = 1, n do
    local droid = near[i]
    if GetObjectTrigger(droid, "isDroid") then
      local heading = GetObjectAngle(me)
      local tx, ty = x + math.cos(heading) * 1.9, y + math.sin(heading) * 1.9
      SendCommandByPointer(droid, "lift", tx .. "," .. ty .. "," .. (z + 3))
    end
  end
end
