-- The sample game's main script: runs as the main handler's idle state, resumed once
-- per frame with the frame time. Update gives the frame back to the engine.
local frames = 0
-- The theme plays on music channel 1 from the start; the channel loops it.
SetMusic("theme.wav", true)
PlayMusic()
-- The game world; while the interface is up it draws its background picture.
local world = CreateGameWorld()
InitGameWorld(world)
SetInterfaceMode(1)
ChangeBackground("background.png")
-- The main menu is the first screen.
InitInterface("main_menu.txt")
while true do
  frames = frames + 1
  -- The channel needs its update every frame to loop and fade.
  UpdateMusic()
  UpdateGameWorld(world, GetDeltaTime(globalObject))
  -- Commands sent to "MAIN", oldest first; closing the window sends "GameOver".
  while SetNextCommand(globalObject) do
    if GetCurrentCommand(globalObject) == "GameOver" then
      SaveLog("Game over after " .. frames .. " frames")
      DeleteGameWorld(world)
      world = nil
    end
  end
  Update()
end
