-- The level's exit: the player touching it ends the level at once.

function InitExit(self)
    physics:listenToCollisionEnter(self.handle, "exitReached", self.owner:getCollider())
end

function exitReached(self)
    gameState:changeState("End")
end

function UpdateExit(self)
end

function DeinitExit(self)
end

function UnloadExit()
end
