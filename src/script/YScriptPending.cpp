#include "script/YScriptPending.h"

#include "core/YLog.h"

int ScriptFunctionNotBuilt(lua_State*, const char* name) {
    Log(3, "Script function %s is not built\n", name);
    return 0;
}
