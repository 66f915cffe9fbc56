-- The sample game's main script: runs as the main handler's idle state, resumed once
-- per frame with the frame time.
local frames = 0
while true do
  frames = frames + 1
  coroutine.yield(7)
end
