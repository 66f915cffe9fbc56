-- pickup.lua: a pickup placed by the level, its kind the word its name begins with:
-- "repair" gives the droid that touches it half its armour back, "chip" is worth 50 points.
-- It turns slowly so that it catches the eye.
--
-- A repair kit waits for a droid that needs it: one whose armour the mission bar shows
-- below 100%. A droid at full armour (or within half a percent of it, which the bar shows
-- as 100%) drives over it and leaves it lying. The message names the droid repaired and
-- its armour after, so the player sees which droid took the kit.
local me = GetCurrentComplexObject(globalObject)
local kind = string.match(GetCObjName(me), "^%a+")
local sound = GetSoundClone3D("pickup.wav")

local REPAIR = 0.5        -- the share of full armour a kit gives back
local FULL = 0.995        -- armour from here on shows as 100%

-- The armour as the mission bar shows it, in whole percent.
local function Percent(armour)
  return math.floor(armour * 100 + 0.5)
end

-- Is the object a droid that this pickup is for?
local function Takes(object)
  if not GetObjectTrigger(object, "isDroid") then return false end
  return kind ~= "repair" or GetArmorState(object) < FULL
end

local function Use(droid)
  if kind == "repair" then
    local before = GetArmorState(droid)
    SendCommandByPointer(droid, "repair", tostring(REPAIR))
    -- The mission's "message" keeps only the text before a comma.
    SendCommandByName("GameWorld", "message", "Repair kit: " .. GetDroidName(droid) .. "'s armour up from " ..
                      Percent(before) .. "% to " .. Percent(math.min(1, before + REPAIR)) .. "%.")
  else
    SendCommandByName("GameWorld", "points", "50,Data chip")
  end
  PlaySound3D(droid, sound)
  DestroyObject(me)
end

while true do
  Update()
  local dt = GetDeltaTime(globalObject)
  CObjRotate(me, dt * 1.5)
  local x, y, z = GetObjectPos(me)
  local n, near = GetActiveObjectsInRect(x, y, z + 0.1, 0.5, 0.5)
  for i = 1, n do
    if Takes(near[i]) then
      Use(near[i])
      while true do Update() end
    end
  end
end
