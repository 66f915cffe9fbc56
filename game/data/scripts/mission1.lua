-- The sample mission's script: the game world's idle state while the mission runs. The
-- world tells it "level_inited" once the floors and the droids stand; the mission then
-- leaves its name for the interface in the global text parameter "mission".
while true do
  while SetNextCommand(globalObject) do
    if GetCurrentCommand(globalObject) == "level_inited" then
      SaveLog("Mission ready: " .. GetMissionName())
      SetGlobalSParam(GetGameWorld(), "mission", GetMissionName())
    end
  end
  Update()
end
