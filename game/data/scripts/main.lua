-- The sample game's main script: runs as the main handler's idle state, resumed once
-- per frame with the frame time. Update gives the frame back to the engine.
local frames = 0
while true do
  frames = frames + 1
  Update()
end
