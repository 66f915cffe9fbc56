-- enemy.lua: an enemy droid placed by the level (crawler, turret or sentinel).
--
-- Its figures come from the enemy table (data\GameData\enemy.dat) under the word its name
-- begins with ("crawler2" is a crawler): health, armour, damage, speed, sight and the
-- reward in points. It waits until the mission runs (the world's text parameter "state"
-- is "running"), then patrols its room, chases and shoots the droids of the player it
-- sees, answers "hit" (damage, attacker) and explodes when its health is gone, telling
-- the mission ("enemy_destroyed" with the reward and its kind).

local me = GetCurrentComplexObject(globalObject)
local world = GetGameWorld()
local kind = string.match(GetCObjName(me), "^%a+") or "crawler"

local health, armour, damage, speed, sight, reward = GetEnemyInfo(kind)
if health <= 0 then health, armour, damage, speed, sight, reward = 30, 0, 5, 3, 12, 10 end
local walkSpeed = speed * 0.45                      -- units a second; 0 for a turret
local seeRange = math.min(9, sight * 0.6)           -- rays end about a room away
local shootRange = math.min(8, sight * 0.5)
local reload = 0.9 + damage / 20                    -- heavier guns fire slower
local turnRate = 2.5

SetObjectTrigger(me, "isEnemy", true)
SetRadius(me, 0.45)

local shotSound = GetSoundClone3D("laser.wav")
local hitSound = GetSoundClone3D("hit.wav")
local alertSound = GetSoundClone3D("alert.wav")

local homeX, homeY, homeZ = GetObjectPos(me)

-- ---- Helpers (as in droid.lua) ----------------------------------------------------------

local function AngleDiff(a, b)
  local d = (a - b) % (2 * math.pi)
  if d > math.pi then d = d - 2 * math.pi end
  return d
end

local function TurnTo(heading, dt)
  local d = AngleDiff(heading, GetObjectAngle(me))
  local step = turnRate * dt
  if math.abs(d) <= step then
    RotateComplexObject(me, d)
    return true
  end
  RotateComplexObject(me, d > 0 and step or -step)
  return false
end

-- Its own parts that reach beyond the ray's start are passed through.
local function Ray(dx, dy, length)
  local x, y, z = GetObjectPos(me)
  local ox, oy, oz = x + dx * 0.55, y + dy * 0.55, z + 0.62
  local skipped = 0
  for _ = 1, 3 do
    local hit, distance, part = CrossRay(ox + dx * skipped, oy + dy * skipped, oz, dx, dy, 0, length - skipped)
    if not hit then return length, nil, ox, oy, oz end
    local owner = GetObjectParent(part)
    if IsNull(owner) or not ComparePointers(owner, me) then return skipped + distance, owner, ox, oy, oz end
    skipped = skipped + distance + 0.05
    if skipped >= length then break end
  end
  return length, nil, ox, oy, oz
end

local function CanSee(target)
  local x, y = GetObjectPos(me)
  local tx, ty = GetObjectPos(target)
  local dx, dy = tx - x, ty - y
  local d = math.sqrt(dx * dx + dy * dy)
  if d < 0.01 then return true end
  local _, owner = Ray(dx / d, dy / d, d)
  return owner == nil or ComparePointers(owner, target)
end

-- A beam, sparks or an explosion for the given seconds: the camera script draws it and
-- removes it (see mainCamera.lua).
local function Effect(file, x, y, z, life)
  local ok, fx = CreateComplexObject(file, x, y, z)
  if not ok then return nil end
  SendCommandByName("MainCamera", "show", PointerToString(fx) .. "," .. life)
  return fx
end

local function Alive(o) return o and not IsNull(o) and IsValidObject(o) end

-- ---- Moving -----------------------------------------------------------------------------

local waypoints = {}
local stuckTime = 0

-- The part of room (r, c) where the enemy can stand: less, on each side where a wall or a
-- doorway stands, half the wall and its radius (the path finder's grid holds no walls).
local function RoomBounds(floor, r, c)
  local x0, y0, keep = r * 8.25, c * 8.25, 0.125 + 0.45 + 0.03
  local b = { x0 = x0, x1 = x0 + 8.25, y0 = y0, y1 = y0 + 8.25 }
  local ok, _, left, below, right, above = GetRoom(floor, r, c)
  if ok then
    if above ~= "" then b.x0 = b.x0 + keep end
    if below ~= "" then b.x1 = b.x1 - keep end
    if left ~= "" then b.y0 = b.y0 + keep end
    if right ~= "" then b.y1 = b.y1 - keep end
  end
  return b
end

-- A path to (x, y) in this room, or to the edge of this room on the way there and half a
-- unit beyond it, kept off the walls and planned wide of the room's objects (as in
-- droid.lua).
local function Plan(x, y)
  waypoints = {}
  if walkSpeed <= 0 then return false end
  local px, py, pz = GetObjectPos(me)
  local row, column = math.floor(x / 8.25), math.floor(y / 8.25)
  local radius = GetRadius(me)
  SetRadius(me, 0.83)
  local found, moves, n = FindPath(me, nil, row, column, x, y)
  SetRadius(me, radius)
  if not found then found, moves, n = FindPath(me, nil, row, column, x, y) end
  if not found then return false end
  local _, r, c = GetObjectInfo(me)
  local bounds = RoomBounds(math.floor((pz + 0.01) / 3), r, c)
  for i = 0, n - 1 do
    local length, heading = GetMove(moves, i)
    px, py = px + math.sin(heading) * length, py - math.cos(heading) * length
    table.insert(waypoints, { x = math.max(bounds.x0, math.min(bounds.x1, px)),
                              y = math.max(bounds.y0, math.min(bounds.y1, py)) })
  end
  DeleteMoves(moves)
  local last = waypoints[#waypoints]
  if last then px, py = last.x, last.y end
  if row ~= r or column ~= c then
    local x0, y0 = r * 8.25, c * 8.25
    local edges = { { px - x0, x0 - 0.5, py }, { x0 + 8.25 - px, x0 + 8.75, py },
                    { py - y0, px, y0 - 0.5 }, { y0 + 8.25 - py, px, y0 + 8.75 } }
    local nearest = 1
    for i = 2, 4 do
      if edges[i][1] < edges[nearest][1] then nearest = i end
    end
    table.insert(waypoints, { x = edges[nearest][2], y = edges[nearest][3] })
  end
  return true
end

local function Walk(dt, pace)
  local wp = waypoints[1]
  if not wp then return false end
  local x, y = GetObjectPos(me)
  local dx, dy = wp.x - x, wp.y - y
  local d = math.sqrt(dx * dx + dy * dy)
  if d < 0.1 then
    table.remove(waypoints, 1)
    return #waypoints > 0
  end
  local heading = math.atan2(dy, dx)
  TurnTo(heading, dt)
  if math.abs(AngleDiff(heading, GetObjectAngle(me))) < 0.8 then
    local moved = CObjMoveForward(me, math.min(d, pace * dt))
    if moved == 0 then stuckTime = stuckTime + dt else stuckTime = 0 end
  end
  return true
end

-- ---- Fighting ---------------------------------------------------------------------------

local cooldown = 1 + math.random()
local target = nil
local lastSeen = 0

-- The nearest droid of the player in sight, or nil.
local function Look()
  local x, y, z = GetObjectPos(me)
  local n, objects = GetActiveObjectsInRect(x, y, z + 0.1, seeRange, seeRange)
  local best, bestDistance = nil, seeRange
  for i = 1, n do
    local o = objects[i]
    if GetObjectTrigger(o, "isDroid") then
      local d = GetCObjsDistance(me, o)
      if d < bestDistance and CanSee(o) then best, bestDistance = o, d end
    end
  end
  return best
end

local function Shoot()
  cooldown = reload
  local heading = GetObjectAngle(me) + (math.random() * 2 - 1) * 0.06
  local dx, dy = math.cos(heading), math.sin(heading)
  local distance, owner, ox, oy, oz = Ray(dx, dy, shootRange + 1)
  local beam = Effect("beam.adf", ox, oy, oz, 0.12)
  if beam then
    local sprite = GetChildObject(beam, "autosprite0")
    SetTexture(sprite, "beam_red.tga")
    SetAutoSprite2Pos(sprite, 0, 0, 0, dx * distance, dy * distance, 0)
  end
  ResetSound(me, shotSound)
  PlaySound3D(me, shotSound)
  if owner and not GetObjectTrigger(owner, "isEnemy") then
    SendCommandByPointer(owner, "hit", damage .. "," .. PointerToString(me))
    Effect("sparks.adf", ox + dx * distance, oy + dy * distance, oz - 0.3, 0.5)
  end
end

local function Explode()
  local x, y, z = GetObjectPos(me)
  SendCommandByName("GameWorld", "enemy_destroyed", reward .. "," .. kind)
  Effect("explosion.adf", x, y, z, 2)
  KillObject(me, nil)
  DestroyObject(me)
  while true do Update() end
end

local function ReadCommands()
  while SetNextCommand(globalObject) do
    local command = GetCurrentCommand(globalObject)
    local a, b = GetCurrentParams(globalObject)
    if command == "hit" then
      -- Armour takes a fifth of itself off every hit; a hit always does some harm.
      health = health - math.max(1, (tonumber(a) or 0) - armour / 5)
      ResetSound(me, hitSound)
      PlaySound3D(me, hitSound)
      if health <= 0 then Explode() end
      local attacker = StringToPointer(b or "")
      if not target and Alive(attacker) then target, lastSeen = attacker, 0 end
    end
  end
end

-- ---- Shafts ------------------------------------------------------------------------------

-- An enemy that walks over the hole of a room's floor falls to the floor below and makes
-- its home there (the holes as in droid.lua: rooms of type 2 and above).
local holeSides = { [2] = { 0, 1 }, [3] = { -1, 0 }, [4] = { 0, -1 } }

local function OverHole()
  local x, y, z = GetObjectPos(me)
  local floor, row, column = math.floor((z + 0.01) / 3), math.floor(x / 8.25), math.floor(y / 8.25)
  local ok, type, _, _, _, _, room = GetRoom(floor, row, column)
  -- A hole over nothing (no room below) holds.
  if not ok or type < 2 or not GetRoom(floor - 1, row, column) then return false end
  local side = holeSides[type] or { 1, 0 }
  local cx, cy = GetRoomCenter(room)
  local along = (x - cx) * side[1] + (y - cy) * side[2]
  local across = -(x - cx) * side[2] + (y - cy) * side[1]
  return along > 1.3 and along < 2.8 and math.abs(across) < 0.75
end

local function Fall()
  local x, y, z = GetObjectPos(me)
  local bottom = (math.floor((z + 0.01) / 3) - 1) * 3
  local velocity = 0
  while z > bottom do
    Update()
    local dt = GetDeltaTime(globalObject)
    velocity = velocity + 9.8 * dt
    local step = math.min(velocity * dt, z - bottom)
    MoveComplexObject(me, 0, 0, -step)
    z = z - step
  end
  SetComplexObjectPosition(me, x, y, bottom, GetObjectAngle(me))
  homeX, homeY, homeZ = x, y, bottom
  waypoints = {}
end

-- ---- The enemy's life -------------------------------------------------------------------

local scanTime = 0
local restTime = math.random() * 2
local planWait = 0

while true do
  Update()
  local dt = GetDeltaTime(globalObject)
  ReadCommands()
  if GetGlobalSParam(world, "state") == "running" and dt > 0 then
    if OverHole() then Fall() end
    cooldown = math.max(0, cooldown - dt)
    scanTime = scanTime - dt
    if scanTime <= 0 then
      scanTime = 0.4
      local seen = Look()
      if seen then
        if not target then PlaySound3D(me, alertSound) end
        target, lastSeen = seen, 0
      end
    end

    if target and not Alive(target) then target = nil end
    if target then
      lastSeen = lastSeen + dt
      local d = GetCObjsDistance(me, target)
      local x, y = GetObjectPos(me)
      local tx, ty = GetObjectPos(target)
      if d <= shootRange and lastSeen < 0.5 then
        -- In range and in sight: stand and shoot.
        waypoints = {}
        if TurnTo(math.atan2(ty - y, tx - x), dt) and cooldown <= 0 then Shoot() end
      elseif lastSeen < 5 then
        -- Out of range or out of sight: go where it was seen (a new way twice a second
        -- at most).
        planWait = planWait - dt
        if (not Walk(dt, walkSpeed) or stuckTime > 0.8) and planWait <= 0 then
          stuckTime = 0
          planWait = 0.5
          Plan(tx, ty)
        end
      else
        target = nil
        Plan(homeX, homeY)
      end
    else
      -- Patrol: a walk to a point of the home room, a rest, another walk.
      if not Walk(dt, walkSpeed * 0.6) or stuckTime > 0.8 then
        stuckTime = 0
        restTime = restTime - dt
        if restTime <= 0 then
          restTime = 1.5 + math.random() * 2
          local rx = math.floor(homeX / 8.25) * 8.25 + 4.125 + (math.random() * 2 - 1) * 2.5
          local ry = math.floor(homeY / 8.25) * 8.25 + 4.125 + (math.random() * 2 - 1) * 2.5
          Plan(rx, ry)
        end
      end
    end
  end
end
