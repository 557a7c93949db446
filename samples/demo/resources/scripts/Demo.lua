-- The demo's one script class. Its object circles the origin, two units out, one turn every
-- 2π seconds of game time, chiming at the end of each turn, and the title counts the whole
-- seconds. When DEMO_EXIT_AFTER holds a whole number n, the nth update ends the game; that is
-- how the demo runs unattended.

local Radius = 2
local Chime = "sounds/chime.wav"
local exitAfter = math.tointeger(tonumber(os.getenv("DEMO_EXIT_AFTER") or ""))

function InitDemo(self)
    Debug.print("Demo: init")
    self.updates = 0
    self.time = 0
    self.seconds = 0
    self.turns = 0
    self.finished = false
end

function UpdateDemo(self, dt)
    if self.finished then
        return
    end
    self.updates = self.updates + 1
    self.time = self.time + dt

    local position = self.transform.LocalTranslation
    position.x = Radius * math.cos(self.time)
    position.y = Radius * math.sin(self.time)
    self.transform.LocalTranslation = position

    if math.floor(self.time) > self.seconds then
        self.seconds = math.floor(self.time)
        local title = gameObjects:find("Title")
        if title ~= nil then
            title:getSpriteFont():setText("Orva Demo " .. self.seconds)
        end
    end

    local turns = math.floor(self.time / (2 * math.pi))
    if turns > self.turns then
        self.turns = turns
        audio:playSFX(Chime)
    end

    if self.updates == exitAfter then
        Debug.print("Demo: exit after " .. exitAfter .. " updates")
        self.finished = true
        engine:exit()
    end
end

function DeinitDemo(self)
    Debug.print("Demo: deinit")
end

function UnloadDemo()
end
