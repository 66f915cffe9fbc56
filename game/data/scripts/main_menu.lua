-- The main menu: each button asks "MAIN" for what it names. Runs as the idle state of the
-- menu window's script handler, which is named "interface" like the handler of every screen,
-- so it hears every widget's command. Each click is written to the log.
local requests = { new_game = "new_game", load_game = "load_game", options = "options", quit = "quit" }

while true do
  while SetNextCommand(globalObject) do
    local command = GetCurrentCommand(globalObject)
    local button = GetCurrentParams(globalObject)
    if command == "button_click" and requests[button] then
      SaveLog("interface: button_click " .. button)
      SendCommandByName("MAIN", requests[button], "")
    end
  end
  Update()
end
