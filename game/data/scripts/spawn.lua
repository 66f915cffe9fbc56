-- spawn.lua: a spawn pad marks itself with the flag "isSpawn", which DeployDroid looks
-- for among a room's objects. Nothing more to do, so it waits: a script that ended would be
-- started again, with a fresh Lua state, at its object's next step.
SetObjectTrigger(GetCurrentComplexObject(globalObject), "isSpawn", true)
while true do Update() end
