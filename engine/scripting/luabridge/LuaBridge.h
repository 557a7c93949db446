#pragma once

// The binding layer between the engine and its Lua 5.3 interpreter (the C++ build of Lua,
// where a Lua error is a C++ throw that unwinds binding frames):
// - Namespace.h: getGlobalNamespace and the registration of functions, variables, classes;
// - LuaRef.h: references to Lua values, protected calls, getGlobal/setGlobal/push;
// - LuaException.h: LuaException, registerException, liveReferenceCount;
// - Userdata.h: ByValue<T>, invalidate;
// - Stack.h: the conversions between C++ and Lua values.
#include "scripting/luabridge/LuaException.h"
#include "scripting/luabridge/LuaRef.h"
#include "scripting/luabridge/Namespace.h"
#include "scripting/luabridge/Stack.h"
#include "scripting/luabridge/Userdata.h"
