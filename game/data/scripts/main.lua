-- Kestrune: Droid Command. The main script: the engine runs it as the main handler "MAIN",
-- resumed once a frame; Update() gives the frame back.
--
-- It owns the game world and the way from screen to screen. Every screen has a script of its
-- own (named in its description file) that asks for the next step by sending a command here:
--   SendCommandByName("MAIN", "new_game", "")
-- This script answers only the commands that make sense on the screen shown (a second click
-- on the same button does nothing twice), loads the screen, the mission or the saved game,
-- and leaves what the next screen shows in the world's text parameters (SetGlobalSParam),
-- which the screen's script reads with GetGlobalSParam.

local missions = { "data\\missions\\mission1.txt", "data\\missions\\mission2.txt" }

-- The world lives as long as the program. In interface mode (1) it draws its background
-- picture behind the screens (the world's own, data\textures\backgrounds\podlozka.tga: a
-- night sky; ChangeBackground would choose another); in game mode (0) it runs and draws the
-- mission.
local world = CreateGameWorld()
InitGameWorld(world)
SetInterfaceMode(1)

-- The theme plays on music channel 1 from the start, at the configured volume (a file opens
-- at full volume); UpdateMusic below loops it. It opens as the first frame is shown, so that
-- reading the file does not hold the first picture back.
local musicStarted = false
local function StartMusic()
  musicStarted = true
  SetMusic("theme.wav", true)
  SetMusicVolume(GetMusicVolume())
  PlayMusic()
end

local screen = ""        -- the screen shown: intro, menu, options, briefing, mission, saves, results, shop, victory
local mission = 1        -- the mission loaded, an index into missions
local paused = false     -- a mission on hold: the world gets no time
local savesReturn = ""   -- where the saved games screen goes back to
local keptPoints = 0     -- the points of the fixed state, which a save holds
local succeeded = false  -- the outcome of the last mission
local savedSlot = nil    -- the slot that holds the state a save would write now (saved or
                         -- loaded since that state last changed), or nil
local frames = 0

-- A text for the screens to read.
local function Tell(key, value)
  SetGlobalSParam(world, key, tostring(value))
end

local function Show(name, file)
  screen = name
  InitInterface(file)
end

-- The screens that ask before the game is left say whether a save holds it.
local function TellSaved()
  Tell("saved_slot", savedSlot or "")
end

local function ShowBriefing()
  TellSaved()
  Show("briefing", "briefing.txt")
end

-- The mission bar; held tells it to open with the pause panel, the game on hold.
local function ShowMission(held)
  paused = held
  Tell("hud_paused", held and "1" or "0")
  TellSaved()
  Show("mission", "hud.txt")
end

local function ShowMenu()
  paused = false
  SetInterfaceMode(1)
  SetCursorType("normal")
  Show("menu", "main_menu.txt")
end

-- Loads mission n into the world (its floors, script and the player's droids from the fixed
-- state) and shows its briefing. The world stays in interface mode until Start.
local function Briefing(n)
  mission = math.max(1, math.min(n, #missions))
  SetInterfaceMode(1)
  LoadMission(missions[mission], mission)
  Tell("mission", mission)
  Tell("missions", #missions)
  ShowBriefing()
end

local function StartMission()
  keptPoints = GetPointsCount()  -- the mission script keeps this state (FixState2) once deployed
  SetInterfaceMode(0)
  ShowMission(false)
  SendCommandByName("GameWorld", "start_mission", "")
end

-- The saved games screen, to save ("save") or to load ("load"); back leads to from. A save
-- holds the fixed state: the start of the mission to play next (the last level) with the
-- points of then; its name says so, and the screen shows it before the player saves.
local function Saves(mode, from)
  savesReturn = from
  Tell("saves_mode", mode)
  Tell("save_name", "Start of mission " .. GetLastLevel() .. ", " .. keptPoints .. " points")
  Tell("save_mission", GetLastLevel())
  Tell("save_points", keptPoints)
  Tell("save_points_now", GetPointsCount())
  Show("saves", "saves.txt")
end

-- A new game's squad: two scouts (the standard droid) with names of their own, kept at once
-- as the state a save holds and a retry starts from.
local squad = { "Alpha", "Bravo" }
local function NewSquad()
  if GetUserDroidsCount() > 0 then return end
  for _, name in ipairs(squad) do BuyDroid("scout", name) end
  FixState2()
end

local function Results(success, earned, destroyed)
  succeeded = success
  if success then
    FixState()  -- the roster and points as they are now; the next mission is the last level
    keptPoints = GetPointsCount()
    savedSlot = nil
  else
    RestoreScore()  -- points earned in the failed attempt are lost
  end
  SetInterfaceMode(1)
  Tell("result", success and "complete" or "failed")
  Tell("result_points", earned or 0)
  Tell("result_enemies", destroyed or 0)
  Tell("last_mission", mission >= #missions and 1 or 0)
  Show("results", "results.txt")
end

-- Lets the world go as the program ends. The screens and the pointer draw into the world's
-- layers, so they go first.
local function LeaveWorld()
  SaveLog("Game over after " .. frames .. " frames")
  InitInterface("closing.txt")
  SetCursorType("hidden")
  if world then DeleteGameWorld(world) end
  world = nil
end

local function Quit()
  LeaveWorld()
  SetTrigger("GameOver", 1)
end

-- What each screen answers: command -> function(params).
local answers = {
  intro = {
    intro_done = ShowMenu,
  },
  menu = {
    new_game = function()
      InitialState()  -- last level 1, no points, no droids kept
      RestoreScore()  -- the points shown follow the kept ones
      keptPoints = 0
      savedSlot = nil
      Briefing(1)
      NewSquad()
    end,
    load_game = function() Saves("load", "menu") end,
    options = function() Show("options", "options.txt") end,
    quit = Quit,
  },
  options = {
    options_done = ShowMenu,
  },
  briefing = {
    start = StartMission,
    briefing_save = function() Saves("save", "briefing") end,
    briefing_back = ShowMenu,
  },
  mission = {
    pause = function() paused = true end,
    resume = function() paused = false end,
    save_game = function()
      paused = true
      Saves("save", "mission")
    end,
    quit_to_menu = ShowMenu,
    mission_complete = function(earned, destroyed) Results(true, tonumber(earned), tonumber(destroyed)) end,
    mission_failed = function(earned, destroyed) Results(false, tonumber(earned), tonumber(destroyed)) end,
  },
  saves = {
    load_slot = function(slot)
      LoadGame(tonumber(slot) or 1)  -- into the fixed state
      RestoreScore()
      keptPoints = GetPointsCount()
      savedSlot = tonumber(slot) or 1
      Briefing(GetLastLevel())
    end,
    game_saved = function(slot) savedSlot = tonumber(slot) end,
    -- A mission that ends while its game is being saved ends all the same.
    mission_complete = function(earned, destroyed)
      if savesReturn == "mission" then Results(true, tonumber(earned), tonumber(destroyed)) end
    end,
    mission_failed = function(earned, destroyed)
      if savesReturn == "mission" then Results(false, tonumber(earned), tonumber(destroyed)) end
    end,
    saves_back = function()
      if savesReturn == "briefing" then
        ShowBriefing()
      elseif savesReturn == "mission" then
        -- The game stays on hold, with the pause panel, until the player resumes it.
        ShowMission(true)
      else
        ShowMenu()
      end
    end,
  },
  results = {
    results_done = function()
      if succeeded then
        Show("shop", "shop.txt")
      else
        Briefing(mission)  -- the droids come back from the fixed state
      end
    end,
    results_menu = ShowMenu,
  },
  shop = {
    shop_done = function()
      FixState()  -- keeps what was bought; the last level is the next mission
      keptPoints = GetPointsCount()
      savedSlot = nil
      if mission < #missions then
        Briefing(mission + 1)
      else
        Tell("final_points", GetPointsCount())
        Tell("final_droids", GetUserDroidsCount())
        SetInterfaceMode(1)
        Show("victory", "victory.txt")
      end
    end,
  },
  victory = {
    victory_done = ShowMenu,
  },
}

-- The intro comes first; its script sends "intro_done".
SetCursorType("hidden")
Show("intro", "intro.txt")

while true do
  frames = frames + 1
  UpdateMusic()
  if world then
    -- On hold the world still draws, but nothing moves.
    local dt = GetDeltaTime(globalObject)
    if paused then dt = 0 end
    UpdateGameWorld(world, dt)
  end
  -- Commands sent to "MAIN", oldest first.
  while SetNextCommand(globalObject) do
    local command = GetCurrentCommand(globalObject)
    if command == "GameOver" then
      -- The window was closed: the program ends after this frame.
      LeaveWorld()
    elseif world then
      local answer = answers[screen] and answers[screen][command]
      if answer then
        SaveLog("MAIN: " .. command .. " on the " .. screen .. " screen")
        answer(GetCurrentParams(globalObject))
      end
    end
  end
  Update()
  if not musicStarted then StartMusic() end
end
