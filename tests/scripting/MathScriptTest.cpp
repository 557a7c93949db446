#include <string>
#include <vector>

#include "ScriptHarness.h"
#include "core/TweenTargets.h"

// "Math": the vector classes by value, their integer arithmetic and division guards, the
// to-string functions, the push functions and "Math.Utils".

namespace {

using MathScriptTest = ScriptHarness;

TEST_F(MathScriptTest, VectorsAreValuesMadeByMakeOrAsZeroWhateverTheArguments)
{
    EXPECT_TRUE(holds("Math.Vector2f(5, 6):equal(Math.Vector2f.zero())"));
    EXPECT_TRUE(holds("Math.Vector3u(1, 2, 3):equal(Math.Vector3u.make(0, 0, 0))"));
    EXPECT_TRUE(holds("Math.Vector2f.make(0, 1):toAngleDeg() == 90"));
    EXPECT_EQ(eval<std::string>("Math.Vector2f_toString(Math.Vector2f.make(1.5, 2))"), "[1.5,2]");
    EXPECT_EQ(eval<std::string>("Math.Vector3f_toString(Math.Vector3f.make(1, 2, 3))"), "[1,2,3]");
    EXPECT_EQ(eval<std::string>("Math.Vector2i_toString(Math.Vector2i.make(-3, 4))"), "[-3,4]");
    EXPECT_EQ(eval<std::string>("Math.Vector3u_toString(Math.Vector3u.make(-1, 0, 7))"), "[4294967295,0,7]");

    EXPECT_EQ(run(R"(
        v = Math.Vector2f.make(1, 2)
        w = Math.Vector2f.make(10, 20)
        assert(rawequal(v:plus(w):plus(w), v), "in place, the same object")
        assert(v.x == 21 and v.y == 42)
        c = v:copy()
        c.x = 0
        assert(v.x == 21, "a copy is independent")
        v:set(w)
        assert(v:equal(w) and not rawequal(v, w) and not v:notEqual(w))
        p = Math.Vector3f.make(1, 2, 3)
        p.x, p.y, p.z = 4, 5, 6
        assert(Math.Vector3f_toString(p) == "[4,5,6]")
        assert(p:not_equal(Math.Vector3f.zero()))
        assert(Math.Vector3f.makeFromVector2D(w):equal(Math.Vector3f.make(10, 20, 0)))
        assert(Math.Vector3i.make(1, 0, 0):cross(Math.Vector3i.make(0, 1, 0)):equal(Math.Vector3i.make(0, 0, 1)))
        assert(p.toAngleRad == nil and p.inverse == nil, "three components have no angles")
        v, w, c, p = nil, nil, nil, nil)"),
              "");
}

TEST_F(MathScriptTest, IntegerVectorsComputeInTheirComponentType)
{
    EXPECT_EQ(eval<std::string>("math.type(Math.Vector2i.make(3, 4):length())"), "integer");
    EXPECT_EQ(eval<int>("Math.Vector2i.make(3, 4):length()"), 5);
    EXPECT_EQ(eval<int>("Math.Vector2i.make(1, 1):length()"), 1);
    EXPECT_EQ(eval<long long>("Math.Vector2u.make(-1, 0).x"), 4294967295LL);
    const std::string noInteger = "(number has no integer representation)";
    EXPECT_EQ(run("Math.Vector2i.make(2^40, 0)"), "test.lua:1: bad argument #1 to 'make' " + noInteger);
    EXPECT_EQ(run("Math.Vector2i.make(0, 2^31)"), "test.lua:1: bad argument #2 to 'make' " + noInteger);
    EXPECT_EQ(run("Math.Utils.randomInt(math.mininteger, math.maxinteger)"),
              "test.lua:1: bad argument #1 to 'randomInt' " + noInteger);
    EXPECT_TRUE(holds("Math.Vector2i.make(7, -7):divideNum(2):equal(Math.Vector2i.make(3, -3))"));
    EXPECT_TRUE(holds("Math.Vector2i.make(0, 5):toAngleRad() == 1"));
    EXPECT_TRUE(holds("Math.Vector3i.make(3, 4, 12):normalize():equal(Math.Vector3i.make(0, 0, 0))"));
    EXPECT_TRUE(holds("not Math.Vector2f.make(2, 0):isOnRightOf(Math.Vector2f.make(1, 0))"));
    EXPECT_TRUE(holds("not Math.Vector2f.make(2, 0):isOnLeftOf(Math.Vector2f.make(1, 0))"));
    EXPECT_TRUE(
        holds("Math.Vector2f.angleBetweenRad(Math.Vector2f.make(0, 1), Math.Vector2f.make(0, 1)) == 0"));
}

// The statements that divide by a zero component, number or truncated length, for each
// family ("%" is the class name); each leaves v = (6, 4[, 2]) unchanged.
TEST_F(MathScriptTest, IntegerDivisionByZeroRaisesAndChangesNothing)
{
    const std::vector<std::string> shared{
        "v:divide(%.make(2, 0, 1))",
        "v:divide(%.make(0, 2, 1))",
        "z:normalize()",
        "z:normalized()",
        "v:projectOn(z)",
        "v:projectOnLength(z)",
    };
    const std::vector<std::string> twoOnly{
        "v:divideNum(0)",          "%.make(1, 0):inverse()",  "%.make(0, 1):inverse()",
        "%.angleBetweenRad(z, v)", "%.angleBetweenDeg(v, z)",
    };
    const std::vector<std::string> threeOnly{"v:divide_num(0)", "v:divide(%.make(1, 1, 0))"};

    const auto check = [&](const std::string& name, const std::vector<std::string>& statements) {
        for (std::string statement : statements) {
            for (std::size_t at = statement.find('%'); at != std::string::npos; at = statement.find('%')) {
                statement.replace(at, 1, "Math." + name);
            }
            ASSERT_EQ(run("v = Math." + name + ".make(6, 4, 2); z = Math." + name + ".zero()"), "");
            const std::string before = eval<std::string>("Math." + name + "_toString(v)");
            EXPECT_EQ(run(statement), "test.lua:1: attempt to divide by zero") << name << ": " << statement;
            EXPECT_EQ(eval<std::string>("Math." + name + "_toString(v)"), before)
                << name << ": " << statement;
        }
    };
    for (const std::string name : {"Vector2i", "Vector2u"}) {
        check(name, shared);
        check(name, twoOnly);
    }
    for (const std::string name : {"Vector3i", "Vector3u"}) {
        check(name, shared);
        check(name, threeOnly);
    }
    EXPECT_EQ(run("v, z = nil, nil"), "");
}

TEST_F(MathScriptTest, FloatVectorsKeepIeeeResults)
{
    EXPECT_TRUE(holds("Math.Vector2f.make(1, 0):divideNum(0).x == math.huge"));
    EXPECT_TRUE(holds("Math.Vector3f.make(-1, 0, 0):divide_num(0).x == -math.huge"));
    EXPECT_TRUE(holds("(function() local n = Math.Vector2f.zero():normalize() return n.x ~= n.x end)()"));
    EXPECT_TRUE(holds("Math.Vector2f.make(2, 4):inverse():equal(Math.Vector2f.make(0.5, 0.25))"));
}

// Unit vectors whose rounded cosine with themselves lands past 1 (0.3 and 1 radian do).
TEST_F(MathScriptTest, ParallelFloatVectorsMeetAtZeroOrPiNeverNaN)
{
    EXPECT_TRUE(holds(R"((function() local V = Math.Vector2f
        for _, a in ipairs({0.3, 1, 2, -1.2}) do
            local u, back = V.fromAngleRad(a), V.fromAngleRad(a):multiplyNum(-1)
            assert(V.angleBetweenRad(u, u) == 0 and math.abs(V.angleBetweenDeg(back, u) - 180) < 1e-4, a)
        end
        local z = V.angleBetweenRad(V.zero(), V.make(1, 0)) return z ~= z end)())"));
}

TEST_F(MathScriptTest, PushesStoreTheAddressOfTheComponentInTheTargetOfItsType)
{
    ASSERT_EQ(run("a = Math.Vector2f.make(1, 2); b = Math.Vector2f.make(3, 4); a:pushX(); b:pushY()"), "");
    ASSERT_NE(Orva::Actions::primitiveFloatTarget, nullptr);
    *Orva::Actions::primitiveFloatTarget = 9.0f;
    EXPECT_TRUE(holds("b.y == 9 and a.x == 1"));

    ASSERT_EQ(run("i = Math.Vector3i.make(1, 2, 3); i:pushZ(); u = Math.Vector2u.make(5, 6); u:pushX()"), "");
    *Orva::Actions::primitiveIntTarget = 11;
    EXPECT_TRUE(holds("u.x == 11 and i.z == 3"));
    ASSERT_EQ(run("i:pushZ()"), "");
    *Orva::Actions::primitiveIntTarget = -4;
    EXPECT_TRUE(holds("i.z == -4"));
    EXPECT_EQ(*Orva::Actions::primitiveFloatTarget, 9.0f) << "integer pushes leave the float target alone";
    // The userdata behind the targets go with these globals.
    EXPECT_EQ(run("a, b, i, u = nil, nil, nil, nil"), "");
    Orva::Actions::primitiveFloatTarget = nullptr;
    Orva::Actions::primitiveIntTarget = nullptr;
}

TEST_F(MathScriptTest, UtilsClampAndDrawWithinTheirBounds)
{
    EXPECT_EQ(eval<double>("Math.Utils.clampFloat(0/0, 0, 1)"), 0.0);
    EXPECT_EQ(eval<int>("Math.Utils.clampInt(5, 10, 0)"), 0);
    EXPECT_EQ(eval<double>("Math.Utils.clampDouble(2.5, 0, 1)"), 1.0);
    EXPECT_EQ(eval<int>("Math.Utils.randomInt(5, 4)"), 5) << "an empty range gives its start";
    EXPECT_TRUE(holds(R"((function()
        for i = 1, 300 do
            local r = Math.Utils.randomInt(5, 1)
            if r < 5 or r > 7 then return false end
            local f = Math.Utils.randomFloat(10, 12)
            if f < 0 or f > 2 then return false end
        end
        return true end)())"));
    EXPECT_TRUE(holds("Math.Utils.randomInt(-2147483648, 2147483647) < 0"))
        << "the full range does not overflow";
}

} // namespace
