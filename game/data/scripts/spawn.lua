-- spawn.lua: a spawn pad marks itself with the flag "isSpawn", which DeployDroid looks
-- for among a room's objects. Nothing more to do: the script ends.
SetObjectTrigger(GetCurrentComplexObject(globalObject), "isSpawn", true)
