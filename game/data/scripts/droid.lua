-- droid.lua: a droid of the player, deployed by the mission (its handler is "droid").
--
-- What it does, each frame:
--   * drives by the control flags the mission sets on the current droid ("MoveForward",
--     "MoveBackward", "RotateLeft", "RotateRight", "Fire");
--   * follows a "goto" order (x, y) along the path finder's moves, room by room;
--   * fights: an "attack" order (a target), any enemy it sees while it stands still, and,
--     on its way, the enemy that holds it up (it goes on afterwards);
--   * takes "hit" (damage, attacker) and "repair" (amount) from others, and explodes when
--     its armour is gone;
--   * falls down a shaft it walks into, and rides a lift up (the lift sends "lift");
--   * uses its devices: a Scanner, a Repair kit, a Field shield (see "Devices" below).
-- Its figures come from the game-data tables through its droid record: the chassis gives
-- the speed and the turn rate, the armour the protection, the weapon damage, rate and range.
-- The log tells where it stops at the end of a "goto" ("Droid: Alpha stops at x,y"), where
-- a lift or a shaft puts it, and when its shield fails and its repair kit is spent.

local me = GetCurrentComplexObject(globalObject)

SetObjectTrigger(me, "isDroid", true)
SetRadius(me, 0.45)

-- ---- Figures ----------------------------------------------------------------------------

local _, chassisSpeed, chassisTurn = GetProductInfo("chassis", GetChassisType(me))
local speed = math.max(1.2, (chassisSpeed or 0) * 0.5)             -- units a second
local turnRate = math.max(3, math.rad(chassisTurn or 0) * 3)       -- radians a second
local _, protection = GetProductInfo("armor", GetArmorType(me))
local durability = 100 + (protection or 0)                         -- damage from full to none
local weapon = GetWeaphonType(me)
local _, damage, rate, range, _, _, spread = GetProductInfo("weapon", weapon)
damage = damage or 0
range = math.min(9, (range or 0) * 0.35)       -- rays end about a room away
local reload = (rate and rate > 0) and 1 / rate or 1

-- How each weapon looks and sounds: the beam's description, its sound, and how long the
-- beam stays.
local looks = {
  thunder = { beam = "beam.adf", sound = "shot.wav", life = 0.1 },
  burn = { beam = "flamejet.adf", sound = "flame.wav", life = 0.2 },
  lightning = { beam = "arc.adf", sound = "zap.wav", life = 0.25 },
}
local look = looks[weapon] or looks.thunder
local shotSound = GetSoundClone3D(look.sound)
local hitSound = GetSoundClone3D("hit.wav")
local liftSound = GetSoundClone3D("lift.wav")

-- ---- Devices ----------------------------------------------------------------------------

-- The devices it carries, with the power and duration of their table rows (device.dat):
-- the Scanner lets it see (1 + power) times as far; the Repair kit gives back power armour
-- points over its duration, once a mission, when the armour first falls to half; the Field
-- shield takes the first power points of damage of each mission.
local sightScale, kitPoints, kitSeconds, shield = 1, 0, 0, 0
do
  local n, devices = GetDroidDevices(me)
  for i = 1, n do
    local _, power, duration = GetProductInfo("device", devices[i])
    power, duration = power or 0, duration or 0
    if devices[i] == "radar" then
      sightScale = sightScale + power
    elseif devices[i] == "repair" then
      kitPoints, kitSeconds = power, math.max(duration, 0.1)
    elseif devices[i] == "shield" then
      shield = power
    end
  end
end
local kitLeft = 0            -- seconds of repair still to come, once the kit is in use
local kitRate = 0            -- armour points a second while it works

-- ---- Small helpers ----------------------------------------------------------------------

local function Floor(z) return math.floor((z + 0.01) / 3) end

-- The angle a - b brought into -pi..pi.
local function AngleDiff(a, b)
  local d = (a - b) % (2 * math.pi)
  if d > math.pi then d = d - 2 * math.pi end
  return d
end

-- Turns toward the heading at the turn rate; true once facing it.
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

-- The object a ray part belongs to (walls, crates, droids...).
local function Owner(part)
  if IsNull(part) then return nil end
  return GetObjectParent(part)
end

-- A ray at gun height from just outside the droid along (dx, dy): the distance to what
-- it hits first (or the length), and that object or nil. The droid's own parts that reach
-- beyond the ray's start (its wheels, seen sideways) are passed through.
local function Ray(dx, dy, length)
  local x, y, z = GetObjectPos(me)
  local ox, oy, oz = x + dx * 0.55, y + dy * 0.55, z + 0.62
  local skipped = 0
  for _ = 1, 3 do
    local hit, distance, part = CrossRay(ox + dx * skipped, oy + dy * skipped, oz, dx, dy, 0, length - skipped)
    if not hit then return length, nil, ox, oy, oz end
    local owner = Owner(part)
    if not owner or not ComparePointers(owner, me) then return skipped + distance, owner, ox, oy, oz end
    skipped = skipped + distance + 0.05
    if skipped >= length then break end
  end
  return length, nil, ox, oy, oz
end

-- Can the droid see the object (nothing else in the way)?
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

-- ---- Weapons ----------------------------------------------------------------------------

local cooldown = 0

-- One shot along the heading (with the weapon's spread): the beam, the sound, and the hit
-- told to whatever it struck.
local function Fire()
  if damage <= 0 or cooldown > 0 then return end
  cooldown = reload
  local heading = GetObjectAngle(me) + (math.random() * 2 - 1) * (spread or 0)
  local dx, dy = math.cos(heading), math.sin(heading)
  local distance, owner, ox, oy, oz = Ray(dx, dy, range)
  local beam = Effect(look.beam, ox, oy, oz, look.life)
  if beam then
    SetAutoSprite2Pos(GetChildObject(beam, "autosprite0"), 0, 0, 0, dx * distance, dy * distance, 0)
  end
  ResetSound(me, shotSound)
  PlaySound3D(me, shotSound)
  if owner and not IsUserDroid(owner) then
    SendCommandByPointer(owner, "hit", damage .. "," .. PointerToString(me))
    Effect("sparks.adf", ox + dx * distance, oy + dy * distance, oz - 0.3, 0.5)
  end
end

-- ---- Orders -----------------------------------------------------------------------------

local order = nil        -- { kind = "goto", x, y } or { kind = "attack", target }, with its tries
local waypoints = {}     -- the points of the path being walked, nearest first
local stuckTime = 0
local legs = 0           -- paths asked for this order (each leads at most to the room's edge)

local function Stop()
  order = nil
  waypoints = {}
end

-- No way found: another droid in a doorway can close it for a moment. The order waits
-- half a second and tries again, twenty times at most.
local function Retry()
  order.tries = (order.tries or 0) + 1
  order.wait = 0.5
  if order.tries > 20 then Stop() end
end

-- The room to go through next on the way from room (r, c) to room (tr, tc) of a floor: a
-- search over the rooms, whose sides are open where GetRoom names no solid "wall".
local sides = { { 0, -1 }, { 1, 0 }, { 0, 1 }, { -1, 0 } }   -- left, below, right, above
local function NextRoom(floor, r, c, tr, tc)
  local from = { [r * 100 + c] = false }
  local queue = { { r, c } }
  while #queue > 0 do
    local room = table.remove(queue, 1)
    if room[1] == tr and room[2] == tc then
      -- Back along the way found to the room after the first.
      local key = tr * 100 + tc
      while from[key] and from[key] ~= r * 100 + c do key = from[key] end
      return math.floor(key / 100), key % 100
    end
    local walls = { select(3, GetRoom(floor, room[1], room[2])) }
    for i, side in ipairs(sides) do
      local nr, nc = room[1] + side[1], room[2] + side[2]
      if walls[i] ~= "wall" and from[nr * 100 + nc] == nil and GetRoom(floor, nr, nc) then
        from[nr * 100 + nc] = room[1] * 100 + room[2]
        table.insert(queue, { nr, nc })
      end
    end
  end
  return nil
end

-- Where in a room the droid can stand: the room's square less, on each side where a wall
-- or a doorway stands, half the wall's thickness and the droid's radius. The path finder's
-- grid of a room holds the room's objects but not its walls, so its ways may run along a
-- wall closer than the droid can go.
local wallClearance = 0.125 + 0.45 + 0.03
local function RoomBounds(floor, r, c)
  local x0, y0 = r * 8.25, c * 8.25
  local b = { x0 = x0, x1 = x0 + 8.25, y0 = y0, y1 = y0 + 8.25 }
  local ok, _, left, below, right, above = GetRoom(floor, r, c)
  if ok then
    if above ~= "" then b.x0 = b.x0 + wallClearance end
    if below ~= "" then b.x1 = b.x1 - wallClearance end
    if left ~= "" then b.y0 = b.y0 + wallClearance end
    if right ~= "" then b.y1 = b.y1 - wallClearance end
  end
  return b
end

local function Clamp(v, low, high) return math.max(low, math.min(high, v)) end

-- A point of the floor brought into the part of its room the droid can reach.
local function Reachable(floor, x, y)
  local b = RoomBounds(floor, math.floor(x / 8.25), math.floor(y / 8.25))
  return Clamp(x, b.x0, b.x1), Clamp(y, b.y0, b.y1)
end

-- FindPath keeps a way as far from the boxes of the room's objects as the droid's radius
-- in whole grid cells of 0.275, truncated: for the droid's own radius one cell, which lets
-- ways through gaps narrower than the droid (between a barrel and a wall). Planned with a
-- radius of three cells, the ways leave room; where that finds none (the droid stands
-- close to a crate) the droid's own radius is tried.
local planRadius = 0.83
local function PathTo(nextRow, nextColumn, x, y, ignored)
  local radius = GetRadius(me)
  SetRadius(me, planRadius)
  local found, moves, n = FindPath(me, ignored, nextRow, nextColumn, x, y)
  SetRadius(me, radius)
  if not found then found, moves, n = FindPath(me, ignored, nextRow, nextColumn, x, y) end
  return found, moves, n
end

-- The path to (x, y) from here: the moves of FindPath turned into points, each kept off
-- the walls of this room. Toward another room the moves lead to the edge of this room on
-- the way there (the next room of the search above), and a last point half a unit beyond
-- the edge takes the droid across; the next leg is planned from the new room. The object
-- ignored (an enemy the droid goes for) does not bar the way.
local function Plan(x, y, ignored)
  waypoints = {}
  legs = legs + 1
  if legs > 40 then return false end
  local _, r, c, room = GetObjectInfo(me)
  if IsNull(room) then return false end
  local px, py, pz = GetObjectPos(me)
  local row, column = math.floor(x / 8.25), math.floor(y / 8.25)
  local nextRow, nextColumn = row, column
  if row ~= r or column ~= c then
    nextRow, nextColumn = NextRoom(Floor(pz), r, c, row, column)
    if not nextRow then return false end
  end
  local found, moves, n = PathTo(nextRow, nextColumn, x, y, ignored)
  if not found then return false end
  local wx, wy = px, py
  local lastX, lastY = 0, 0
  for i = 0, n - 1 do
    local length, heading = GetMove(moves, i)
    -- A move's heading: pi/2 runs along +x, pi along +y.
    local mx, my = math.sin(heading), -math.cos(heading)
    -- Moves along one line join into one point.
    if i > 0 and math.abs(mx - lastX) < 0.01 and math.abs(my - lastY) < 0.01 then
      waypoints[#waypoints].x = waypoints[#waypoints].x + mx * length
      waypoints[#waypoints].y = waypoints[#waypoints].y + my * length
    else
      table.insert(waypoints, { x = wx + mx * length, y = wy + my * length })
    end
    wx, wy = wx + mx * length, wy + my * length
    lastX, lastY = mx, my
  end
  DeleteMoves(moves)
  local bounds = RoomBounds(Floor(pz), r, c)
  for _, point in ipairs(waypoints) do
    point.x, point.y = Clamp(point.x, bounds.x0, bounds.x1), Clamp(point.y, bounds.y0, bounds.y1)
  end
  wx, wy = Clamp(wx, bounds.x0, bounds.x1), Clamp(wy, bounds.y0, bounds.y1)
  if nextRow ~= r then
    table.insert(waypoints, { x = (nextRow > r and nextRow or r) * 8.25 + (nextRow > r and 0.5 or -0.5), y = wy })
  elseif nextColumn ~= c then
    table.insert(waypoints, { x = wx, y = (nextColumn > c and nextColumn or c) * 8.25 + (nextColumn > c and 0.5 or -0.5) })
  else
    table.insert(waypoints, { x = x, y = y })
  end
  return true
end

-- Walks toward the first waypoint; true while there is a way to go.
local function Walk(dt)
  local wp = waypoints[1]
  if not wp then return false end
  local x, y = GetObjectPos(me)
  local dx, dy = wp.x - x, wp.y - y
  local d = math.sqrt(dx * dx + dy * dy)
  if d < 0.08 then
    table.remove(waypoints, 1)
    return #waypoints > 0
  end
  local heading = math.atan2(dy, dx)
  TurnTo(heading, dt)
  if math.abs(AngleDiff(heading, GetObjectAngle(me))) < 0.7 then
    local before = { x, y }
    CObjMoveForward(me, math.min(d, speed * dt))
    local nx, ny = GetObjectPos(me)
    local moved = math.abs(nx - before[1]) + math.abs(ny - before[2])
    if moved < speed * dt * 0.2 then stuckTime = stuckTime + dt else stuckTime = 0 end
  end
  return true
end

-- ---- Targets ----------------------------------------------------------------------------

local target = nil
local scanTime = 0

-- The nearest enemy within the reach (the weapon's range unless told) that the droid can
-- see, or nil.
local sight = 9 * sightScale     -- rays end about a room away (farther with a Scanner)
local function FindTarget(reach)
  reach = reach or range
  local x, y, z = GetObjectPos(me)
  local n, objects = GetActiveObjectsInRect(x, y, z + 0.1, reach, reach)
  local best, bestDistance = nil, reach
  for i = 1, n do
    local o = objects[i]
    if GetObjectTrigger(o, "isEnemy") then
      local d = GetCObjsDistance(me, o)
      if d < bestDistance and CanSee(o) then best, bestDistance = o, d end
    end
  end
  return best
end

-- Faces the target and fires when it can; false once the target is gone.
local function Engage(dt)
  if not target or IsNull(target) or not IsValidObject(target) then
    target = nil
    return false
  end
  local x, y = GetObjectPos(me)
  local tx, ty = GetObjectPos(target)
  if TurnTo(math.atan2(ty - y, tx - x), dt) and GetCObjsDistance(me, target) <= range then Fire() end
  return true
end

-- A droid on its way that has made no headway for a moment (an enemy nose to nose with it,
-- an enemy that bars a doorway or stands where it was sent) fights the nearest enemy it
-- sees at once, closing in when that one is out of the weapon's range, rather than standing
-- under fire until its order gives up. The order goes on once the fight is over. True while
-- it fights.
-- Held up: its last step forward was stopped, or no way was found and it waits to try
-- again (turning on the spot is not being held up).
local heldTime = 0
local closeIn = 0                -- seconds to the next path toward the enemy
local function HeldUp(dt)
  if dt > 0 and not target then
    local held = stuckTime > 0 or (#waypoints == 0 and order.wait > 0)
    if held then heldTime = heldTime + dt else heldTime = 0 end
  end
  if target and (IsNull(target) or not IsValidObject(target) or not CanSee(target)
                 or GetCObjsDistance(me, target) > sight) then
    -- The fight is over: the way is tried again before another fight.
    target = nil
    heldTime = 0
    waypoints = {}
    legs = 0
  end
  if not target and heldTime > 0.4 then
    scanTime = scanTime - dt
    if scanTime <= 0 then
      scanTime = 0.2
      target = FindTarget(sight)
      closeIn = 0
      waypoints = {}
    end
  end
  if not target then return false end
  -- Fighting is headway: the order's own stuck count starts again after the fight.
  stuckTime = 0
  if GetCObjsDistance(me, target) > range * 0.9 then
    closeIn = closeIn - dt
    if not Walk(dt) and closeIn <= 0 then
      closeIn = 0.5
      local tx, ty = GetObjectPos(target)
      Plan(tx, ty, target)
    end
  else
    waypoints = {}
    Engage(dt)
  end
  return true
end

-- ---- Floors: shafts and lifts -----------------------------------------------------------

local holeSides = { [2] = { 0, 1 }, [3] = { -1, 0 }, [4] = { 0, -1 } }
local landing = nil      -- where the droid arrived on a floor; lifts wait until it has left it
local liftArmed = true

-- Is the droid over the hole of its room's floor? Rooms of type 2 and above have a hole,
-- 2 units square, toward +x (type 2 turns it to +y, 3 to -x, 4 to -y).
local function OverHole()
  local x, y, z = GetObjectPos(me)
  local floor, row, column = Floor(z), math.floor(x / 8.25), math.floor(y / 8.25)
  local ok, type, _, _, _, _, room = GetRoom(floor, row, column)
  -- A hole over nothing (no room below) holds.
  if not ok or type < 2 or not GetRoom(floor - 1, row, column) then return false end
  local side = holeSides[type] or { 1, 0 }
  local cx, cy = GetRoomCenter(room)
  local lx, ly = x - cx, y - cy
  local along = lx * side[1] + ly * side[2]
  local across = -lx * side[2] + ly * side[1]
  return along > 1.3 and along < 2.8 and math.abs(across) < 0.75
end

-- Moves the droid straight up or down to the height z, then places it at (x, y, z): the
-- world then finds its new room and, for the droid the camera follows, the new floor.
local function Climb(x, y, z, upward)
  local velocity = 0
  local _, _, pz = GetObjectPos(me)
  while (upward and pz < z) or (not upward and pz > z) do
    Update()
    local dt = GetDeltaTime(globalObject)
    velocity = upward and 2.2 or velocity + 9.8 * dt
    local step = velocity * dt
    if upward then step = math.min(step, z - pz) else step = -math.min(step, pz - z) end
    MoveComplexObject(me, 0, 0, step)
    pz = pz + step
  end
  SetCObjPosition(me, x, y, z)
  landing = { x = x, y = y }
  liftArmed = false
end

local function Fall()
  local x, y, z = GetObjectPos(me)
  Stop()
  target = nil
  Climb(x, y, (Floor(z) - 1) * 3, false)
  SaveLog(string.format("Droid: %s falls to floor %d at %.3f,%.3f", GetDroidName(me), Floor(z) - 1, x, y))
  ResetSound(me, hitSound)
  PlaySound3D(me, hitSound)
end

-- Where to step off a lift that rose from (px, py) to the point (x, y, z): that point, or,
-- where a droid that came up before still stands there, a point beyond it (away from the
-- shaft) or beside it, so that the two do not stand in one another and can both go on.
local function FreeLanding(px, py, x, y, z)
  local fx, fy = x - px, y - py
  local length = math.sqrt(fx * fx + fy * fy)
  if length < 0.01 then fx, fy, length = 1, 0, 1 end
  fx, fy = fx / length, fy / length
  local places = { { 0, 0 }, { 1, 0 }, { 1, 1 }, { 1, -1 }, { 0, 1 }, { 0, -1 } }
  for _, place in ipairs(places) do
    local lx = x + (fx * place[1] - fy * place[2]) * 1.2
    local ly = y + (fy * place[1] + fx * place[2]) * 1.2
    local n, near = GetActiveObjectsInRect(lx, ly, z + 0.1, 1, 1)
    local free = true
    for i = 1, n do
      local o = near[i]
      if not ComparePointers(o, me) and (GetObjectTrigger(o, "isDroid") or GetObjectTrigger(o, "isEnemy")) then
        local ox, oy = GetObjectPos(o)
        if math.abs(ox - lx) < 1 and math.abs(oy - ly) < 1 then free = false end
      end
    end
    if free then return lx, ly end
  end
  return x, y
end

local function Lift(x, y, z)
  Stop()
  target = nil
  local px, py = GetObjectPos(me)
  PlaySound3D(me, liftSound)
  Climb(px, py, z, true)
  x, y = FreeLanding(px, py, x, y, z)
  SetCObjPosition(me, x, y, z)
  landing = { x = x, y = y }
  SaveLog(string.format("Droid: %s rides up to floor %d at %.3f,%.3f", GetDroidName(me), Floor(z), x, y))
end

-- ---- Damage -----------------------------------------------------------------------------

-- The droid is destroyed: the explosion, the mission told, the object gone. The current
-- droid hands control to another droid of the player.
local function Explode()
  local x, y, z = GetObjectPos(me)
  local replacement = nil
  local _, current = GetCurrentDroid()
  if current and ComparePointers(current, me) then
    for slot = 0, 8 do
      local ok, droid = GetDroid(slot)
      if ok and not ComparePointers(droid, me) and IsUserDroid(droid) then
        replacement = droid
        break
      end
    end
  end
  SendCommandByName("GameWorld", "droid_lost", GetDroidName(me))
  Effect("explosion.adf", x, y, z, 2)
  KillObject(me, replacement)
  -- The replacement is the droid the player controls from now on, and the one the world
  -- goes back to after a screen.
  if replacement then SetCurrentDroid(replacement) end
  DestroyObject(me)
  while true do Update() end
end

local function TakeHit(amount, attacker)
  local absorbed = math.min(shield, math.max(amount, 0))
  shield = shield - absorbed
  if absorbed > 0 and shield <= 0 then SaveLog("Droid: " .. GetDroidName(me) .. "'s field shield fails") end
  local armour = GetArmorState(me) - (amount - absorbed) / durability
  SetArmorState(me, math.max(0, armour))
  if kitPoints > 0 and armour > 0 and armour <= 0.5 then
    -- The repair kit sets to work once, the first time the armour falls to half.
    kitLeft, kitRate, kitPoints = kitSeconds, kitPoints / kitSeconds, 0
    SendCommandByName("GameWorld", "message", GetDroidName(me) .. "'s repair kit sets to work")
  end
  ResetSound(me, hitSound)
  PlaySound3D(me, hitSound)
  if armour <= 0 then Explode() end
  -- A droid under fire that stands idle, or that is held up on its way, answers it.
  if not target and attacker and not IsNull(attacker) and IsValidObject(attacker)
     and GetObjectTrigger(attacker, "isEnemy") and (not order or heldTime > 0.2) then
    target = attacker
  end
end

-- ---- Commands ---------------------------------------------------------------------------

local function ReadCommands()
  while SetNextCommand(globalObject) do
    local command = GetCurrentCommand(globalObject)
    local a, b, c = GetCurrentParams(globalObject)
    if command == "goto" then
      local x, y = tonumber(a), tonumber(b)
      if x and y then
        local _, _, z = GetObjectPos(me)
        x, y = Reachable(Floor(z), x, y)
        order = { kind = "goto", x = x, y = y }
        target = nil
        legs = 0
        Plan(x, y)
      end
    elseif command == "attack" then
      local t = StringToPointer(a or "")
      if not IsNull(t) then
        Stop()
        order = { kind = "attack", target = t }
        target = t
        legs = 0
      end
    elseif command == "stop" then
      Stop()
      target = nil
    elseif command == "hit" then
      TakeHit(tonumber(a) or 0, StringToPointer(b or ""))
    elseif command == "repair" then
      SetArmorState(me, math.min(1, GetArmorState(me) + (tonumber(a) or 0)))
    elseif command == "lift" then
      local x, y, z = tonumber(a), tonumber(b), tonumber(c)
      if x and y and z and liftArmed and not order then Lift(x, y, z) end
    end
  end
end

-- ---- The droid's life -------------------------------------------------------------------

while true do
  Update()
  local dt = GetDeltaTime(globalObject)
  cooldown = math.max(0, cooldown - dt)
  ReadCommands()
  if kitLeft > 0 then
    local step = math.min(math.max(dt, 0), kitLeft)
    kitLeft = kitLeft - step
    SetArmorState(me, math.min(1, GetArmorState(me) + kitRate * step / durability))
    if kitLeft <= 0 then
      SaveLog(string.format("Droid: %s's repair kit is spent, armour %d%%", GetDroidName(me),
                            math.floor(GetArmorState(me) * 100 + 0.5)))
    end
  end

  -- Driven by the player's keys: the keys win over any order.
  local forward = GetObjectTrigger(me, "MoveForward")
  local backward = GetObjectTrigger(me, "MoveBackward")
  local left = GetObjectTrigger(me, "RotateLeft")
  local right = GetObjectTrigger(me, "RotateRight")
  local driving = forward or backward or left or right
  if driving then
    Stop()
    target = nil
    if forward then CObjMoveForward(me, speed * dt) end
    if backward then CObjMoveBackward(me, speed * 0.6 * dt) end
    if left then RotateComplexObject(me, turnRate * 0.6 * dt) end
    if right then RotateComplexObject(me, -turnRate * 0.6 * dt) end
  end
  if GetObjectTrigger(me, "Fire") then Fire() end

  if order then order.wait = math.max(0, (order.wait or 0) - dt) end
  if not order or order.kind ~= "goto" or driving then heldTime = 0 end
  if order and order.kind == "goto" and not driving and HeldUp(dt) then
    -- Held up on the way by an enemy (nose to nose in a doorway, say): fight it, and go on
    -- with the order once it is gone or out of reach.
  elseif order and order.kind == "goto" and not driving then
    if (not Walk(dt) or stuckTime > 0.6) and order.wait <= 0 then
      -- At the end of a leg (or stuck): at the target the order is done, else plan the
      -- next leg.
      stuckTime = 0
      local x, y = GetObjectPos(me)
      local arrived = math.abs(x - order.x) < 0.3 and math.abs(y - order.y) < 0.3
      if arrived then
        Stop()
        SaveLog(string.format("Droid: %s stops at %.3f,%.3f", GetDroidName(me), x, y))
      elseif not Plan(order.x, order.y) then
        Retry()
      end
    end
  elseif order and order.kind == "attack" and not driving then
    -- Close in until the target is in range and in sight, then fight.
    if not target or IsNull(target) or not IsValidObject(target) then
      Stop()
    elseif GetCObjsDistance(me, target) > range * 0.9 or not CanSee(target) then
      if (not Walk(dt) or stuckTime > 0.6) and order.wait <= 0 then
        stuckTime = 0
        local tx, ty = GetObjectPos(target)
        if not Plan(tx, ty, target) then Retry() end
      end
    else
      waypoints = {}
      Engage(dt)
    end
  elseif not driving then
    -- Standing: fight whatever comes in sight.
    scanTime = scanTime - dt
    if scanTime <= 0 then
      scanTime = 0.3
      if not target or IsNull(target) or not CanSee(target) or GetCObjsDistance(me, target) > range then
        target = FindTarget()
      end
    end
    if target then Engage(dt) end
  end

  -- Shafts and lifts: a droid that walks over a hole falls to the floor below; one that
  -- has left the place it arrived at may ride a lift again.
  if OverHole() then Fall() end
  if landing then
    local x, y = GetObjectPos(me)
    if math.abs(x - landing.x) + math.abs(y - landing.y) > 1.5 then
      landing = nil
      liftArmed = true
    end
  end
end
