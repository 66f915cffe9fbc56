-- barrel.lua: a fuel barrel. Hits ("hit" with the damage) wear it down; at the end it
-- explodes and hurts every droid, enemy and barrel within 2.5 units, the nearer the more.
local me = GetCurrentComplexObject(globalObject)
local toughness = 20

while true do
  Update()
  while SetNextCommand(globalObject) do
    if GetCurrentCommand(globalObject) == "hit" then
      toughness = toughness - (tonumber((GetCurrentParams(globalObject))) or 0)
    end
  end
  if toughness <= 0 then
    local x, y, z = GetObjectPos(me)
    local n, near = GetActiveObjectsInRect(x, y, z + 0.1, 2.5, 2.5)
    for i = 1, n do
      local other = near[i]
      local d = GetCObjsDistance(me, other)
      if not ComparePointers(other, me) and d < 2.5 then
        SendCommandByPointer(other, "hit", tostring(math.floor(60 * (1 - d / 2.5))) .. "," .. PointerToString(me))
      end
    end
    local ok, fx = CreateComplexObject("explosion.adf", x, y, z)
    if ok then SendCommandByName("MainCamera", "show", PointerToString(fx) .. ",2") end
    KillObject(me, nil)
    DestroyObject(me)
    while true do Update() end
  end
end
