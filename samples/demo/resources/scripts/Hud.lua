-- The score line: it shows the global "score" each time a coin says "Coin".

function InitHud(self)
    self.text = self.owner:getSpriteFont()
    events:listenToEventName(self.handle, "Coin", "hudCoin")
end

function hudCoin(self)
    self.text:setText("Score " .. globals:getInt("score"))
end

function UpdateHud(self)
end

function DeinitHud(self)
end

function UnloadHud()
end
