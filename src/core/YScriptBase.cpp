#include "core/YScriptBase.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <lua.hpp>

#include "core/YLog.h"
#include "platform/files/Files.h"

const char* const kRequireDefaultPath = "?;?.lua";

namespace {

const char* const kLoadedName = "_LOADED";
const char* const kPathName = "LUA_PATH";
const char* const kRequiredName = "_REQUIREDNAME";
// Largest file that require reads; a larger one counts as unreadable.
constexpr size_t kMaxRequiredFile = size_t{64} << 20;

// ---- require ----

// The search path: the global LUA_PATH, else the environment variable, else the default.
std::string RequirePath(lua_State* L) {
    lua_getglobal(L, kPathName);
    const char* global = lua_tostring(L, -1);
    std::string path = global ? global : "";
    lua_pop(L, 1);
    if (global) return path;
    if (const char* env = std::getenv(kPathName)) return env;
    return kRequireDefaultPath;
}

// The next template of a path whose templates are separated by ";" (one separator is
// skipped before each); false at the end.
bool NextTemplate(const std::string& path, size_t& pos, std::string& out) {
    if (pos >= path.size()) return false;
    if (path[pos] == ';') ++pos;
    size_t end = path.find(';', pos);
    if (end == std::string::npos) end = path.size();
    out = path.substr(pos, end - pos);
    pos = end;
    return true;
}

// The template with every "?" replaced by the package name.
std::string ComposeName(const std::string& pattern, const char* package) {
    std::string name;
    for (char c : pattern) {
        if (c == '?') name += package;
        else name += c;
    }
    return name;
}

// Reads a whole file named relative to the working directory; false when it cannot be
// opened or read.
bool ReadRequiredFile(const std::string& name, std::string& bytes) {
    std::FILE* f = fs::Open(name, "rb");
    if (!f) return false;
    bytes.clear();
    char buffer[8192];
    bool ok = true;
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        if (bytes.size() + n > kMaxRequiredFile) {
            ok = false;
            break;
        }
        bytes.append(buffer, n);
    }
    if (std::ferror(f)) ok = false;
    std::fclose(f);
    return ok;
}

enum class FileLoad { Loaded, NotFound, Failed };

// Loads a file as the chunk "@name": pushes the chunk (Loaded) or an error message, for
// a file that cannot be read (NotFound: require goes on searching) or does not compile.
FileLoad LoadChunkFile(lua_State* L, const std::string& name) {
    std::string bytes;
    if (!ReadRequiredFile(name, bytes)) {
        lua_pushfstring(L, "cannot read %s", name.c_str());
        return FileLoad::NotFound;
    }
    // A first line beginning with "#" is skipped; its line feed stays for the line numbers.
    size_t start = 0;
    if (!bytes.empty() && bytes[0] == '#') {
        start = bytes.find('\n');
        if (start == std::string::npos) start = bytes.size();
    }
    const std::string chunk = "@" + name;
    if (luaL_loadbuffer(L, bytes.data() + start, bytes.size() - start, chunk.c_str()) != 0) return FileLoad::Failed;
    return FileLoad::Loaded;
}

// Runs the loaded chunk on top of the stack with _REQUIREDNAME set to the package name,
// then records its result (true for none) in _LOADED (at index 2) and returns it.
int RunRequiredChunk(lua_State* L) {
    lua_getglobal(L, kRequiredName);
    lua_insert(L, -2);
    lua_pushvalue(L, 1);
    lua_setglobal(L, kRequiredName);
    lua_call(L, 0, 1);
    lua_insert(L, -2);
    lua_setglobal(L, kRequiredName);
    if (lua_isnil(L, -1)) {
        lua_pushboolean(L, 1);
        lua_replace(L, -2);
    }
    lua_pushvalue(L, 1);
    lua_pushvalue(L, -2);
    lua_rawset(L, 2);
    return 1;
}

// require (name): the package's recorded result when _LOADED holds one; otherwise the
// first template of the path that names a readable file is loaded and run.
int Require(lua_State* L) {
    luaL_checkstring(L, 1);
    lua_settop(L, 1);
    lua_getglobal(L, kLoadedName);
    if (!lua_istable(L, 2)) return luaL_error(L, "`%s' is not a table", kLoadedName);
    const std::string path = RequirePath(L);
    lua_pushvalue(L, 1);
    lua_rawget(L, 2);
    if (lua_toboolean(L, -1)) return 1;
    FileLoad status = FileLoad::NotFound;
    size_t pos = 0;
    std::string pattern;
    while (status == FileLoad::NotFound && NextTemplate(path, pos, pattern)) {
        lua_settop(L, 3);
        status = LoadChunkFile(L, ComposeName(pattern, lua_tostring(L, 1)));
    }
    switch (status) {
    case FileLoad::Loaded:
        return RunRequiredChunk(L);
    case FileLoad::NotFound:
        return luaL_error(L, "could not load package `%s' from path `%s'", lua_tostring(L, 1), path.c_str());
    case FileLoad::Failed:
        break;
    }
    return luaL_error(L, "error loading package `%s' (%s)", lua_tostring(L, 1), lua_tostring(L, -1));
}

// ---- loadfile and dofile ----
//
// Files named as the engine names them ("data\scripts\x.lua", any case), read relative
// to the working directory. Without a name both read the standard input, as the
// library's own functions (upvalue 1) do.

// Calls the library's own function (upvalue 1) without arguments.
int CallLibraryFunction(lua_State* L) {
    lua_settop(L, 0);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_call(L, 0, LUA_MULTRET);
    return lua_gettop(L);
}

int LoadFile(lua_State* L) {
    if (lua_isnoneornil(L, 1)) return CallLibraryFunction(L);
    const char* name = luaL_checkstring(L, 1);
    if (LoadChunkFile(L, name) == FileLoad::Loaded) return 1;
    lua_pushnil(L);
    lua_insert(L, -2);
    return 2;
}

int DoFile(lua_State* L) {
    if (lua_isnoneornil(L, 1)) return CallLibraryFunction(L);
    const char* name = luaL_checkstring(L, 1);
    const int base = lua_gettop(L);
    if (LoadChunkFile(L, name) != FileLoad::Loaded) return lua_error(L);
    lua_call(L, 0, LUA_MULTRET);
    return lua_gettop(L) - base;
}

// ---- newproxy ----
//
// getmetatable of a proxy gives a face table whose fields live in a store; every write
// goes through the face's __newindex, which copies the field into the proxy's real
// metatable, except that a finaliser (__gc) is installed as RunProxyFinaliser. The
// collector runs finalisers with the debug hooks off; RunProxyFinaliser runs the
// script's finaliser on a thread of its own, with the state's hook, so it stays within
// the instruction budget.

// __gc of a proxy; upvalue 1 is the store holding the script's finaliser.
int RunProxyFinaliser(lua_State* L) {
    lua_settop(L, 1);
    lua_pushliteral(L, "__gc");
    lua_rawget(L, lua_upvalueindex(1));
    lua_State* co = lua_newthread(L);
    lua_sethook(co, lua_gethook(L), lua_gethookmask(L), lua_gethookcount(L));
    lua_pushvalue(L, 2);
    lua_pushvalue(L, 1);
    lua_xmove(L, co, 2);
    // A failing finaliser is logged here: the collector may run where no error is caught.
    if (lua_pcall(co, 1, 0, 0) != 0 && lua_isstring(co, -1))
        Log(0, "\nERROR!!!!!!!!!!!!!\n%s\n\n", lua_tostring(co, -1));
    return 0;
}

// __newindex of a face (face, key, value); upvalue 1 the store, upvalue 2 the metatable.
int SetProxyField(lua_State* L) {
    lua_settop(L, 3);
    lua_pushvalue(L, 2);
    lua_pushvalue(L, 3);
    lua_rawset(L, lua_upvalueindex(1));
    lua_pushvalue(L, 2);
    const bool finaliser = lua_type(L, 2) == LUA_TSTRING && std::strcmp(lua_tostring(L, 2), "__gc") == 0;
    if (finaliser && !lua_isnil(L, 3)) {
        lua_pushvalue(L, lua_upvalueindex(1));
        lua_pushcclosure(L, RunProxyFinaliser, 1);
    } else {
        lua_pushvalue(L, 3);
    }
    lua_rawset(L, lua_upvalueindex(2));
    return 0;
}

// Pushes a new proxy metatable and records it in the table of valid ones (upvalue 1).
void PushNewProxyMetatable(lua_State* L) {
    lua_newtable(L);  // the metatable
    const int meta = lua_gettop(L);
    lua_newtable(L);  // the face
    lua_newtable(L);  // the face's metatable
    lua_newtable(L);  // the store
    lua_pushvalue(L, -1);
    lua_setfield(L, -3, "__index");
    lua_pushvalue(L, meta);
    lua_pushcclosure(L, SetProxyField, 2);
    lua_setfield(L, -2, "__newindex");
    lua_setmetatable(L, -2);
    lua_setfield(L, meta, "__metatable");
    lua_pushvalue(L, meta);
    lua_pushboolean(L, 1);
    lua_rawset(L, lua_upvalueindex(1));
}

// newproxy (false | true | proxy): a userdata of no size, without a metatable, with a
// new one, or sharing the metatable of another proxy.
int NewProxy(lua_State* L) {
    lua_settop(L, 1);
    lua_newuserdata(L, 0);
    if (!lua_toboolean(L, 1)) return 1;
    if (lua_isboolean(L, 1)) {
        PushNewProxyMetatable(L);
    } else {
        bool valid = false;
        if (lua_getmetatable(L, 1)) {
            lua_rawget(L, lua_upvalueindex(1));
            valid = lua_toboolean(L, -1);
            lua_pop(L, 1);
        }
        luaL_argcheck(L, valid, 1, "boolean or proxy expected");
        lua_getmetatable(L, 1);
    }
    lua_setmetatable(L, 2);
    return 1;
}

// ---- the collector ----

// gcinfo (): kilobytes in use and the threshold of the next cycle, which the collector
// sets to twice what a cycle leaves.
int GcInfo(lua_State* L) {
    const int used = lua_gc(L, LUA_GCCOUNT, 0);
    lua_pushnumber(L, used);
    lua_pushnumber(L, 2.0 * used);
    return 2;
}

// collectgarbage ([limit]): a limit in kilobytes (default 0) at or below what is in use
// runs a full cycle at once. An option text goes to the library's own function (upvalue 1).
int CollectGarbage(lua_State* L) {
    if (lua_type(L, 1) != LUA_TNONE && lua_type(L, 1) != LUA_TNIL && lua_type(L, 1) != LUA_TNUMBER) {
        lua_pushvalue(L, lua_upvalueindex(1));
        lua_insert(L, 1);
        lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
        return lua_gettop(L);
    }
    const lua_Number limit = luaL_optnumber(L, 1, 0) * 1024;
    const lua_Number used = lua_Number(lua_gc(L, LUA_GCCOUNT, 0)) * 1024 + lua_gc(L, LUA_GCCOUNTB, 0);
    if (!(limit > used)) lua_gc(L, LUA_GCCOLLECT, 0);
    return 0;
}

// ---- table sizes ----
//
// The older table library keeps a table's size apart from its elements: a numeric field
// "n" when the table has one, else a size given by table.setn (held weakly in a sizes
// table, upvalue 1). getn, insert, remove and unpack go by that size; a table with neither is
// measured and changed by the library's own functions (upvalue 2).

// The size a table states: its numeric field "n" (>= 0), else its entry in the sizes
// table; -1 when it states none.
// Largest size a table may state, so that one past it is still an index.
constexpr int kMaxStatedSize = INT_MAX - 1;
// Spans up to this many slots are moved slot by slot.
constexpr int64_t kDenseSpan = 4096;

// The value at idx as a size: its integer part held to kMaxStatedSize; -1 for a value that
// is not a number or is negative.
int SizeAt(lua_State* L, int idx) {
    if (!lua_isnumber(L, idx)) return -1;
    const lua_Number v = lua_tonumber(L, idx);
    if (!(v > -1)) return -1;
    return v >= kMaxStatedSize ? kMaxStatedSize : static_cast<int>(v);
}

int StatedSize(lua_State* L, int table) {
    lua_pushliteral(L, "n");
    lua_rawget(L, table);
    int n = SizeAt(L, -1);
    lua_pop(L, 1);
    if (n >= 0) return n;
    lua_pushvalue(L, table);
    lua_rawget(L, lua_upvalueindex(1));
    n = SizeAt(L, -1);
    lua_pop(L, 1);
    return n;
}

// Sets the size in the field "n" when the table has a numeric one, else in the sizes table.
void SetStatedSize(lua_State* L, int table, int n) {
    lua_pushliteral(L, "n");
    lua_rawget(L, table);
    const bool field = lua_isnumber(L, -1) != 0;
    lua_pop(L, 1);
    if (field) {
        lua_pushliteral(L, "n");
        lua_pushnumber(L, n);
        lua_rawset(L, table);
    } else {
        lua_pushvalue(L, table);
        lua_pushnumber(L, n);
        lua_rawset(L, lua_upvalueindex(1));
    }
}

// Calls the library's own function (upvalue 2) with the arguments given.
int CallOwnTableFunction(lua_State* L) {
    lua_pushvalue(L, lua_upvalueindex(2));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
    return lua_gettop(L);
}

int TableGetn(lua_State* L) {
    luaL_checktype(L, 1, LUA_TTABLE);
    const int n = StatedSize(L, 1);
    if (n < 0) return CallOwnTableFunction(L);
    lua_pushnumber(L, n);
    return 1;
}

int TableSetn(lua_State* L) {
    luaL_checktype(L, 1, LUA_TTABLE);
    const lua_Number v = luaL_checknumber(L, 2);
    const int n = SizeAt(L, 2);
    // A negative size states none; it is kept as given, held to the integers.
    SetStatedSize(L, 1, n >= 0 ? n : (v <= INT_MIN ? INT_MIN : static_cast<int>(v)));
    return 0;
}

// Moves the elements lo..hi of the table at index 1 by d (+1 or -1): t[i + d] := old t[i].
// The slot left behind (lo for +1, hi for -1) is the caller's to set. A stated size need not
// be backed by elements, so a wide span is moved by the elements it holds, not slot by slot.
void MoveElements(lua_State* L, int64_t lo, int64_t hi, int d) {
    if (hi < lo) return;
    if (hi - lo < kDenseSpan) {
        for (int64_t k = 0; k <= hi - lo; ++k) {
            const int i = static_cast<int>(d > 0 ? hi - k : lo + k);
            lua_rawgeti(L, 1, i);
            lua_rawseti(L, 1, i + d);
        }
        return;
    }
    // The integer keys of the span and of the slots it moves into, with their old values.
    lua_newtable(L);
    const int old = lua_gettop(L);
    std::vector<int64_t> keys;
    for (lua_pushnil(L); lua_next(L, 1) != 0; lua_pop(L, 1)) {
        if (lua_type(L, -2) != LUA_TNUMBER) continue;
        const lua_Number key = lua_tonumber(L, -2);
        if (!(key >= static_cast<lua_Number>(lo - 1) && key <= static_cast<lua_Number>(hi + 1)) ||
            key != static_cast<lua_Number>(static_cast<int64_t>(key)))
            continue;
        keys.push_back(static_cast<int64_t>(key));
        lua_pushvalue(L, -2);
        lua_pushvalue(L, -2);
        lua_rawset(L, old);
    }
    // Every slot that gains or loses a value takes the old value of its source.
    for (int64_t k : keys) {
        for (int64_t r : {k + d, k}) {
            if (r < lo + d || r > hi + d) continue;
            lua_rawgeti(L, old, static_cast<int>(r - d));
            lua_rawseti(L, 1, static_cast<int>(r));
        }
    }
    lua_pop(L, 1);
}

// insert (t, [pos,] value): the size grows by one, or to pos when pos lies beyond it.
int TableInsert(lua_State* L) {
    luaL_checktype(L, 1, LUA_TTABLE);
    const int size = StatedSize(L, 1);
    if (size < 0) return CallOwnTableFunction(L);
    int value = lua_gettop(L);
    int n = size + 1;
    int pos = n;
    if (value != 2) {
        pos = luaL_checkint(L, 2);
        if (pos > kMaxStatedSize) pos = kMaxStatedSize;
        if (pos > n) n = pos;
        value = 3;
    }
    SetStatedSize(L, 1, n);
    MoveElements(L, pos, int64_t{n} - 1, +1);
    lua_pushvalue(L, value);
    lua_rawseti(L, 1, pos);
    return 0;
}

// remove (t [, pos]): the element at pos (the last by default); nothing from an empty table.
int TableRemove(lua_State* L) {
    luaL_checktype(L, 1, LUA_TTABLE);
    const int n = StatedSize(L, 1);
    if (n < 0) return CallOwnTableFunction(L);
    const int pos = luaL_optint(L, 2, n);
    if (n <= 0) return 0;
    SetStatedSize(L, 1, n - 1);
    lua_rawgeti(L, 1, pos);
    if (pos < n) {
        MoveElements(L, int64_t{pos} + 1, n, -1);
    }
    lua_pushnil(L);
    lua_rawseti(L, 1, n);
    return 1;
}

// unpack (t): the elements 1 to the stated size, nils included. With a range, or for a table
// that states no size, the library's own unpack.
int Unpack(lua_State* L) {
    luaL_checktype(L, 1, LUA_TTABLE);
    const int n = lua_gettop(L) == 1 ? StatedSize(L, 1) : -1;
    if (n < 0) return CallOwnTableFunction(L);
    if (!lua_checkstack(L, n)) return luaL_error(L, "too many results to unpack");
    for (int i = 1; i <= n; ++i) lua_rawgeti(L, 1, i);
    return n;
}

// Replaces table.<name> with fn, which gets the sizes table and the replaced function.
void SetTableFunction(lua_State* L, int tableLib, int sizes, const char* name, lua_CFunction fn) {
    lua_pushvalue(L, sizes);
    lua_getfield(L, tableLib, name);
    lua_pushcclosure(L, fn, 2);
    lua_setfield(L, tableLib, name);
}

}  // namespace

void OpenScriptBaseExtras(lua_State* L) {
    lua_pushcfunction(L, Require);
    lua_setglobal(L, "require");
    lua_newtable(L);
    lua_setglobal(L, kLoadedName);

    // The valid proxy metatables, held weakly.
    lua_newtable(L);
    lua_newtable(L);
    lua_pushliteral(L, "k");
    lua_setfield(L, -2, "__mode");
    lua_setmetatable(L, -2);
    lua_pushcclosure(L, NewProxy, 1);
    lua_setglobal(L, "newproxy");

    lua_getglobal(L, "loadfile");
    lua_pushcclosure(L, LoadFile, 1);
    lua_setglobal(L, "loadfile");
    lua_getglobal(L, "dofile");
    lua_pushcclosure(L, DoFile, 1);
    lua_setglobal(L, "dofile");

    lua_pushcfunction(L, GcInfo);
    lua_setglobal(L, "gcinfo");
    lua_getglobal(L, "collectgarbage");
    lua_pushcclosure(L, CollectGarbage, 1);
    lua_setglobal(L, "collectgarbage");

    lua_getglobal(L, "table");
    if (lua_istable(L, -1)) {
        const int tableLib = lua_gettop(L);
        lua_newtable(L);  // the sizes, held weakly
        lua_newtable(L);
        lua_pushliteral(L, "k");
        lua_setfield(L, -2, "__mode");
        lua_setmetatable(L, -2);
        const int sizes = lua_gettop(L);
        SetTableFunction(L, tableLib, sizes, "getn", TableGetn);
        SetTableFunction(L, tableLib, sizes, "setn", TableSetn);
        SetTableFunction(L, tableLib, sizes, "insert", TableInsert);
        SetTableFunction(L, tableLib, sizes, "remove", TableRemove);
        lua_pushvalue(L, sizes);
        lua_getglobal(L, "unpack");
        lua_pushcclosure(L, Unpack, 2);
        lua_setglobal(L, "unpack");
        lua_pop(L, 1);
    }
    lua_pop(L, 1);
}
