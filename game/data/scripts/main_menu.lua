-- The main menu. Runs as the idle state of the menu window's script handler, which is
-- named "interface" like the handler of every screen, so it hears every widget's command.
-- Each click is written to the log.
local leaving = false

while true do
  while not leaving and SetNextCommand(globalObject) do
    local command = GetCurrentCommand(globalObject)
    local params = { GetCurrentParams(globalObject) }
    if command == "button_click" then
      local button = params[1]
      SaveLog("interface: button_click " .. button)
      if button == "options" then
        -- The options screen replaces this one once this frame's call has returned.
        leaving = true
        InitInterface("options.txt")
      elseif button == "quit" then
        SetTrigger("GameOver", 1)
      elseif button == "new_game" or button == "load_game" then
        SaveLog("interface: the sample game has no missions to play yet")
      end
    end
  end
  Update()
end
