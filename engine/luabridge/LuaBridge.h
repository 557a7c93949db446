#pragma once

// The binding layer between the engine and its Lua 5.3 interpreter (the C++ build of Lua,
// where a Lua error is a C++ throw that unwinds binding frames):
// - Namespace.h: getGlobalNamespace and the registration of functions, variables, classes;
// - LuaRef.h: references to Lua values, protected calls, getGlobal/setGlobal/push;
// - LuaException.h: LuaException, registerException, liveReferenceCount;
// - Userdata.h: ByValue<T>, invalidate;
// - Stack.h: the conversions between C++ and Lua values.
#include "luabridge/LuaException.h"
#include "luabridge/LuaRef.h"
#include "luabridge/Namespace.h"
#include "luabridge/Stack.h"
#include "luabridge/Userdata.h"
