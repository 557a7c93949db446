-- The title screen's orbiter. Its object circles the origin, two units out, one turn every
-- 2π seconds of game time, chiming at the end of each turn and pulsing by the action set
-- "pulse", and the title counts the whole seconds.

local Radius = 2
local Chime = "sounds/chime.wav"

function InitDemo(self)
    self.time = 0
    self.seconds = 0
    self.turns = 0
    actions:attachActionSet(self.owner, "pulse")
end

function UpdateDemo(self, dt)
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
end

function DeinitDemo(self)
end

function UnloadDemo()
end
