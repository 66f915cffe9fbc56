-- mission.lua: the world script ("GameWorld") of both sample missions; what differs
-- between them is in their mission files (floors, enemies, pickups, an exit pad).
--
-- It answers:
--   "start_mission"   (from main.lua, after the briefing) deploys the player's droids on
--                     the spawn pads and wakes the enemies;
--   "screen_click" u,v and "KeyAction" name,state (forwarded by the HUD): selecting,
--                     moving and driving droids, firing, turning the camera;
--   "enemy_destroyed" reward,kind / "droid_lost" name / "points" n,why / "exit_reached" /
--                     "message" text (from the object scripts);
--   console words of data\scripts\commands.dat: "help", "status", "repair_all", "win", "lose";
--                     and "destroy_droid" (typed "name GameWorld destroy_droid"): the current
--                     droid is destroyed.
-- It ends the mission by sending "MAIN" "mission_complete" or "mission_failed", both with
-- the points earned and the enemies destroyed.
--
-- News for the player goes to the HUD's message line ("hud_message" to "interface") and
-- stays in the world's text parameter "message"; "enemies" holds how many are left and
-- "state" is "waiting", "running" or "over" (the enemies act only while it is "running").

local world = GetGameWorld()
SetGlobalSParam(world, "state", "waiting")
SetGlobalSParam(world, "message", "")

local enemiesLeft = 0
local enemiesDestroyed = 0
local pointsEarned = 0
local running = false
local ending = nil              -- { command, params, time left } once the mission is decided

local controls = "Click: move / select / attack. Arrows drive, Space fires, 1-9 pick, Z/X turn view"

local function Message(text)
  SetGlobalSParam(world, "message", text)
  SendCommandByName("interface", "hud_message", text)
  SaveLog("Mission: " .. text)
end

-- Every room of every floor, with its floor index: f, row, column, room.
local function Rooms()
  local list = {}
  for floor = 0, GetLevelsCount() - 1 do
    local rows, columns = GetLevelDimensions(floor)
    for row = 0, rows - 1 do
      for column = 0, columns - 1 do
        local ok, _, _, _, _, _, room = GetRoom(floor, row, column)
        if ok then table.insert(list, { floor = floor, row = row, column = column, room = room }) end
      end
    end
  end
  return list
end

-- The objects of a room that carry the flag.
local function Flagged(place, flag)
  local found = {}
  local n, objects = GetActiveObjectsInRoom(place.floor, place.row, place.column)
  for i = 1, n do
    if GetObjectTrigger(objects[i], flag) then table.insert(found, objects[i]) end
  end
  return found
end

-- The player's droids on the field (the droid slots hold them).
local function FieldDroids()
  local droids = {}
  for slot = 0, 8 do
    local ok, droid = GetDroid(slot)
    if ok and IsUserDroid(droid) then table.insert(droids, droid) end
  end
  return droids
end

-- ---- Starting -----------------------------------------------------------------------------

-- A new game brings two standard droids; every droid of the player's list then goes onto
-- a free spawn pad, the rooms taken in order.
local function Deploy()
  if GetUserDroidsCount() == 0 then
    AddDefaultUserDroid()
    AddDefaultUserDroid()
  end
  local spawnRooms = {}
  for _, place in ipairs(Rooms()) do
    if #Flagged(place, "isSpawn") > 0 then table.insert(spawnRooms, place.room) end
  end
  local first = nil
  for i = 0, GetUserDroidsCount() - 1 do
    for _, room in ipairs(spawnRooms) do
      local ok, _, _, droid = DeployDroid(i, room)
      if ok then
        first = first or droid
        break
      end
    end
  end
  FixState2()
  if first then SetCurrentDroid(first) end
  return first ~= nil
end

local function CountEnemies()
  local n = 0
  for _, place in ipairs(Rooms()) do n = n + #Flagged(place, "isEnemy") end
  return n
end

local function Start()
  running = true
  if not Deploy() then
    Message("No spawn pad is free: the droids cannot land.")
    ending = { "mission_failed", "0,0", 2 }
    return
  end
  enemiesLeft = CountEnemies()
  SetGlobalSParam(world, "enemies", tostring(enemiesLeft))
  SetGlobalSParam(world, "state", "running")
  local goal = "destroy every enemy"
  for _, place in ipairs(Rooms()) do
    if #Flagged(place, "isExit") > 0 then goal = "reach the exit or destroy every enemy" end
  end
  Message(GetMissionName() .. ": " .. goal .. ". " .. GetAction("help") .. ": controls")
end

-- ---- The end ------------------------------------------------------------------------------

local function Finish(command, params, text)
  if ending then return end
  Message(text)
  SetGlobalSParam(world, "state", "over")
  ending = { command, params, 2.5 }
end

local function Won(text)
  Finish("mission_complete", pointsEarned .. "," .. enemiesDestroyed, text)
end

local function Lost(text)
  Finish("mission_failed", pointsEarned .. "," .. enemiesDestroyed, text)
end

local function AddPoints(n)
  pointsEarned = pointsEarned + n
  SetPointsCount(GetPointsCount() + n)
end

-- ---- The player's hands -------------------------------------------------------------------

local driveFlags = { forward = "MoveForward", backward = "MoveBackward", left = "RotateLeft",
                     right = "RotateRight", fire = "Fire" }

local function KeyAction(action, pressed)
  local flag = driveFlags[action]
  if flag then
    local ok, droid = GetCurrentDroid()
    if ok then SetObjectTrigger(droid, flag, pressed) end
    return
  end
  if not pressed then return end
  local n = tonumber(string.match(action, "^droid(%d)$"))
  if n then
    ChangeDroid(n)
  elseif action == "next" then
    NextDroid()
  elseif action == "prev" then
    PrevDroid()
  elseif action == "cam_left" then
    SendCommandByName("MainCamera", "turn", "1")
  elseif action == "cam_right" then
    SendCommandByName("MainCamera", "turn", "-1")
  elseif action == "help" then
    Message(controls)
  end
end

-- How far the point (px, py, pz) lies from the ray (ox, oy, oz) + t (dx, dy, dz), and t.
local function RayDistance(ox, oy, oz, dx, dy, dz, px, py, pz)
  local t = (px - ox) * dx + (py - oy) * dy + (pz - oz) * dz
  local qx, qy, qz = ox + dx * t - px, oy + dy * t - py, oz + dz * t - pz
  return math.sqrt(qx * qx + qy * qy + qz * qz), t
end

-- A click on the screen at (u, v), both 0..1: a droid of the player under the pointer
-- becomes current; an enemy is attacked; a point of the floor is where the current droid
-- goes. The ray from the eye meets the floor the current droid stands on.
local function Click(u, v)
  local ok, current, floor = GetCurrentDroid()
  if not ok then return end
  local dx, dy, dz = TransformIntoWorld(u, v)
  local ox, oy, oz = GetCameraPos()
  if dz >= -0.01 then return end
  local floorZ = floor * 3

  -- Droids and enemies near the ray: the nearest to the eye wins.
  local best, bestT, bestEnemy = nil, 1e9, false
  for _, droid in ipairs(FieldDroids()) do
    local x, y, z = GetObjectPos(droid)
    local d, t = RayDistance(ox, oy, oz, dx, dy, dz, x, y, z + 0.6)
    if d < 0.7 and t < bestT then best, bestT, bestEnemy = droid, t, false end
  end
  local t = (floorZ - oz) / dz
  local gx, gy = ox + dx * t, oy + dy * t
  local n, near = GetActiveObjectsInRect(gx, gy, floorZ + 0.1, 2.5, 2.5)
  for i = 1, n do
    if GetObjectTrigger(near[i], "isEnemy") then
      local x, y, z = GetObjectPos(near[i])
      local d, te = RayDistance(ox, oy, oz, dx, dy, dz, x, y, z + 0.6)
      if d < 0.8 and te < bestT then best, bestT, bestEnemy = near[i], te, true end
    end
  end
  if best and not bestEnemy then
    SetCurrentDroid(best)
  elseif best then
    SendCommandByPointer(current, "attack", PointerToString(best))
  else
    -- The floor point: through the ray test when something stands in the way (a crate, a
    -- wall), else where the ray meets the floor's plane (holes included).
    -- Walls and columns the camera has cut away (the world's text "cutAway", see
    -- mainCamera.lua) are not seen, so the ray goes on through them.
    local hidden = {}
    for name in string.gmatch(GetGlobalSParam(world, "cutAway"), "[^,]+") do hidden[name] = true end
    local sx, sy, sz = ox + dx * (floorZ + 2.9 - oz) / dz, oy + dy * (floorZ + 2.9 - oz) / dz, floorZ + 2.9
    local left = 12
    for _ = 1, 4 do
      local hit, distance, part, hx, hy, hz = CrossRay(sx, sy, sz, dx, dy, dz, left)
      if not hit then break end
      local owner = GetObjectParent(part)
      if IsNull(owner) or not hidden[PointerToString(owner)] then
        if hz > floorZ + 0.05 then gx, gy = hx, hy end
        break
      end
      sx, sy, sz = hx + dx * 0.05, hy + dy * 0.05, hz + dz * 0.05
      left = left - distance - 0.05
      if left <= 0 then break end
    end
    SaveLog(string.format("Mission: %s goes to %.3f,%.3f", GetDroidName(current), gx, gy))
    SendCommandByPointer(current, "goto", string.format("%.3f,%.3f", gx, gy))
    -- A ring flashes where the droid goes (the camera draws it).
    local made, mark = CreateComplexObject("target.adf", gx, gy, floorZ)
    if made then SendCommandByName("MainCamera", "show", PointerToString(mark) .. ",0.8") end
  end
end

-- ---- Console ------------------------------------------------------------------------------

local function Console(command)
  if command == "help" then
    Message(controls)
  elseif command == "status" then
    Message(string.format("%d droids on the field, %d enemies left, %d points earned here.",
                          #FieldDroids(), enemiesLeft, pointsEarned))
  elseif command == "repair_all" then
    -- Repairs cost 20 points a droid.
    for _, droid in ipairs(FieldDroids()) do
      if GetArmorState(droid) < 1 and GetPointsCount() >= 20 then
        SetPointsCount(GetPointsCount() - 20)
        SetArmorState(droid, 1)
      end
    end
    Message("Repairs done.")
  elseif command == "win" then
    Won("Mission complete (console).")
  elseif command == "lose" then
    Lost("Mission abandoned (console).")
  elseif command == "destroy_droid" then
    -- The current droid takes a blow it cannot survive.
    local ok, droid = GetCurrentDroid()
    if ok then SendCommandByPointer(droid, "hit", "1000000,") end
  end
end

-- ---- The mission's life -------------------------------------------------------------------

local consoleWords = { help = true, status = true, repair_all = true, win = true, lose = true, destroy_droid = true }

while true do
  Update()
  local dt = GetDeltaTime(globalObject)
  while SetNextCommand(globalObject) do
    local command = GetCurrentCommand(globalObject)
    local a, b = GetCurrentParams(globalObject)
    if command == "level_inited" then
      SaveLog("Mission ready: " .. GetMissionName())
    elseif command == "start_mission" then
      if not running then Start() end
    elseif not running or ending then
      -- Nothing else counts before the start or after the end.
    elseif command == "screen_click" then
      Click(tonumber(a) or 0, tonumber(b) or 0)
    elseif command == "KeyAction" then
      KeyAction(a or "", b == "1")
    elseif command == "enemy_destroyed" then
      enemiesDestroyed = enemiesDestroyed + 1
      enemiesLeft = math.max(0, enemiesLeft - 1)
      SetGlobalSParam(world, "enemies", tostring(enemiesLeft))
      AddPoints(tonumber(a) or 0)
      Message(string.format("%s destroyed: +%d points. %d left.", b or "Enemy", tonumber(a) or 0, enemiesLeft))
      if enemiesLeft == 0 then Won("Every enemy destroyed: mission complete!") end
    elseif command == "droid_lost" then
      Message((a or "A droid") .. " was destroyed.")
    elseif command == "points" then
      AddPoints(tonumber(a) or 0)
      Message(string.format("%s: +%d points.", b or "Bonus", tonumber(a) or 0))
    elseif command == "exit_reached" then
      Won((a or "A droid") .. " reached the exit: mission complete!")
    elseif command == "message" then
      Message(a or "")
    elseif consoleWords[command] then
      Console(command)
    end
  end

  if running and not ending and dt > 0 then
    local droids = FieldDroids()
    if #droids == 0 then
      Lost("Every droid was destroyed: mission failed.")
    elseif not GetCurrentDroid() then
      -- The current droid is gone: the next one on the field takes over.
      SetCurrentDroid(droids[1])
    end
  end
  if ending then
    ending[3] = ending[3] - dt
    if ending[3] <= 0 then
      SendCommandByName("MAIN", ending[1], ending[2])
      ending[3] = math.huge
    end
  end
end
