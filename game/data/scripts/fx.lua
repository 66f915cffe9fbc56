-- fx.lua: a short-lived effect (a beam, sparks, an explosion) made by CreateComplexObject.
-- It removes itself once the time in its text parameter "life" (seconds, set by whoever
-- made it; 1 when unset) has passed. The camera script draws it meanwhile.
local me = GetCurrentComplexObject(globalObject)
local life = tonumber(GetObjectSParam(me, "life")) or 1
while life > 0 do
  Update()
  life = life - GetDeltaTime(globalObject)
end
DestroyObject(me)
-- The object goes at the end of the frame; until then the script waits.
while true do Update() end
