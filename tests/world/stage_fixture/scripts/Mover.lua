-- Counts its steps; the stage hands it a speed, as text.
function AwakeMover(self)
end

function InitMover(self)
    self.steps = 0
end

function UpdateMover(self, dt)
    self.steps = self.steps + 1
end

function DeinitMover(self)
end

function UnloadMover()
end
