-- mainCamera.lua: the main camera's script ("MainCamera"), stepped before every camera
-- update.
--
-- The camera orbits the point it looks at from 8 units away, 45 degrees up, looking along
-- its turn about the vertical. Left to itself it would follow the current droid from right
-- behind, with its eye outside the room and a wall in the way. Instead it follows an
-- anchor of its own (an object without parts, "anchor.adf") that this script places:
--   * in the room of the current droid, a little before its centre along the view, so
--     that the whole room lies in view, and sideways halfway toward the droid;
--   * turned to the view direction, which Z / X ("turn" 1 / -1, sent by the mission
--     script) step by a quarter turn.
-- The wall on the camera's side of that room (and its columns) is hidden while the camera
-- looks over it (it still stops droids and shots; clicks pass through it). The world takes the anchor's floor as the floor to
-- draw, so the view changes floor with the droid. In free camera mode (the camera-mode
-- key) the player turns the camera and the script only places the anchor.
--
-- When another droid becomes current (picked, or the current one destroyed) the view
-- jumps to its room ("Camera: framing room ..." in the log); a new mission starts from the
-- default view direction. The doors of the droid's room, as the view shows them, stand on
-- the mission bar ("Doors: ahead, left").
--
-- It also draws a ring under the current droid ("marker.adf") and the short-lived effects
-- that other scripts make ("show" with the effect's reference and its seconds), and removes
-- each effect when its time is up. Objects made by CreateComplexObject stand in no room, so
-- no room draws them. The camera's script runs after the objects' own update, when beams
-- have turned to the eye and particles have moved; effects of other floors than the one
-- in view are not drawn.

local anchor = nil
local yaw = 0                -- the wanted view direction (radians about z)
local lookX, lookY = nil, nil
local hidden = {}            -- the walls hidden now
local cutKey = nil           -- the room and view quarter they were hidden for
local effects = {}           -- the effects to draw while they last
local clock = 0              -- seconds since the script started
local droidSeen = -100       -- the clock when a droid was last current
local AFTERGLOW = 2.4        -- seconds effects still show once no droid is current: the last
                             -- droid's explosion plays out before the mission's report
local marker = nil           -- the ring under the current droid
local framed = nil           -- the droid the view was last framed for

local function AngleDiff(a, b)
  local d = (a - b) % (2 * math.pi)
  if d > math.pi then d = d - 2 * math.pi end
  return d
end

-- The point to look at for the droid: its room's centre moved toward the camera, so that
-- the side of the room nearest the camera and its doorways stand above the mission bar
-- (the bottom eighth of the screen), and halfway toward the droid across the view.
local function Wanted(droid, heading)
  local x, y = GetObjectPos(droid)
  local room = GetObjectRoom(droid)
  local cx, cy = x, y
  if not IsNull(room) then cx, cy = GetRoomCenter(room) end
  local fx, fy = math.cos(heading), math.sin(heading)
  local across = (x - cx) * -fy + (y - cy) * fx
  return cx - fx * 1.4 - fy * across * 0.5, cy - fy * 1.4 + fx * across * 0.5
end

-- Shows the hidden walls again and hides the wall on the camera's side of the droid's
-- room and the columns at its ends: rays from the room's centre, above anything standing
-- in the room and below a doorway's lintel, find them (a doorway by its jambs).
local function CutAway(droid, heading)
  local room = GetObjectRoom(droid)
  if IsNull(room) then return end
  local cx, cy, cz = GetRoomCenter(room)
  local dx, dy = 0, 0
  if math.abs(math.cos(heading)) >= math.abs(math.sin(heading)) then
    dx = math.cos(heading) > 0 and -1 or 1
  else
    dy = math.sin(heading) > 0 and -1 or 1
  end
  local key = string.format("%.1f,%.1f,%.1f,%d,%d", cx, cy, cz, dx, dy)
  if key == cutKey then return end
  cutKey = key
  for _, wall in ipairs(hidden) do SetCObjVisible(wall, true) end
  hidden = {}
  -- Rays toward the wall (dx, dy): two at the wall from the centre, and two along the side
  -- walls from just inside the corners, which meet the corners' columns first.
  local px, py = -dy, dx
  local rays = { { cx + px * 2.5, cy + py * 2.5, 5 }, { cx - px * 2.5, cy - py * 2.5, 5 } }
  for _, side in ipairs({ -1, 1 }) do
    table.insert(rays, { cx + dx * 3.5 + px * side * 3.9, cy + dy * 3.5 + py * side * 3.9, 1 })
  end
  for _, ray in ipairs(rays) do
    local hit, _, part = CrossRay(ray[1], ray[2], cz + 1.7, dx, dy, 0, ray[3])
    local name = hit and GetObjectName(part) or ""
    if name == "left" or name == "right" or name == "column" then
      local wall = GetObjectParent(part)
      SetCObjVisible(wall, false)
      table.insert(hidden, wall)
    end
  end
  -- Clicks go through what is hidden to the floor the player sees (mission.lua): the
  -- world's text "cutAway" lists the hidden walls and columns.
  local names = {}
  for _, wall in ipairs(hidden) do table.insert(names, PointerToString(wall)) end
  SetGlobalSParam(GetGameWorld(), "cutAway", table.concat(names, ","))
end

-- A new mission: the camera looks at every floor once. The world works out where one can
-- go on the floor in view (its passage map), which the path finder needs for ways from room
-- to room; so droids and enemies on the other floors find their ways too.
local function VisitFloors()
  for floor = 0, GetLevelsCount() - 1 do
    local rows, columns = GetLevelDimensions(floor)
    for row = 0, rows - 1 do
      for column = 0, columns - 1 do
        local ok, _, _, _, _, _, room = GetRoom(floor, row, column)
        if ok then
          local cx, cy, cz = GetRoomCenter(room)
          SetComplexObjectPosition(anchor, cx, cy, cz, 0)
          SnapCameraToObject(anchor)
          UpdateVisibleRooms()
          row, column = rows, columns
        end
      end
    end
  end
end

-- The doors of the current droid's room, as the view shows them: a line on the mission bar
-- under the armour ("Doors: ahead, left"), so that the player knows where the other rooms
-- are, the side under the cut-away wall included. A doorway or an open side toward a room
-- counts.
local doorSides = { { 0, -1 }, { 1, 0 }, { 0, 1 }, { -1, 0 } }   -- GetRoom's left, below, right, above
local doorsShown = nil
local function ShowDoors(droid, heading)
  local box = GetWindow("doors")
  if IsNull(box) then
    -- Only over the mission bar, not over the screens shown during a mission (the saves).
    if IsNull(GetWindow("hud")) then return end
    -- The mission bar is made anew with its screen, and the line with it.
    box = NewTextbox("doors", 230, 20, 0, -1, -1, 0, false, 1)
    SetWindowPosition(box, 190, 462)
    SetWindowVisible(box, true)
    doorsShown = nil
  end
  local x, y, z = GetObjectPos(droid)
  local floor, row, column = math.floor((z + 0.01) / 3), math.floor(x / 8.25), math.floor(y / 8.25)
  local walls = { select(3, GetRoom(floor, row, column)) }
  local fx, fy = math.cos(heading), math.sin(heading)
  local found = {}
  for i, side in ipairs(doorSides) do
    local open = walls[i] == "wallDoor" or (walls[i] == "" and GetRoom(floor, row + side[1], column + side[2]))
    if open then
      local ahead = side[1] * fx + side[2] * fy
      local right = side[1] * -fy + side[2] * fx
      if ahead > 0.7 then found[1] = "ahead"
      elseif ahead < -0.7 then found[4] = "behind"
      elseif right > 0 then found[3] = "right"
      else found[2] = "left" end
    end
  end
  local words = {}
  for i = 1, 4 do if found[i] then table.insert(words, found[i]) end end
  local text = #words > 0 and "Doors: " .. table.concat(words, ", ") or "No doors"
  if text ~= doorsShown then
    doorsShown = text
    SetText(box, text)
    SaveLog("Camera: " .. text)
  end
end

while true do
  Update()
  local dt = GetDeltaTime(globalObject)
  while SetNextCommand(globalObject) do
    local command = GetCurrentCommand(globalObject)
    if command == "turn" then
      local steps = tonumber((GetCurrentParams(globalObject))) or 0
      yaw = yaw + steps * math.pi / 2
    elseif command == "show" then
      local reference, seconds = GetCurrentParams(globalObject)
      local effect = StringToPointer(reference or "")
      if not IsNull(effect) then table.insert(effects, { object = effect, left = tonumber(seconds) or 1 }) end
    end
  end

  -- Only while a droid is current: in interface mode the world points the camera itself.
  local ok, droid = GetCurrentDroid()
  clock = clock + math.max(dt, 0)
  if ok then droidSeen = clock end
  if ok then
    local fresh = false
    if not anchor or IsNull(anchor) then
      local made
      made, anchor = CreateComplexObject("anchor.adf", 0, 0, 0)
      if not made then anchor = nil end
      cutKey = nil
      fresh = anchor ~= nil
    end
    if fresh then
      -- A new mission starts from the default view direction.
      VisitFloors()
      yaw = 0
      framed = nil
    end
    if anchor then
      local _, _, z = GetObjectPos(droid)
      local floorZ = math.floor((z + 0.01) / 3) * 3
      local heading = fresh and yaw or GetCameraZAngle(globalObject)
      local wx, wy = Wanted(droid, heading)
      -- Another droid became current (picked, or the current one was destroyed): the view
      -- jumps to its room.
      local switched = not framed or not ComparePointers(framed, droid)
      -- Glide toward the wanted point; jump when the droid changed floor or a frame of no
      -- time asks for the view at once (a droid switch, a new floor).
      local _, _, anchorZ = GetObjectPos(anchor)
      if not lookX or switched or dt <= 0 or math.abs(anchorZ - floorZ) > 0.5 then
        lookX, lookY = wx, wy
      else
        local k = math.min(1, dt * 4)
        lookX, lookY = lookX + (wx - lookX) * k, lookY + (wy - lookY) * k
      end
      -- The view direction turns smoothly toward the wanted one.
      local newHeading = heading
      if dt > 0 and not fresh then newHeading = heading + AngleDiff(yaw, heading) * math.min(1, dt * 5) end
      SetComplexObjectPosition(anchor, lookX, lookY, floorZ, newHeading)
      SnapCameraToObject(anchor)
      if fresh or switched then
        UpdateVisibleRooms()
        framed = droid
        local x, y = GetObjectPos(droid)
        SaveLog(string.format("Camera: framing room %d,%d of floor %d; %s stands in room %d,%d",
                              math.floor(lookX / 8.25), math.floor(lookY / 8.25), math.floor(floorZ / 3),
                              GetDroidName(droid), math.floor(x / 8.25), math.floor(y / 8.25)))
      end
      if not marker or IsNull(marker) then
        local made
        made, marker = CreateComplexObject("marker.adf", 0, 0, 0)
        if not made then marker = nil end
      end
      if marker then
        local x, y, z = GetObjectPos(droid)
        SetComplexObjectPosition(marker, x, y, z, 0)
        DrawComplexObject(marker)
      end
      CutAway(droid, newHeading)
      if math.abs(AngleDiff(yaw, newHeading)) < 0.05 then ShowDoors(droid, yaw) end
    end
  end

  -- The effects of the floor in view, while a droid is current and a moment after the last
  -- one is gone (none in interface mode); spent ones are removed.
  local showing = ok or clock - droidSeen < AFTERGLOW
  local viewZ = anchor and not IsNull(anchor) and select(3, GetObjectPos(anchor)) or 0
  for i = #effects, 1, -1 do
    local effect = effects[i]
    effect.left = effect.left - math.max(dt, 0)
    if IsNull(effect.object) or effect.left <= 0 then
      DestroyObject(effect.object)
      table.remove(effects, i)
    elseif showing and math.abs(select(3, GetObjectPos(effect.object)) - viewZ) < 2.5 then
      DrawComplexObject(effect.object)
    end
  end
end
