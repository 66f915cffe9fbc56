-- A droid of the player: drives and turns while the world's control flags say so (the
-- world hands them to the droid the player controls).
local me = GetCurrentComplexObject(globalObject)
while true do
  local dt = GetDeltaTime(globalObject)
  if GetObjectTrigger(me, "MoveForward") then CObjMoveForward(me, 2.5 * dt) end
  if GetObjectTrigger(me, "MoveBackward") then CObjMoveBackward(me, 1.5 * dt) end
  if GetObjectTrigger(me, "RotateLeft") then CObjRotate(me, 2.0 * dt) end
  if GetObjectTrigger(me, "RotateRight") then CObjRotate(me, -2.0 * dt) end
  Update()
end
