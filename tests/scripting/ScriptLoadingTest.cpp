#include <string>
#include <vector>

#include "ScriptHarness.h"
#include "core/Random.h"

// The script manager: loading classes from the listed files and its failures, the path list,
// named global tables, the print functions and the scripts' random numbers.

namespace {

// A complete class of the given name.
std::string classSource(const std::string& name)
{
    return "function Update" + name + "(self) end\n" + "function Init" + name + "(self) end\n" +
           "function Deinit" + name + "(self) end\n" + "function Unload" + name + "() Debug.print('unload " +
           name + "') end\n";
}

class ScriptLoadingTest : public ScriptHarness
{
protected:
    void SetUp() override
    {
        ScriptHarness::SetUp();
        capturePrints();
    }

    // Loads the listed files with a listener of "LUA_EXCEPTION"; returns the reports it got.
    std::vector<Orva::LuaExceptionEvent> loadReporting(bool expected)
    {
        ScriptErrorListener listener;
        EXPECT_EQ(loadScripts(), expected);
        Orva::EventManager::PushAllEvents();
        return listener.received();
    }
};

TEST_F(ScriptLoadingTest, MissingFunctionsAreListedInOrderInOneReport)
{
    writeScript("scripts/Player.lua", "function UpdatePlayer(self) end\nfunction DeinitPlayer(self) end\n");
    const auto reports = loadReporting(false);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].message, "Error when loading: scripts/Player.lua\n"
                                  "InitPlayer function is not defined.\n"
                                  "UnloadPlayer function is not defined.\n"
                                  "Note that these functions have to be defined for the script to work.\n");
    EXPECT_EQ(reports[0].errorType, 0);
    EXPECT_EQ(reports[0].scriptPath, "");
    EXPECT_EQ(reports[0].lineNumber, -1);
}

TEST_F(ScriptLoadingTest, ASecondClassOfTheSameNameFailsAndEveryClassIsUnloaded)
{
    writeScript("scripts/Player.lua", classSource("Player"));
    writeScript("scripts/Enemy.lua", classSource("Enemy"));
    writeScript("scripts/b/Player.lua", classSource("Player"));
    writeScript("scripts/Late.lua", classSource("Late"));
    const auto reports = loadReporting(false);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].message, "Error when loading: scripts/b/Player.lua\n"
                                  "A class of the same name already exists.\n"
                                  "--------------------------\n");
    EXPECT_EQ(scripts().getScriptClassCount(), 0u);
    EXPECT_EQ(printed(), (std::vector<std::string>{"unload Enemy", "unload Player"}))
        << "the classes loaded before are unloaded in name order; loading stopped at the failure";
}

TEST_F(ScriptLoadingTest, ASyntaxErrorReportsItsLineAfterThePath)
{
    writeScript("scripts/Bad.lua", "local ok = 1\nx = = 1\n");
    const auto reports = loadReporting(false);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].message,
              "Error when loading: scripts/Bad.lua\nLine 2: unexpected symbol near '='\n");
}

TEST_F(ScriptLoadingTest, AnErrorWhileRunningTheFileIsReportedTheSameWay)
{
    writeScript("scripts/Eager.lua", "\n\nerror('too early')\n");
    const auto reports = loadReporting(false);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].message, "Error when loading: scripts/Eager.lua\nLine 3: too early\n");
}

TEST_F(ScriptLoadingTest, APathTheInterpreterShortensKeepsTheWholeErrorText)
{
    const std::string path = "scripts/" + std::string(60, 'd') + "/Deep.lua";
    writeScript(path, "x = = 1");
    const auto reports = loadReporting(false);
    ASSERT_EQ(reports.size(), 1u);
    const std::string& message = reports[0].message;
    EXPECT_EQ(message.rfind("Error when loading: " + path + "\nLine ...", 0), 0u) << message;
    EXPECT_NE(message.find("Deep.lua:1: unexpected symbol near '='\n"), std::string::npos) << message;
}

TEST_F(ScriptLoadingTest, TheClassIsTheFileNameLessItsLastFourCharacters)
{
    writeScript("Enemy.lua", classSource("Enemy"));
    writeScript("ai/Boss.txt", classSource("Boss"));
    writeScript("scripts/Odd.lua",
                "UpdateOdd = 7\nfunction InitOdd() end\nDeinitOdd = 'x'\nUnloadOdd = true\n");
    EXPECT_TRUE(loadReporting(true).empty());
    EXPECT_NE(scripts().findScriptClass("Enemy"), nullptr);
    EXPECT_NE(scripts().findScriptClass("Boss"), nullptr);
    ASSERT_NE(scripts().findScriptClass("Odd"), nullptr) << "any value but nil passes the check";
    EXPECT_TRUE(scripts().findScriptClass("Odd")->awake.isNil());

    // A non-function Update loads, then fails at each call.
    Orva::LuaScriptComponent* odd = objects().create()->addLuaScript("Odd");
    ASSERT_NE(odd, nullptr);
    runFrames(2);
    EXPECT_EQ(errorReport(), "") << "no Awake to call, then Init";
    runFrames(1);
    EXPECT_NE(errorReport().find("attempt to call a number value"), std::string::npos) << errorReport();
    removeErrorReport();
    runFrames(1);
    EXPECT_NE(errorReport().find("attempt to call a number value"), std::string::npos) << "at every call";
    objects().destroyAllObjects();
    EXPECT_NE(errorReport().find("attempt to call a string value"), std::string::npos) << "Deinit fails too";
}

TEST_F(ScriptLoadingTest, FunctionsOfALoadedClassNameTheirFileInErrors)
{
    writeScript("scripts/Player.lua", classSource("Player") + "function failing()\n  error('here')\nend\n");
    ASSERT_TRUE(loadScripts());
    EXPECT_EQ(run("failing()"), "scripts/Player.lua:6: here");
}

TEST_F(ScriptLoadingTest, ThePathListKeepsOrderAndRefusesDuplicates)
{
    EXPECT_TRUE(loadScripts()) << "nothing listed";
    scripts().addScriptPathToList("scripts/A.lua");
    scripts().addScriptPathToList("scripts/B.lua");
    scripts().addScriptPathToList("scripts/A.lua");
    scripts().addScriptPathToList("scripts/C.lua");
    scripts().removeScriptPathFromList("scripts/B.lua");
    scripts().removeScriptPathFromList("scripts/none.lua");
    EXPECT_EQ(scripts().getScriptPaths(), (std::vector<std::string>{"scripts/A.lua", "scripts/C.lua"}));

    writeScript("scripts/Kept.lua", classSource("Kept"));
    scripts().removeScriptPathFromList("scripts/A.lua");
    scripts().removeScriptPathFromList("scripts/C.lua");
    ASSERT_TRUE(loadScripts());
    scripts().clearAllScriptFiles();
    EXPECT_TRUE(scripts().getScriptPaths().empty());
    EXPECT_EQ(scripts().getScriptClassCount(), 0u);
    EXPECT_EQ(printed(), std::vector<std::string>{"unload Kept"});
}

TEST_F(ScriptLoadingTest, GlobalTablesLiveUntilRemoved)
{
    luabridge::LuaRef saves = scripts().getGlobalTable("saves");
    saves["level"] = 3;
    EXPECT_EQ(scripts().getGlobalTable("saves")["level"].cast<int>(), 3) << "the same table";
    EXPECT_EQ(Orva::LuaScriptManager::getLuaTable("saves")["level"].cast<int>(), 3);

    scripts().removeGlobalTable("saves");
    scripts().removeGlobalTable("never made");
    EXPECT_TRUE(scripts().getGlobalTable("saves")["level"].isNil()) << "a fresh table after removal";
    EXPECT_EQ(saves["level"].cast<int>(), 3) << "a reference kept by its holder stays valid";

    scripts().getGlobalTable("other")["x"] = 1;
    scripts().clearGlobalTables();
    EXPECT_TRUE(scripts().getGlobalTable("other")["x"].isNil());
}

TEST_F(ScriptLoadingTest, PrintAndLogDoNothingUntilThePrintFunctionIsSet)
{
    scripts().setPrintFunction(nullptr);
    EXPECT_EQ(run("Debug.print('lost'); Debug.log('lost', 2)"), "");
    EXPECT_TRUE(printed().empty());

    capturePrints();
    EXPECT_EQ(run("Debug.print('a', 'ignored'); Debug.log(1.5); Debug.print(nil); Debug.log(); "
                  "Debug.print(setmetatable({}, {__tostring = function() return 'shown' end})); "
                  "Debug.log(Math.Vector2f())"),
              "");
    ASSERT_EQ(printed().size(), 6u);
    EXPECT_EQ(printed()[0], "a");
    EXPECT_EQ(printed()[1], "1.5");
    EXPECT_EQ(printed()[2], "nil");
    EXPECT_EQ(printed()[3], "nil");
    EXPECT_EQ(printed()[4], "shown");
    EXPECT_EQ(printed()[5].rfind("Vector2f: ", 0), 0u) << printed()[5];
    EXPECT_NE(scripts().getPrintFunction(), nullptr);
}

TEST_F(ScriptLoadingTest, MathRandomFollowsLuaRulesOverTheEngineGenerator)
{
    EXPECT_TRUE(holds("(function() math.randomseed(1) return math.random(0, 32767) == 18467 end)()"))
        << "seed 1, one draw discarded, the next one scaled to the range";
    Orva::srand(1);
    static_cast<void>(Orva::rand());
    const int draw = Orva::rand();
    EXPECT_EQ(run("math.randomseed(1.9)"), "");
    EXPECT_EQ(eval<double>("math.random()"), draw / 32768.0) << "the seed truncates; r = draw / 32768";
    EXPECT_EQ(eval<std::string>("math.type(math.random(3))"), "integer");
    EXPECT_TRUE(holds("(function() for i = 1, 200 do local r = math.random(3) if r < 1 or r > 3 then return "
                      "false end end return true end)()"));
    EXPECT_TRUE(holds("(function() for i = 1, 200 do local r = math.random(-2, -1) if r < -2 or r > -1 then "
                      "return false end end return true end)()"));
    EXPECT_NE(run("math.random(math.mininteger, math.maxinteger)").find("interval too large"),
              std::string::npos);
    EXPECT_NE(run("math.random(0)").find("interval is empty"), std::string::npos);
    EXPECT_NE(run("math.random(5, 4)").find("interval is empty"), std::string::npos);
    EXPECT_NE(run("math.random(1, 2, 3)").find("wrong number of arguments"), std::string::npos);
    EXPECT_EQ(run("math.randomseed(0/0); math.randomseed(1e300)"), "") << "no integer: seeds 0";
}

TEST_F(ScriptLoadingTest, EveryScrambledTextRestartsTheSharedSequence)
{
    const std::string stored = Orva::Crypto::RC4Cipher::encrypt("data");
    Orva::Crypto::RC4Cipher::decrypt(stored);
    EXPECT_EQ(eval<int>("Math.Utils.randomInt(0, 32767)"), 7903);
    Orva::Crypto::RC4Cipher::decrypt(stored);
    EXPECT_EQ(eval<double>("Math.Utils.randomFloat(10, 12)"), 0.48237556219100952);
    Orva::Crypto::RC4Cipher::decrypt(stored);
    EXPECT_EQ(eval<double>("Math.Utils.randomDouble(10, 12)"), 0.48237556077761162);
}

} // namespace
