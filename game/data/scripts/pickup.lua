-- pickup.lua: a pickup placed by the level, its kind the word its name begins with:
-- "repair" gives the droid that touches it half its armour back, "chip" is worth 50 points.
-- It turns slowly so that it catches the eye.
local me = GetCurrentComplexObject(globalObject)
local kind = string.match(GetCObjName(me), "^%a+")
local sound = GetSoundClone3D("pickup.wav")

while true do
  Update()
  local dt = GetDeltaTime(globalObject)
  CObjRotate(me, dt * 1.5)
  local x, y, z = GetObjectPos(me)
  local n, near = GetActiveObjectsInRect(x, y, z + 0.1, 0.5, 0.5)
  for i = 1, n do
    local droid = near[i]
    -- A damaged droid takes a repair kit; any droid takes a chip.
    if GetObjectTrigger(droid, "isDroid") and (kind ~= "repair" or GetArmorState(droid) < 1) then
      if kind == "repair" then
        SendCommandByPointer(droid, "repair", "0.5")
        SendCommandByName("GameWorld", "message", "Armour repaired")
      else
        SendCommandByName("GameWorld", "points", "50,Data chip")
      end
      PlaySound3D(droid, sound)
      DestroyObject(me)
      while true do Update() end
    end
  end
end
