-- A coin, from the set "Coin": worth one point the first time the player touches it. It
-- counts every touch it hears in the global "coinEnters", keeps the score in the global
-- "score" (and in the play data), tells the HUD with the event "Coin", chimes, and goes.

function InitCoin(self)
    self.taken = false
    physics:listenToCollisionEnter(self.handle, "coinTouched", self.owner:getCollider())
end

function coinTouched(self)
    globals:addInt("coinEnters", globals:getInt("coinEnters") + 1)
    if self.taken then
        return
    end
    self.taken = true
    self.owner:getCollider().Active = false
    local score = globals:getInt("score") + 1
    globals:addInt("score", score)
    analytic:setIntData("score", score)
    events:pushEvent(self.handle, "Coin")
    audio:playSFX("sounds/coin.wav")
    gameObjects:destroy(self.owner)
end

function UpdateCoin(self)
end

function DeinitCoin(self)
end

function UnloadCoin()
end
