-- The intro: plays the video that the screen's window shows, and asks "MAIN" for the main
-- menu when the video ends ("video_end"), on Escape ("mainmenu"), on a click (at its release,
-- so that the release does not land on the menu), or after a while should the video never
-- start.
local leaving = false

local function Leave()
  if leaving then return end
  leaving = true
  StopVideo()
  SendCommandByName("MAIN", "intro_done", "")
end

SetText(GetWindow("skip_hint"), "Esc or a click skips the intro")
-- The window opens its video when it is first drawn, at the end of this frame: the video
-- can start from the next frame on.
Update()
PlayVideo()

local shown = 0
while true do
  shown = shown + GetDeltaTime(globalObject)
  while SetNextCommand(globalObject) do
    local command = GetCurrentCommand(globalObject)
    if command == "video_end" or command == "mainmenu" or command == "mouse_up" then
      Leave()
    end
  end
  if shown > 15 then Leave() end
  Update()
end
