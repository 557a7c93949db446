-- The score line: it shows the global "score" each time a coin says "Coin", with a wobble: a
-- sequence of two tweens of its rotation, out and back to exactly 0.

function InitHud(self)
    self.text = self.owner:getSpriteFont()
    self.actions = self.owner:addAction()
    events:listenToEventName(self.handle, "Coin", "hudCoin")
end

function hudCoin(self)
    self.text:setText("Score " .. globals:getInt("score"))
    self.actions:destroyAllActions()
    self.transform.LocalRotationRad = 0
    self.transform:pushRotation()
    self.actions:createActionSequence():sineOutToFloat(nil, 0.2, 0.1):sineInToFloat(nil, 0, 0.1)
end

function UpdateHud(self)
end

function DeinitHud(self)
end

function UnloadHud()
end
