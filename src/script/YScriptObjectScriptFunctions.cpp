// Scripts of objects, and commands to droids.
#include "script/YScriptFunctions.h"
#include "script/YScriptPending.h"

SCRIPT_FUNCTION_NOT_BUILT(ExecuteObjectScript)
SCRIPT_FUNCTION_NOT_BUILT(UpdateObjectScript)
SCRIPT_FUNCTION_NOT_BUILT(TestComplexObject)
SCRIPT_FUNCTION_NOT_BUILT(ExecuteComplexObjectScript)
SCRIPT_FUNCTION_NOT_BUILT(SendCommandToDroids)
